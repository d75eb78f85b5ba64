#include "access/Password.h"

#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "export/CRCUtils.h"
#include "ScriptedPrompts.h"
#include "TempWorkspace.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using TResult = TLoginAttempts::TResult;

class PasswordTest : public ::testing::Test {
protected:
    void SetUp() override { ws.MakeCurrent(); }

    void WritePasswordFile(const QByteArray &bytes) { ws.Write(QStringLiteral("Corvane.pwd"), bytes); }
    QByteArray PasswordFile() const { return ws.Read(QStringLiteral("Corvane.pwd")); }
    QByteArray LineOf(const QString &password) const { return PasswordCheckValue(password).toLatin1() + "\r\n"; }
    void ExpectWarning(int index, const QString &text) const
    {
        ASSERT_GT(messages.shown().size(), index);
        const auto &shown = messages.shown().at(index);
        EXPECT_EQ(shown.text, text);
        EXPECT_EQ(shown.caption, QStringLiteral("警告"));
        EXPECT_EQ(shown.flags, 48);
    }

    TempWorkspace ws;
    ScriptedMessages messages;
};

TEST_F(PasswordTest, CheckValueEqualsTheCrcOfTheOneLineFile)
{
    EXPECT_EQ(PasswordCheckValue(QStringLiteral("570319")), QStringLiteral("11660ADF"));
    EXPECT_EQ(PasswordCheckValue(QString()), QStringLiteral("14A285AC")); // CRC of CR LF alone
    for (const QString &password : {QString(), QStringLiteral("570319"), QStringLiteral("Secret 1"),
                                    QStringLiteral("口令Ab")}) {
        const QString path = ws.Write(QStringLiteral("line.txt"), EncodeGbk(password) + "\r\n");
        EXPECT_EQ(PasswordCheckValue(password), FileCrcText(path)) << password.toStdString();
    }
}

TEST_F(PasswordTest, MissingFileIsCreatedWithTheInitialPassword)
{
    EXPECT_FALSE(PasswordFileExists());
    TLoginAttempts login;
    EXPECT_EQ(login.Try(QStringLiteral("570319")), TResult::Accepted);
    EXPECT_TRUE(login.LoggedIn());
    EXPECT_TRUE(PasswordFileExists());
    const QByteArray content = PasswordFile();
    EXPECT_EQ(content, QByteArray("11660ADF\r\n"));
    EXPECT_TRUE(messages.shown().isEmpty());
    // Only the workspace's password file, no temporary left behind.
    EXPECT_EQ(QDir(ws.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Corvane.pwd")});
}

TEST_F(PasswordTest, FileNameIsFoundInAnyLetterCase)
{
    ws.Write(QStringLiteral("CORVANE.PWD"), LineOf(QStringLiteral("abc")));
    EXPECT_TRUE(PasswordFileExists());
    EXPECT_EQ(StoredCheckValue(), PasswordCheckValue(QStringLiteral("abc")));
    EXPECT_TRUE(ChangePassword(QStringLiteral("abc"), QStringLiteral("xyz"), QStringLiteral("xyz")));
    EXPECT_EQ(QDir(ws.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("CORVANE.PWD")});
    EXPECT_EQ(ws.Read(QStringLiteral("CORVANE.PWD")), LineOf(QStringLiteral("xyz")));
}

TEST_F(PasswordTest, ThreeWrongPasswordsExhaustTheLogin)
{
    WritePasswordFile(LineOf(QStringLiteral("right")) + "ignored second line\r\n");
    TLoginAttempts login;
    EXPECT_EQ(login.Try(QStringLiteral("wrong")), TResult::Rejected);
    EXPECT_EQ(login.Try(QStringLiteral("RIGHT")), TResult::Rejected); // the password itself is case-sensitive
    EXPECT_EQ(login.Try(QString()), TResult::Exhausted);
    ASSERT_EQ(messages.shown().size(), 3);
    for (int i = 0; i < 3; ++i)
        ExpectWarning(i, QStringLiteral("登录口令不正确，请重新输入！"));
    EXPECT_EQ(login.Try(QStringLiteral("right")), TResult::Exhausted);
    EXPECT_FALSE(login.LoggedIn());
    EXPECT_EQ(messages.shown().size(), 3);
}

TEST_F(PasswordTest, TwoWrongThenRightLogsIn)
{
    WritePasswordFile(LineOf(QStringLiteral("right")));
    TLoginAttempts login;
    EXPECT_EQ(login.Try(QStringLiteral("a")), TResult::Rejected);
    EXPECT_EQ(login.Try(QStringLiteral("b")), TResult::Rejected);
    EXPECT_EQ(login.Try(QStringLiteral("right")), TResult::Accepted);
    EXPECT_TRUE(login.LoggedIn());
}

TEST_F(PasswordTest, AttemptsThatFailWithAnErrorDoNotCount)
{
    WritePasswordFile(QByteArray());
    TLoginAttempts login;
    for (int i = 0; i < 3; ++i)
        EXPECT_THROW(login.Try(QStringLiteral("right")), TUserError);
    EXPECT_EQ(login.Failures(), 0);
    EXPECT_TRUE(messages.shown().isEmpty());

    WritePasswordFile(LineOf(QStringLiteral("right")));
    EXPECT_EQ(login.Try(QStringLiteral("a")), TResult::Rejected);
    EXPECT_EQ(login.Try(QStringLiteral("b")), TResult::Rejected);
    EXPECT_EQ(login.Try(QStringLiteral("right")), TResult::Accepted);
}

TEST_F(PasswordTest, LowerCaseStoredValueLogsInButRefusesTheChange)
{
    const QByteArray lower = PasswordCheckValue(QStringLiteral("570319")).toLower().toLatin1() + "\r\n";
    ASSERT_NE(lower, LineOf(QStringLiteral("570319"))); // the value has letters
    WritePasswordFile(lower);
    TLoginAttempts login;
    EXPECT_EQ(login.Try(QStringLiteral("570319")), TResult::Accepted);

    EXPECT_FALSE(ChangePassword(QStringLiteral("570319"), QStringLiteral("new"), QStringLiteral("new")));
    ExpectWarning(0, QStringLiteral("旧密码错误!"));
    EXPECT_EQ(PasswordFile(), lower);
}

TEST_F(PasswordTest, ChangeComparesTheConfirmationIgnoringCase)
{
    WritePasswordFile(LineOf(QStringLiteral("old")));
    EXPECT_FALSE(ChangePassword(QStringLiteral("old"), QStringLiteral("new1"), QStringLiteral("new2")));
    ExpectWarning(0, QStringLiteral("密码不一致，请重新输入!"));
    EXPECT_FALSE(ChangePassword(QStringLiteral("OLD"), QStringLiteral("new"), QStringLiteral("new")));
    ExpectWarning(1, QStringLiteral("旧密码错误!"));
    EXPECT_EQ(PasswordFile(), LineOf(QStringLiteral("old")));

    EXPECT_TRUE(ChangePassword(QStringLiteral("old"), QStringLiteral("NewPass"), QStringLiteral("nEWpASS")));
    EXPECT_EQ(messages.shown().size(), 2);
    EXPECT_EQ(PasswordFile(), LineOf(QStringLiteral("NewPass")));
    TLoginAttempts login;
    EXPECT_EQ(login.Try(QStringLiteral("nEWpASS")), TResult::Rejected);
    EXPECT_EQ(login.Try(QStringLiteral("NewPass")), TResult::Accepted);
}

} // namespace
