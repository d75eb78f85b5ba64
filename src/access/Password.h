#pragma once

#include <QString>

// One password protects an installation. It is never stored: the password
// file "Corvane.pwd" in the application directory holds its check value,
// and an entered password is checked by computing the same value.

// The password the installation starts with, while no password file exists.
inline constexpr char kInitialPassword[] = "570319";

// The CRC text of the password's GBK bytes followed by CR LF: the value
// the password file holds. Equal to FileCrcText of a one-line text file
// holding the password, so existing password files stay valid.
QString PasswordCheckValue(const QString &password);

// AppDir + "Corvane.pwd", resolved without regard to letter case.
QString PasswordFilePath();

// True when the password file exists (the login shows the initial-password
// hint while it does not).
bool PasswordFileExists();

// The first line of the password file. When the file does not exist it is
// first created, atomically, holding the check value of the initial
// password as its only line. Raises TUserError when the file has no line,
// TFileError when it cannot be read or written.
QString StoredCheckValue();

// The login's attempt counter: three wrong passwords in total, then no more
// attempts.
class TLoginAttempts {
public:
    enum class TResult { Accepted, Rejected, Exhausted };

    // Checks password against the stored check value, letter case ignored.
    // A wrong password shows "登录口令不正确，请重新输入！" (caption "警告",
    // warning icon) and counts; the third wrong one gives Exhausted, as does
    // every call after it. An error (an unreadable password file) passes on
    // and does not count.
    TResult Try(const QString &password);

    bool LoggedIn() const { return loggedIn_; }
    // Failed attempts so far.
    int Failures() const { return attempt_ - 1; }

private:
    int attempt_ = 1;
    bool loggedIn_ = false;
};

// Changes the password after the change dialog was confirmed. Refuses with
// a warning (caption "警告") and false when newPassword and confirmation
// differ (letter case ignored) or the old password's check value is not
// exactly the stored first line; otherwise the password file becomes the
// single line of newPassword's check value and the result is true.
bool ChangePassword(const QString &oldPassword, const QString &newPassword, const QString &confirmation);
