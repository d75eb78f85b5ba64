#pragma once

#include <QDialog>

class QLineEdit;

// The password change dialog: old password, new password and its
// confirmation, each shown as "*". It only collects the texts; the change
// itself (ChangePassword) is the caller's.
class TfrmModifyPwd : public QDialog {
    Q_OBJECT
public:
    explicit TfrmModifyPwd(QWidget *parent = nullptr);

    QString OldPassword() const;
    QString NewPassword() const;
    QString Confirmation() const;

private:
    QLineEdit *edtOld_;
    QLineEdit *edtNew_;
    QLineEdit *edtConfim_;
};

// Shows the dialog modally over parent. On "确定" returns true with the three
// texts as typed; Cancel returns false and leaves them unchanged.
bool ExecuteModifyPwd(QWidget *parent, QString &oldPwd, QString &newPwd, QString &confirm);
