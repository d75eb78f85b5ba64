#include "access/Password.h"
#include "access/forms/LoginForm.h"
#include "access/forms/ModifyPwdForm.h"
#include "app/utils/MessageBox.h"
#include "DialogDriver.h"
#include "ScriptedPrompts.h"
#include "TempWorkspace.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kWrongPassword = QStringLiteral("登录口令不正确，请重新输入！");

class AccessDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { ws.MakeCurrent(); }

    // Types password into the login box and presses "确定".
    static void Submit(TfrmLogin &login, const QString &password)
    {
        Child<QLineEdit>(&login, "edtPwd")->setText(password);
        Child<QPushButton>(&login, "btnOK")->click();
    }

    TempWorkspace ws;
    ScriptedMessages messages;
};

TEST_F(AccessDialogsTest, LoginShowsTheInitialPasswordOnlyWhileThereIsNoPasswordFile)
{
    {
        TfrmLogin login;
        EXPECT_EQ(login.windowTitle(), QStringLiteral("用户登录"));
        EXPECT_EQ(Child<QLabel>(&login, "Label1")->text(), QStringLiteral("登录口令:"));
        EXPECT_EQ(Child<QLineEdit>(&login, "edtPwd")->echoMode(), QLineEdit::Password);
        auto *hint = Child<QLabel>(&login, "Label2");
        EXPECT_EQ(hint->text(), QStringLiteral("初始口令为：570319"));
        login.show();
        EXPECT_TRUE(hint->isVisible());
        EXPECT_TRUE(Child<QPushButton>(&login, "btnOK")->isDefault());
        EXPECT_EQ(Child<QPushButton>(&login, "btnClose")->text(), QStringLiteral("取消"));
    }
    StoredCheckValue(); // creates the password file
    TfrmLogin login;
    login.show();
    EXPECT_FALSE(Child<QLabel>(&login, "Label2")->isVisible());
}

struct LoginCase {
    const char *name;
    QStringList passwords; // typed one after the other, each confirmed with "确定"
    bool closed;
    bool loggedIn;
    int warnings;
};
void PrintTo(const LoginCase &c, std::ostream *os) { *os << c.name; }

class LoginSequenceTest : public AccessDialogsTest, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(LoginSequenceTest, AttemptsEndTheDialogAsTheRulesSay)
{
    const LoginCase &c = GetParam();
    TfrmLogin login;
    login.show();
    for (const QString &password : c.passwords) {
        ASSERT_TRUE(login.isVisible()) << "closed before " << password.toStdString();
        Submit(login, password);
    }
    EXPECT_EQ(!login.isVisible(), c.closed);
    EXPECT_EQ(login.LoggedIn(), c.loggedIn);
    EXPECT_EQ(messages.texts(), QStringList(c.warnings, kWrongPassword));
    for (const auto &shown : messages.shown()) {
        EXPECT_EQ(shown.caption, QStringLiteral("警告"));
        EXPECT_EQ(shown.flags, TMessageBox::WarningOk);
    }
    if (!c.closed) { // a rejected password is cleared for the next try
        EXPECT_TRUE(Child<QLineEdit>(&login, "edtPwd")->text().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Login, LoginSequenceTest,
    ::testing::Values(LoginCase{"RightAtOnce", {QStringLiteral("570319")}, true, true, 0},
                      LoginCase{"TwoWrongStayOpen", {QStringLiteral("1"), QStringLiteral("57031")}, false, false, 2},
                      LoginCase{"TwoWrongThenRight",
                                {QStringLiteral("1"), QString(), QStringLiteral("570319")},
                                true,
                                true,
                                2},
                      LoginCase{"ThreeWrongClose",
                                {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("570318")},
                                true,
                                false,
                                3}),
    [](const ::testing::TestParamInfo<LoginCase> &info) { return std::string(info.param.name); });

TEST_F(AccessDialogsTest, UnreadablePasswordFileIsShownAndDoesNotCount)
{
    ws.Write(QStringLiteral("Corvane.pwd"), QByteArray()); // a file without any line
    TfrmLogin login;
    login.show();
    for (int i = 0; i < 4; ++i)
        Submit(login, QStringLiteral("570319"));
    EXPECT_TRUE(login.isVisible());
    ASSERT_EQ(messages.shown().size(), 4);
    EXPECT_EQ(messages.shown().first().flags, TMessageBox::ErrorOk);
    EXPECT_TRUE(messages.last().contains(QStringLiteral("Corvane.pwd")));

    ws.Write(QStringLiteral("Corvane.pwd"), PasswordCheckValue(QStringLiteral("570319")).toLatin1() + "\r\n");
    Submit(login, QStringLiteral("x"));
    Submit(login, QStringLiteral("570319"));
    EXPECT_TRUE(login.LoggedIn());
}

TEST_F(AccessDialogsTest, ExecuteLoginReturnsTheLoggedInFlag)
{
    WhenModal([](QWidget *dialog) {
        Child<QLineEdit>(dialog, "edtPwd")->setText(QStringLiteral("570319"));
        Child<QPushButton>(dialog, "btnOK")->click();
    });
    EXPECT_TRUE(ExecuteLogin(nullptr));

    WhenModal([](QWidget *dialog) { Child<QPushButton>(dialog, "btnClose")->click(); });
    EXPECT_FALSE(ExecuteLogin(nullptr));

    WhenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    EXPECT_FALSE(ExecuteLogin(nullptr));
}

TEST_F(AccessDialogsTest, ModifyPasswordReturnsTheThreeTextsAsTyped)
{
    QString oldPwd = QStringLiteral("keep"), newPwd = QStringLiteral("keep"), confirm = QStringLiteral("keep");
    WhenModal([](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("修改口令"));
        for (const char *name : {"edtOld", "edtNew", "edtConfim"})
            EXPECT_EQ(Child<QLineEdit>(dialog, name)->echoMode(), QLineEdit::Password) << name;
        Child<QLineEdit>(dialog, "edtOld")->setText(QStringLiteral("570319"));
        Child<QLineEdit>(dialog, "edtNew")->setText(QStringLiteral(" New1 "));
        Child<QLineEdit>(dialog, "edtConfim")->setText(QStringLiteral(" new1 "));
        Child<QPushButton>(dialog, "btnCancel")->click();
    });
    EXPECT_FALSE(ExecuteModifyPwd(nullptr, oldPwd, newPwd, confirm));
    EXPECT_EQ(QStringList({oldPwd, newPwd, confirm}), QStringList(3, QStringLiteral("keep")));

    WhenModal([](QWidget *dialog) {
        Child<QLineEdit>(dialog, "edtOld")->setText(QStringLiteral("570319"));
        Child<QLineEdit>(dialog, "edtNew")->setText(QStringLiteral(" New1 "));
        Child<QLineEdit>(dialog, "edtConfim")->setText(QStringLiteral(" new1 "));
        Child<QPushButton>(dialog, "btnOK")->click();
    });
    EXPECT_TRUE(ExecuteModifyPwd(nullptr, oldPwd, newPwd, confirm));
    EXPECT_EQ(QStringList({oldPwd, newPwd, confirm}),
              QStringList({QStringLiteral("570319"), QStringLiteral(" New1 "), QStringLiteral(" new1 ")}));
}

TEST_F(AccessDialogsTest, ModifyPasswordTabsFromOldToNewToConfirmation)
{
    TfrmModifyPwd dialog;
    ASSERT_TRUE(ShowActive(&dialog));
    auto *edtOld = Child<QLineEdit>(&dialog, "edtOld");
    EXPECT_EQ(QApplication::focusWidget(), edtOld);
    QTest::keyClick(edtOld, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Child<QLineEdit>(&dialog, "edtNew"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Child<QLineEdit>(&dialog, "edtConfim"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Child<QPushButton>(&dialog, "btnOK"));
}

} // namespace
