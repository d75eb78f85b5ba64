#include "access/forms/ModifyPwdForm.h"

#include "widgets/DialogButtons.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// A labelled password box in row of grid.
QLineEdit *AddPasswordRow(QGridLayout *grid, int row, const QString &caption, const QString &labelName,
                          const QString &boxName)
{
    QWidget *owner = grid->parentWidget();
    auto *label = new QLabel(caption, owner);
    label->setObjectName(labelName);
    auto *box = new QLineEdit(owner);
    box->setObjectName(boxName);
    box->setEchoMode(QLineEdit::Password);
    box->setMinimumWidth(180);
    label->setBuddy(box);
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    return box;
}

} // namespace

TfrmModifyPwd::TfrmModifyPwd(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmModifyPwd"));
    setWindowTitle(QStringLiteral("修改口令"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(20, 20, 20, 14);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    edtOld_ = AddPasswordRow(grid, 0, QStringLiteral("旧密码(&O):"), QStringLiteral("lblOld"),
                            QStringLiteral("edtOld"));
    edtNew_ = AddPasswordRow(grid, 1, QStringLiteral("新密码(&N):"), QStringLiteral("lblNew"),
                            QStringLiteral("edtNew"));
    edtConfim_ = AddPasswordRow(grid, 2, QStringLiteral("确认密码(&C):"), QStringLiteral("lblConfim"),
                               QStringLiteral("edtConfim"));

    const TDialogButtons buttons = MakeOkCancel(this);
    QPushButton *btnOK = buttons.ok;
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    grid->addLayout(buttons.row, 3, 0, 1, 2);
    grid->setRowMinimumHeight(3, 36);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(edtOld_, edtNew_);
    setTabOrder(edtNew_, edtConfim_);
    setTabOrder(edtConfim_, btnOK);
    setTabOrder(btnOK, buttons.cancel);
    edtOld_->setFocus();
}

QString TfrmModifyPwd::OldPassword() const { return edtOld_->text(); }
QString TfrmModifyPwd::NewPassword() const { return edtNew_->text(); }
QString TfrmModifyPwd::Confirmation() const { return edtConfim_->text(); }

bool ExecuteModifyPwd(QWidget *parent, QString &oldPwd, QString &newPwd, QString &confirm)
{
    TfrmModifyPwd dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    oldPwd = dialog.OldPassword();
    newPwd = dialog.NewPassword();
    confirm = dialog.Confirmation();
    return true;
}
