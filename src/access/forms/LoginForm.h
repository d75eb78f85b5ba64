#pragma once

#include "access/Password.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The login dialog. "确定" checks the password: the right one closes the
// dialog logged in; a wrong one (warned about by the check) leaves it open
// with the box cleared; the third wrong one closes it not logged in. An
// error reading the password file is shown and does not count as an attempt.
class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLogin(QWidget *parent = nullptr);

    // True once a password was accepted.
    bool LoggedIn() const { return attempts_.LoggedIn(); }

public slots:
    void btnOKClick();

private:
    TLoginAttempts attempts_;
    QLineEdit *edtPwd_;
    QLabel *lblHint_;
};

// Shows the login dialog modally over parent; true when a password was
// accepted, false after Cancel or three wrong passwords.
bool ExecuteLogin(QWidget *parent);
