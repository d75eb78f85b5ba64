#include "access/Password.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "export/CRCUtils.h"

namespace {

const QString kCaption = QStringLiteral("警告");
constexpr int kMaxAttempts = 3;

void Warn(const QString &text)
{
    TMessageBox::ShowCaption(text, kCaption, TMessageBox::WarningOk);
}

} // namespace

QString PasswordCheckValue(const QString &password)
{
    const QByteArray line = EncodeGbk(password) + "\r\n";
    return CrcText(~CrcUpdate(0xFFFFFFFFu, line.constData(), line.size()));
}

QString PasswordFilePath()
{
    return TApplicationInfo::AppFile(QStringLiteral("Corvane.pwd"));
}

bool PasswordFileExists()
{
    return FileExistsAnyCase(PasswordFilePath());
}

QString StoredCheckValue()
{
    const QString path = PasswordFilePath();
    if (!FileExistsAnyCase(path)) {
        const QString value = PasswordCheckValue(QString::fromLatin1(kInitialPassword));
        WriteGbkLines(path, {value});
        return value;
    }
    const QStringList lines = ReadGbkLines(path);
    if (lines.isEmpty())
        throw TUserError(QStringLiteral("口令文件“%1”是空的，无法读取登录口令。").arg(path));
    return lines.first();
}

TLoginAttempts::TResult TLoginAttempts::Try(const QString &password)
{
    if (loggedIn_)
        return TResult::Accepted;
    if (attempt_ > kMaxAttempts)
        return TResult::Exhausted;
    const QString entered = PasswordCheckValue(password);
    const QString stored = StoredCheckValue();
    if (SameTextIgnoringAsciiCase(stored, entered)) {
        loggedIn_ = true;
        return TResult::Accepted;
    }
    Warn(QStringLiteral("登录口令不正确，请重新输入！"));
    ++attempt_;
    return attempt_ > kMaxAttempts ? TResult::Exhausted : TResult::Rejected;
}

bool ChangePassword(const QString &oldPassword, const QString &newPassword, const QString &confirmation)
{
    if (!SameTextIgnoringAsciiCase(newPassword, confirmation)) {
        Warn(QStringLiteral("密码不一致，请重新输入!"));
        return false;
    }
    if (PasswordCheckValue(oldPassword) != StoredCheckValue()) {
        Warn(QStringLiteral("旧密码错误!"));
        return false;
    }
    WriteGbkLines(PasswordFilePath(), {PasswordCheckValue(newPassword)});
    return true;
}
