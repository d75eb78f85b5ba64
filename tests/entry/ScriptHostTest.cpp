#include "ScriptTestSupport.h"
#include "ScriptedPrompts.h"

#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Utils.h"
#include "entry/ScriptResult.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

const QString kDataDir = QStringLiteral(ENTRY_TEST_DATA);

// The record arguments of a report with 12 fields: period end, record
// number, then one value of each field type (text, integer, float,
// currency, date, boolean) twice.
QVariantList RecordArguments()
{
    return {PeriodEndDate(QStringLiteral("202402")), 3,
            QStringLiteral("张三"), 42, 3.25, 1200.5, QDate(2024, 2, 15), true,
            QString(), -7, 0.0, 0.01, QDateTime(QDate(2023, 12, 31), QTime(8, 30)), false};
}

TEST(ScriptHostTest, RecordArgumentsArriveInOrderWithScriptTypes)
{
    TScriptHost host;
    host.AddCode(QStringLiteral(
        "function abc_OnBeforePost() {\n"
        "  var kinds = [];\n"
        "  for (var i = 0; i < arguments.length; i++) {\n"
        "    var v = arguments[i];\n"
        "    kinds.push(v instanceof Date ? 'date' : typeof v);\n"
        "  }\n"
        "  return arguments.length + ':' + kinds.join(',');\n"
        "}\n"
        "function values(end, recNo, name, count, rate, amount, day, flag, empty, negative, zero, cent, moment) {\n"
        "  return [end.getFullYear(), end.getMonth() + 1, end.getDate(), end.getHours(), end.getMinutes(),\n"
        "          end.getSeconds(), end.getMilliseconds(), recNo, name, count, rate, amount,\n"
        "          day.getFullYear() + '-' + (day.getMonth() + 1) + '-' + day.getDate() + ' ' + day.getHours(),\n"
        "          flag === true, empty === '', negative, zero, cent,\n"
        "          moment.getHours() + ':' + moment.getMinutes()].join('|');\n"
        "}\n"));
    EXPECT_EQ(host.Run(QStringLiteral("abc_OnBeforePost"), RecordArguments()).toString(),
              QStringLiteral("14:date,number,string,number,number,number,date,boolean,"
                             "string,number,number,number,date,boolean"));
    EXPECT_EQ(host.Run(QStringLiteral("values"), RecordArguments()).toString(),
              QStringLiteral("2024|2|29|23|59|59|999|3|张三|42|3.25|1200.5|2024-2-15 0|true|true|-7|0|0.01|8:30"));
}

TEST(ScriptHostTest, ResultsComeBackAsNaturalTypes)
{
    TScriptHost host;
    struct Case {
        const char *expression;
        QVariant expected;
    };
    const Case cases[] = {
        {"8888", QVariant(8888)},
        {"-3", QVariant(-3)},
        {"1.5", QVariant(1.5)},
        {"3000000000", QVariant(3000000000.0)},
        {"'text'", QVariant(QStringLiteral("text"))},
        {"true", QVariant(true)},
        {"false", QVariant(false)},
        {"undefined", QVariant()},
        {"null", QVariant::fromValue(nullptr)},
        {"new Date(2024, 0, 5, 10, 20, 30)", QVariant(QDateTime(QDate(2024, 1, 5), QTime(10, 20, 30)))},
        {"[1, 'a', false]", QVariant(QVariantList{1, QStringLiteral("a"), false})},
    };
    for (const Case &c : cases) {
        const QVariant result = RunBody(host, QStringLiteral("return %1;").arg(QLatin1String(c.expression)));
        EXPECT_EQ(result.metaType(), c.expected.metaType()) << c.expression;
        if (c.expected.isValid() && c.expected.metaType().id() != QMetaType::Nullptr) {
            EXPECT_EQ(result, c.expected) << c.expression;
        }
    }
}

TEST(ScriptHostTest, UndefinedFunctionAndNonFunctionAreErrors)
{
    TScriptHost host;
    host.AddCode(QStringLiteral("var notAFunction = 5;\nfunction Abc_OnCRC() { return 1; }\n"));
    const struct {
        const char *name;
        int number;
    } cases[] = {{"abc_OnCRC", ScriptErrorNumber::NoSuchMember},
                 {"notAFunction", ScriptErrorNumber::FunctionExpected}};
    for (const auto &c : cases) {
        try {
            host.Run(QString::fromLatin1(c.name), {});
            ADD_FAILURE() << c.name << " ran";
        } catch (const TScriptError &error) {
            EXPECT_EQ(error.Number(), c.number) << c.name;
            EXPECT_EQ(error.Line(), 0);
        }
    }
    // Names are exact: the script's Abc_OnCRC is not abc_OnCRC.
    EXPECT_EQ(ScriptFunctionName(QStringLiteral("Abc"), QStringLiteral("_OnCRC")), QStringLiteral("abc_OnCRC"));
}

TEST(ScriptHostTest, RunScriptShowsFiveLinesAndAbortsSilently)
{
    ScriptedMessages messages;
    TScriptHost host;
    host.AddCode(QStringLiteral("function abc_OnBeforePost(end, recNo) {\n"
                                "  var limit = 10;\n"
                                "  return recNo > limit ? 1 : missingHelper(recNo);\n"
                                "}\n"),
                 QStringLiteral("/scripts/Script.js"));
    EXPECT_THROW(host.RunScript(QStringLiteral("abc_OnBeforePost"), RecordArguments()), TSilentAbort);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().first().flags, TMessageBox::ErrorOk);
    EXPECT_EQ(messages.last(), QStringLiteral("计算脚本时发生错误，以下是出错信息：\r\n"
                                              "错误编号:5009\r\n"
                                              "错误行号:3,列号:0\r\n"
                                              "错误文本:return recNo > limit ? 1 : missingHelper(recNo);\r\n"
                                              "错误说明:'missingHelper' 未定义\r\n"));
}

TEST(ScriptHostTest, RunScriptIgnoresErrorNumberZeroAndReturnsResults)
{
    ScriptedMessages messages;
    TScriptHost host;
    host.AddCode(QStringLiteral("function quiet() { throw new Error(0, 'nothing to report'); }\n"
                                "function fine(a, b) { return a + b; }\n"));
    EXPECT_FALSE(host.RunScript(QStringLiteral("quiet"), {}).isValid());
    EXPECT_EQ(host.RunScript(QStringLiteral("fine"), {2, 3}).toInt(), 5);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST(ScriptHostTest, ErrorNumbersFollowTheKindOfFailure)
{
    TScriptHost host;
    host.AddCode(QStringLiteral("function deeper(n) { return deeper(n + 1) + 1; }\n"));
    const struct {
        const char *body;
        int number;
        const char *description;
    } cases[] = {
        {"return undefinedName + 1;", 5009, "'undefinedName' 未定义"},
        {"var o; return o.x;", 5007, "缺少对象"},
        {"var o = null; o.x = 1;", 5007, "缺少对象"},
        {"var o = {}; return o.missing();", 438, "对象不支持此属性或方法"},
        {"var n = 5; return n();", 5002, "缺少函数"},
        {"return new 5;", 13, "类型不匹配"},
        {"return deeper(0);", 28, "堆栈空间溢出"},
        {"throw 5;", 5022, "引发了异常但未捕获"},
        {"throw 'text';", 5022, "引发了异常但未捕获"},
        {"throw { number: 7 };", 5022, "引发了异常但未捕获"},
        {"throw new Error(123, 'own failure');", 123, "own failure"},
        {"throw new Error(-2146823281, 'coded');", 5007, "coded"},
        {"throw new Error('plain');", 5022, "plain"},
        {"var e = new TypeError('x'); e.number = 77; throw e;", 77, "x"},
        {"return eval('var = ;');", 1002, nullptr},
        {"new ActiveXObject('WScript.Shell');", 429, "Automation 服务器不能创建对象"},
    };
    for (const auto &c : cases) {
        const std::optional<TScriptError> error = BodyError(host, QString::fromLatin1(c.body));
        ASSERT_TRUE(error.has_value()) << c.body;
        EXPECT_EQ(error->Number(), c.number) << c.body;
        if (c.description) {
            EXPECT_EQ(error->Description(), QString::fromUtf8(c.description)) << c.body;
        }
    }
}

TEST(ScriptHostTest, ErrorsNameTheFailingLineOfTheScript)
{
    TScriptHost host;
    host.AddCode(QStringLiteral("var shell;\n"
                                "function runtime() {\n"
                                "  var a = 1;\n"
                                "    return a.b.c;   \n"
                                "}\n"
                                "function thrown(flag) {\n"
                                "  if (flag)\n"
                                "    throw 'stop';\n"
                                "}\n"
                                "function viaHost() {\n"
                                "  var dom = new ActiveXObject('Microsoft.XMLDOM');\n"
                                "  return dom.noSuchMember;\n"
                                "}\n"
                                "function created() {\n"
                                "  throw new Error(42, 'made here');\n"
                                "}\n"),
                 QStringLiteral("/rules/Script.js"));
    const struct {
        const char *function;
        int line;
        const char *text;
    } cases[] = {
        {"runtime", 4, "return a.b.c;"},
        {"thrown", 8, "throw 'stop';"},
        {"viaHost", 12, "return dom.noSuchMember;"},
        {"created", 15, "throw new Error(42, 'made here');"},
    };
    for (const auto &c : cases) {
        try {
            host.Run(QString::fromLatin1(c.function), {true});
            ADD_FAILURE() << c.function << " ran";
        } catch (const TScriptError &error) {
            EXPECT_EQ(error.Line(), c.line) << c.function;
            EXPECT_EQ(error.Column(), 0) << c.function;
            EXPECT_EQ(error.SourceText(), QString::fromLatin1(c.text)) << c.function;
        }
    }
}

TEST(ScriptHostTest, ScriptFilesWithSpacesAndChineseInTheirPathFindTheirLines)
{
    TScriptHost host;
    host.AddCode(QStringLiteral("function f() {\n  return nothing.here;\n}\n"), QStringLiteral("/规则 目录/Script #1.js"));
    try {
        host.Run(QStringLiteral("f"), {});
        FAIL();
    } catch (const TScriptError &error) {
        EXPECT_EQ(error.Line(), 2);
        EXPECT_EQ(error.SourceText(), QStringLiteral("return nothing.here;"));
    }
}

TEST(ScriptHostTest, SyntaxErrorsGiveLineColumnAndText)
{
    TScriptHost host;
    try {
        host.AddCode(QStringLiteral("function ok() { return 1; }\r\n"
                                    "function broken() {\r\n"
                                    "  var total = ;\r\n"
                                    "}\r\n"),
                     QStringLiteral("/rules/Broken.js"));
        FAIL() << "compiled";
    } catch (const TScriptError &error) {
        EXPECT_EQ(error.Number(), ScriptErrorNumber::SyntaxError);
        EXPECT_EQ(error.Line(), 3);
        EXPECT_EQ(error.Column(), 15);
        EXPECT_EQ(error.SourceText(), QStringLiteral("var total = ;"));
        EXPECT_EQ(error.Description(), QStringLiteral("语法错误"));
    }
}

TEST(ScriptHostTest, TimeoutStopsTheCallAndTheEngineStaysUsable)
{
    TScriptHost host;
    host.SetTimeout(200);
    host.AddCode(QStringLiteral("var calls = 0;\n"
                                "function spin() { calls++; for (;;) {} }\n"
                                "function count() { return ++calls; }\n"
                                "function fakeInterrupt() { throw new Error('Interrupted'); }\n"));
    QElapsedTimer timer;
    timer.start();
    try {
        host.Run(QStringLiteral("spin"), {});
        FAIL() << "endless loop returned";
    } catch (const TScriptError &error) {
        EXPECT_EQ(error.Number(), ScriptErrorNumber::TimedOut);
    }
    EXPECT_GE(timer.elapsed(), 150);
    EXPECT_LT(timer.elapsed(), 5000);
    // Global state survives; the next calls run normally, also a second time-out.
    EXPECT_EQ(host.Run(QStringLiteral("count"), {}).toInt(), 2);
    EXPECT_THROW(host.Run(QStringLiteral("spin"), {}), TScriptError);
    EXPECT_EQ(host.Run(QStringLiteral("count"), {}).toInt(), 4);
    // An error that merely says "Interrupted" is not a time-out.
    try {
        host.Run(QStringLiteral("fakeInterrupt"), {});
        FAIL();
    } catch (const TScriptError &error) {
        EXPECT_EQ(error.Number(), ScriptErrorNumber::UncaughtException);
    }
}

TEST(ScriptHostTest, TimeoutAlsoCoversTopLevelCode)
{
    TScriptHost host;
    host.SetTimeout(200);
    try {
        host.AddCode(QStringLiteral("while (true) {}\n"));
        FAIL();
    } catch (const TScriptError &error) {
        EXPECT_EQ(error.Number(), ScriptErrorNumber::TimedOut);
    }
    EXPECT_EQ(RunBody(host, QStringLiteral("return 'alive';")).toString(), QStringLiteral("alive"));
}

TEST(ScriptHostTest, CreateScriptEngineReadsGbkScriptWithoutRegardToCase)
{
    auto host = TScriptHost::CreateScriptEngine(kDataDir + QStringLiteral("/RULES-GBK.JS"));
    ASSERT_TRUE(host);
    EXPECT_EQ(host->Timeout(), TScriptHost::kDefaultTimeoutMs);
    const QVariant rejected = host->Run(QStringLiteral("abc_OnBeforePost"),
                                        {PeriodEndDate(QStringLiteral("202401")), 1, -5.0});
    EXPECT_TRUE(ScriptResultIs(rejected, 0));
    EXPECT_EQ(ScriptResultText(host->Run(QStringLiteral("abc_OnGetErrorMessage"), {rejected})),
              QStringLiteral("金额不能为负数，单位：元"));
}

TEST(ScriptHostTest, CreateScriptEngineRaisesForMissingFileAndBadScript)
{
    EXPECT_THROW(TScriptHost::CreateScriptEngine(kDataDir + QStringLiteral("/no-such-script.js")), TFileError);
    // A file that is not a script at all.
    EXPECT_THROW(TScriptHost::CreateScriptEngine(kDataDir + QStringLiteral("/broken.xml")), TScriptError);
}

} // namespace
