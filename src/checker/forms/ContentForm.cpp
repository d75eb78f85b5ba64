#include "checker/forms/ContentForm.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmContent::TfrmContent(const QString &text, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmContent"));
    setWindowTitle(QStringLiteral("详细内容"));

    txtContent_ = new QPlainTextEdit(text, this);
    txtContent_->setObjectName(QStringLiteral("txtContent"));
    txtContent_->setReadOnly(true);
    txtContent_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    btnOK_ = new QPushButton(QStringLiteral("确定"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    btnOK_->setDefault(true);
    btnOK_->setAutoDefault(true);
    connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK_);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(txtContent_, 1);
    layout->addLayout(buttons);

    setFixedSize(QSize(393, 249).expandedTo(minimumSizeHint()));
    btnOK_->setFocus();
}

void ShowContent(const QString &text, QWidget *parent)
{
    TfrmContent dialog(text, parent);
    dialog.exec();
}
