#include "entry/ScriptErrors.h"

#include <gtest/gtest.h>

namespace {

TEST(ScriptErrorsTest, ErrorMessageIsTheFiveLineReport)
{
    const TScriptError error(5007, 12, 0, QStringLiteral("x.y = 1;"), QStringLiteral("Object expected"));
    EXPECT_EQ(error.Message(), QStringLiteral("计算脚本时发生错误，以下是出错信息：\r\n"
                                              "错误编号:5007\r\n"
                                              "错误行号:12,列号:0\r\n"
                                              "错误文本:x.y = 1;\r\n"
                                              "错误说明:Object expected\r\n"));
    // The texts are taken as they are, "%" included.
    EXPECT_TRUE(ScriptErrorReport(1, 2, 3, QStringLiteral("a % b %S"), QStringLiteral("100%"))
                    .contains(QStringLiteral("错误文本:a % b %S\r\n错误说明:100%\r\n")));
}

TEST(ScriptErrorsTest, ScriptCodesRoundTrip)
{
    EXPECT_EQ(ScriptErrorCode(5007), -2146823281);
    EXPECT_EQ(ScriptErrorNumberOf(-2146823281.0), 5007);
    EXPECT_EQ(ScriptErrorNumberOf(123), 123);
    EXPECT_EQ(ScriptErrorCode(0), 0);
    EXPECT_EQ(ScriptErrorCode(-5), -5);
    // Codes of other facilities stay as they are.
    EXPECT_EQ(ScriptErrorNumberOf(-2147467259.0), -2147467259);
    EXPECT_EQ(ScriptErrorNumberOf(1.0 / 0.0), 0);
}

TEST(ScriptErrorsTest, EngineMessagesMapToNumbers)
{
    const struct {
        const char *name;
        const char *message;
        int number;
    } cases[] = {
        {"SyntaxError", "Expected token `;'", 1004},
        {"SyntaxError", "Expected token `)'", 1006},
        {"SyntaxError", "Expected token `}'", 1009},
        {"SyntaxError", "Expected token `,'", 1002},
        {"ReferenceError", "foo is not defined", 5009},
        {"TypeError", "Property 'bar' of object [object Object] is not a function", 438},
        {"TypeError", "Cannot read property 'x' of null", 5007},
        {"TypeError", "Cannot call method 'x' of undefined", 5007},
        {"TypeError", "q is not a function", 5002},
        {"TypeError", "Type error", 13},
        {"RangeError", "Maximum call stack size exceeded.", 28},
        {"RangeError", "Invalid array length", 5022},
        {"URIError", "malformed", 5022},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ClassifyEngineError(QString::fromLatin1(c.name), QString::fromLatin1(c.message)).number, c.number)
            << c.message;
    }
}

} // namespace
