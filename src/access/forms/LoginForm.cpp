#include "access/forms/LoginForm.h"

#include "app/utils/CommandRunner.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmLogin::TfrmLogin(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("用户登录"));

    auto *label1 = new QLabel(QStringLiteral("登录口令:"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    edtPwd_ = new QLineEdit(this);
    edtPwd_->setObjectName(QStringLiteral("edtPwd"));
    edtPwd_->setEchoMode(QLineEdit::Password);
    edtPwd_->setMinimumWidth(180);
    label1->setBuddy(edtPwd_);

    lblHint_ = new QLabel(QStringLiteral("初始口令为：%1").arg(QLatin1String(kInitialPassword)), this);
    lblHint_->setObjectName(QStringLiteral("Label2"));
    lblHint_->setVisible(!PasswordFileExists());

    auto *btnOK = new QPushButton(QStringLiteral("确定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    auto *btnClose = new QPushButton(QStringLiteral("取消"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnOK, &QPushButton::clicked, this, &TfrmLogin::btnOKClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(20, 20, 20, 14);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(edtPwd_, 0, 1);
    grid->addWidget(lblHint_, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnClose);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setRowMinimumHeight(2, 36);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    edtPwd_->setFocus();
}

void TfrmLogin::btnOKClick()
{
    TLoginAttempts::TResult result = TLoginAttempts::TResult::Rejected;
    if (!RunCommand([&] { result = attempts_.Try(edtPwd_->text()); }))
        return;
    switch (result) {
    case TLoginAttempts::TResult::Accepted:
    case TLoginAttempts::TResult::Exhausted:
        accept();
        break;
    case TLoginAttempts::TResult::Rejected:
        edtPwd_->clear();
        edtPwd_->setFocus();
        break;
    }
}

bool ExecuteLogin(QWidget *parent)
{
    TfrmLogin login(parent);
    login.exec();
    return login.LoggedIn();
}
