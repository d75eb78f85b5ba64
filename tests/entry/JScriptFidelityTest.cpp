// What rule scripts see where JScript's answers differ from standard
// JavaScript: each case is an expression and the text of JScript's result,
// run through the script host.
#include "ScriptTestSupport.h"

#include "entry/ScriptDialect.h"
#include "entry/ScriptResult.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

struct FidelityCase {
    const char *name;
    const char *expression;
    const char *result; // "%Z" stands for the local zone of 2006-01-11, "UTC+0800" in China
};

// The zone as JScript writes it for a date: "UTC+0800", "UTC-0500", "UTC".
QString ZoneText(const QDateTime &moment)
{
    const int minutes = moment.offsetFromUtc() / 60;
    if (minutes == 0)
        return QStringLiteral("UTC");
    return QStringLiteral("UTC%1%2%3")
        .arg(minutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(std::abs(minutes) / 60, 2, 10, QLatin1Char('0'))
        .arg(std::abs(minutes) % 60, 2, 10, QLatin1Char('0'));
}

class JScriptFidelity : public ::testing::TestWithParam<FidelityCase> {
};

TEST_P(JScriptFidelity, ExpressionGivesJScriptsResult)
{
    const FidelityCase &c = GetParam();
    TScriptHost host;
    const QString expected = QString::fromUtf8(c.result).replace(
        QStringLiteral("%Z"), ZoneText(QDateTime(QDate(2006, 1, 11), QTime(0, 0))));
    const QVariant result = RunBody(host, QStringLiteral("return %1;").arg(QString::fromUtf8(c.expression)));
    EXPECT_EQ(ScriptResultText(result), expected) << c.expression;
}

INSTANTIATE_TEST_SUITE_P(
    Values, JScriptFidelity,
    ::testing::Values(
        // parseInt without a radix: a leading 0 is octal.
        FidelityCase{"ParseIntLeadingZeroEightIsZero", "parseInt('08')", "0"},
        FidelityCase{"ParseIntLeadingZeroIsOctal", "parseInt('010')", "8"},
        FidelityCase{"ParseIntNegativeOctal", "parseInt(' -017')", "-15"},
        FidelityCase{"ParseIntHexStaysHex", "parseInt('0x1F')", "31"},
        FidelityCase{"ParseIntGivenRadixIsKept", "parseInt('010', 10)", "10"},
        FidelityCase{"ParseIntDecimal", "parseInt('123abc')", "123"},
        FidelityCase{"OctalLiteral", "010 + 1", "9"},
        FidelityCase{"LeadingZeroDecimalLiteral", "09 + 019", "28"},
        // substr with a negative start starts at 0.
        FidelityCase{"SubstrNegativeStart", "'abcdef'.substr(-2, 3)", "abc"},
        FidelityCase{"SubstrNegativeStartToEnd", "'abcdef'.substr(-1)", "abcdef"},
        FidelityCase{"SubstrPositiveStart", "'abcdef'.substr(2, 2)", "cd"},
        // split by a regular expression leaves captured groups out.
        FidelityCase{"SplitDropsCaptures", "'a1b2c'.split(/(\\d)/).join('|')", "a|b|c"},
        FidelityCase{"SplitDropsNestedCaptures", "'a-1b+2c'.split(/([-+](\\d))/).join('|')", "a|b|c"},
        FidelityCase{"SplitLimitCountsPieces", "'a1b2c3d'.split(/(\\d)/, 2).join('|')", "a|b"},
        FidelityCase{"SplitWithoutGroups", "'a, b,c'.split(/,\\s*/).join('|')", "a|b|c"},
        FidelityCase{"SplitByTextKeepsEmpty", "'a,,b'.split(',').length", "3"},
        // Math.round is floor(x + 0.5).
        FidelityCase{"RoundHalfUp", "Math.round(2.5)", "3"},
        FidelityCase{"RoundNegativeHalf", "Math.round(-2.5)", "-2"},
        FidelityCase{"RoundJustBelowHalf", "Math.round(0.49999999999999994)", "1"},
        FidelityCase{"RoundText", "Math.round('1.4')", "1"},
        // Dates as a Chinese Windows writes them.
        FidelityCase{"DateString", "String(new Date(2006, 0, 11))", "Wed Jan 11 00:00:00 %Z 2006"},
        FidelityCase{"DateToStringDayNotPadded", "new Date(2006, 0, 5, 9, 8, 7).toString()",
                     "Thu Jan 5 09:08:07 %Z 2006"},
        FidelityCase{"DateConcatenated", "'' + new Date(2006, 0, 11)", "Wed Jan 11 00:00:00 %Z 2006"},
        FidelityCase{"DateLocaleDate", "new Date(2006, 0, 11).toLocaleDateString()", "2006年1月11日"},
        FidelityCase{"DateLocaleTime", "new Date(2006, 0, 11, 9, 5, 7).toLocaleTimeString()", "9:05:07"},
        FidelityCase{"DateLocaleMidnight", "new Date(2006, 0, 11).toLocaleTimeString()", "0:00:00"},
        FidelityCase{"DateLocaleString", "new Date(2006, 0, 11, 13, 5, 7).toLocaleString()", "2006年1月11日 13:05:07"},
        FidelityCase{"DateDateString", "new Date(2006, 0, 11).toDateString()", "Wed Jan 11 2006"},
        FidelityCase{"DateUtcString", "new Date(Date.UTC(2006, 0, 11, 3, 4, 5)).toUTCString()",
                     "Wed, 11 Jan 2006 03:04:05 UTC"},
        FidelityCase{"DateInvalid", "String(new Date(NaN))", "NaN"},
        FidelityCase{"DateParsesItsOwnText", "new Date(String(new Date(2006, 0, 11, 8, 30))).getHours()", "8"},
        FidelityCase{"DateParseOwnText", "Date.parse(new Date(2006, 0, 11).toString()) === new Date(2006, 0, 11).getTime()",
                     "True"},
        FidelityCase{"DateCalledAsFunctionIsText", "typeof Date()", "string"},
        FidelityCase{"DateStaysADate", "new Date(2006, 0, 11) instanceof Date", "True"},
        FidelityCase{"VarDateReadsBackAsDate", "new Date(2006, 0, 11, 13, 0).getVarDate()", "2006-01-11 13:00:00"},
        // Functions declared in blocks belong to the enclosing scope.
        FidelityCase{"BlockFunctionSeenBeforeItsBlock",
                     "(function () { var t = typeof later; if (true) { function later() {} } return t; })()", "function"},
        FidelityCase{"BlockFunctionOfBranchNotTaken",
                     "(function () { if (false) { function never() { return 2; } } return never(); })()", "2"},
        FidelityCase{"BlockFunctionInTry",
                     "(function () { try { function g() { return 3; } } catch (e) {} return g(); })()", "3"},
        FidelityCase{"BlockFunctionLastDeclarationWins",
                     "(function () { if (true) { function f() { return 1; } } else { function f() { return 2; } } "
                     "return f(); })()",
                     "2"},
        FidelityCase{"BlockFunctionWithoutBraces",
                     "(function () { if (false) function h() { return 4; } return h(); })()", "4"},
        FidelityCase{"BlockFunctionInSwitchCase",
                     "(function (k) { switch (k) { case 1: function s() { return 'case'; } } return s(); })(2)", "case"},
        FidelityCase{"BlockFunctionSeesFunctionScope",
                     "(function () { var v = 'outer'; if (true) { function r() { return v; } } return r(); })()", "outer"},
        FidelityCase{"BlockFunctionInsideBlockFunction",
                     "(function () { if (1) { function a() { if (1) { function b() { return 'b'; } } return b(); } } "
                     "return a(); })()",
                     "b"},
        FidelityCase{"FunctionExpressionInBlockStaysPut",
                     "(function () { var f = 1; if (true) { f = function inner() { return 5; }; } return f(); })()", "5"},
        FidelityCase{"ObjectLiteralMethodsStayPut",
                     "(function () { if (true) { var o = { m: function () { return 6; } }; } return o.m(); })()", "6"},
        // Scripting.Dictionary.
        FidelityCase{"DictionaryAddItemCount",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.Add('a', 1); d.Add('b', 2); "
                     "return d.Item('b') + '|' + d.Count + '|' + d.Exists('a') + '|' + d.Exists('A'); })()",
                     "2|2|true|false"},
        FidelityCase{"DictionaryCallForm",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.Add('k', 'v'); return d('k'); })()",
                     "v"},
        FidelityCase{"DictionaryItemAssignment",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.Item('k') = 5; d('j') = 6; "
                     "d.Item('k') += 10; return d.Item('k') + '|' + d('j') + '|' + d.Count; })()",
                     "15|6|2"},
        FidelityCase{"DictionaryItemWithTwoArguments",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.Item('k', 7); return d.Item('k'); })()",
                     "7"},
        FidelityCase{"DictionaryReadingMissingKeyAddsIt",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); var v = d.Item('x'); "
                     "return (v === undefined) + '|' + d.Exists('x') + '|' + d.Count; })()",
                     "true|true|1"},
        FidelityCase{"DictionaryKeysThroughVBArray",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.Add('b', 1); d.Add('a', 2); "
                     "return new VBArray(d.Keys()).toArray().join(',') + '|' + (new VBArray(d.Items())).getItem(0); })()",
                     "b,a|1"},
        FidelityCase{"DictionaryEnumeratesKeys",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.Add('x', 1); d.Add('y', 2); "
                     "var out = []; for (var e = new Enumerator(d); !e.atEnd(); e.moveNext()) out.push(e.item()); "
                     "return out.join(','); })()",
                     "x,y"},
        FidelityCase{"DictionaryTextCompareMode",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.CompareMode = 1; d.Add('Key', 1); "
                     "return d.Exists('KEY') + '|' + d.Item('kEy') + '|' + d.CompareMode; })()",
                     "true|1|1"},
        FidelityCase{"DictionaryNumberAndTextKeysDiffer",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.Add(1, 'n'); d.Add('1', 's'); "
                     "return d.Count + '|' + d.Item(1); })()",
                     "2|n"},
        FidelityCase{"DictionaryRemoveAndRemoveAll",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.Add('a', 1); d.Add('b', 2); "
                     "d.Remove('a'); var one = d.Count; d.RemoveAll(); return one + '|' + d.Count; })()",
                     "1|0"},
        FidelityCase{"DictionaryRenameKey",
                     "(function () { var d = new ActiveXObject('scripting.dictionary'); d.Add('a', 1); d.Key('a') = 'z'; "
                     "return d.Exists('a') + '|' + d.Item('z'); })()",
                     "false|1"},
        FidelityCase{"DictionaryMembersIgnoreLetterCase",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.add('a', 1); "
                     "return d.ITEM('a') + '|' + d.count; })()",
                     "1|1"},
        FidelityCase{"DictionaryAddOfExistingKeyIs457",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); d.Add('a', 1); "
                     "try { d.Add('a', 2); } catch (e) { return (e.number & 0xFFFF) + '|' + e.description; } })()",
                     "457|此关键字已经与该集合的一个元素相关联"},
        FidelityCase{"DictionaryRemoveOfMissingKeyIs32811",
                     "(function () { var d = new ActiveXObject('Scripting.Dictionary'); "
                     "try { d.Remove('a'); } catch (e) { return e.number & 0xFFFF; } })()",
                     "32811"},
        FidelityCase{"OtherProgIdsStill429",
                     "(function () { try { new ActiveXObject('WScript.Shell'); } catch (e) { "
                     "return (e.number & 0xFFFF) + '|' + e.description; } })()",
                     "429|Automation 服务器不能创建对象"},
        // DOM collections answer the call form.
        FidelityCase{"ChildNodesCallForm",
                     "(function () { var x = new ActiveXObject('Microsoft.XMLDOM'); x.loadXML('<r><a/><b/></r>'); "
                     "var nodes = x.documentElement.childNodes; return nodes(1).nodeName + '|' + nodes.item(0).nodeName "
                     "+ '|' + nodes.length + '|' + nodes[0].nodeName; })()",
                     "b|a|2|a"},
        FidelityCase{"AttributesCallForm",
                     "(function () { var x = new ActiveXObject('Microsoft.XMLDOM'); x.loadXML('<r p=\"1\" q=\"2\"/>'); "
                     "var a = x.documentElement.attributes; return a(1).nodeName + '=' + a(1).nodeValue + '|' "
                     "+ a.getNamedItem('p').value; })()",
                     "q=2|1"},
        FidelityCase{"SelectNodesCallFormAndIteration",
                     "(function () { var x = new ActiveXObject('Msxml2.DOMDocument.6.0'); x.loadXML('<r><i>1</i><i>2</i></r>'); "
                     "var list = x.selectNodes('//i'); var out = [list(0).text]; var n; while ((n = list.nextNode())) "
                     "out.push(n.text); list.reset(); out.push(list.nextNode().text); "
                     "for (var e = new Enumerator(list); !e.atEnd(); e.moveNext()) out.push(e.item().text); "
                     "return out.join(','); })()",
                     "1,1,2,1,1,2"},
        // Error descriptions as a Chinese Windows shows them.
        FidelityCase{"UndefinedDescription",
                     "(function () { try { zongji; } catch (e) { return (e.number & 0xFFFF) + '|' + e.description; } })()",
                     "5009|'zongji' 未定义"},
        FidelityCase{"ObjectExpectedDescription",
                     "(function () { try { null.x; } catch (e) { return (e.number & 0xFFFF) + '|' + e.description; } })()",
                     "5007|缺少对象"},
        FidelityCase{"SubscriptDescription",
                     "(function () { try { new VBArray([1]).getItem(3); } catch (e) { return e.description; } })()",
                     "下标越界"},
        FidelityCase{"OwnErrorKeepsItsText", "new Error(12, 'own').description", "own"}),
    [](const auto &info) { return std::string(info.param.name); });

struct SyntaxCase {
    const char *name;
    const char *line;
    int number;
    const char *description;
};

class JScriptSyntaxError : public ::testing::TestWithParam<SyntaxCase> {
};

// Syntax errors get JScript's own numbers where the engine's message tells
// which, and keep the script's line.
TEST_P(JScriptSyntaxError, NumberAndDescription)
{
    const SyntaxCase &c = GetParam();
    TScriptHost host;
    try {
        host.AddCode(QStringLiteral("var first = 1;\r\n%1\r\nvar last = 2;\r\n").arg(QString::fromUtf8(c.line)),
                     QStringLiteral("/rules/Syntax.js"));
        FAIL() << "compiled";
    } catch (const TScriptError &error) {
        EXPECT_EQ(error.Number(), c.number);
        EXPECT_EQ(error.Description(), QString::fromUtf8(c.description));
        EXPECT_EQ(error.Line(), 2);
        EXPECT_EQ(error.SourceText(), QString::fromUtf8(c.line));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, JScriptSyntaxError,
    ::testing::Values(SyntaxCase{"MissingSemicolon", "for (i = 0 i < 3; i++) {}", 1004, "缺少 ';'"},
                      SyntaxCase{"MissingCloseParen", "if (a { }", 1006, "缺少 ')'"},
                      SyntaxCase{"MissingCloseParenInCall", "f(1, 2;", 1006, "缺少 ')'"},
                      SyntaxCase{"MissingCloseBrace", "var o = {a: 1 b: 2};", 1009, "缺少 '}'"},
                      SyntaxCase{"UnterminatedDoubleQuoted", "var s = \"abc;", 1015, "未结束的字符串常量"},
                      SyntaxCase{"UnterminatedSingleQuoted", "x = 'abc' + 'def;", 1015, "未结束的字符串常量"},
                      SyntaxCase{"EscapedQuoteDoesNotEnd", "var s = 'it\\'s;", 1015, "未结束的字符串常量"},
                      SyntaxCase{"OtherSyntaxError", "var = ;", 1002, "语法错误"},
                      SyntaxCase{"StrayCharacter", "var a = #;", 1002, "语法错误"}),
    [](const auto &info) { return std::string(info.param.name); });

// A script's lines stay its own after declarations moved out of blocks:
// errors in the moved function, before it and after its scope name the
// lines and texts of the script.
TEST(JScriptDialectLines, MovedDeclarationsKeepTheirLines)
{
    TScriptHost host;
    host.AddCode(QStringLiteral("function outer(flag) {\r\n"   // 1
                                "  if (flag) {\r\n"            // 2
                                "    function inner() {\r\n"   // 3
                                "      return missingA;\r\n"   // 4
                                "    }\r\n"                    // 5
                                "  }\r\n"                      // 6
                                "  return inner();\r\n"        // 7
                                "}\r\n"                        // 8
                                "function after() {\r\n"       // 9
                                "  return missingB;\r\n"       // 10
                                "}\r\n"                        // 11
                                "try { function top() { return missingC; } } catch (e) {}\r\n"),  // 12
                 QStringLiteral("/rules/Moved.js"));
    const struct {
        const char *function;
        int line;
        const char *text;
    } cases[] = {
        {"outer", 4, "return missingA;"},
        {"after", 10, "return missingB;"},
        {"top", 12, "try { function top() { return missingC; } } catch (e) {}"},
    };
    for (const auto &c : cases) {
        try {
            host.Run(QString::fromLatin1(c.function), {false});
            ADD_FAILURE() << c.function << " ran";
        } catch (const TScriptError &error) {
            EXPECT_EQ(error.Number(), ScriptErrorNumber::UndefinedIdentifier) << c.function;
            EXPECT_EQ(error.Line(), c.line) << c.function;
            EXPECT_EQ(error.SourceText(), QString::fromLatin1(c.text)) << c.function;
        }
    }
}

// Text the dialect pass has nothing to do with comes back as it was: the
// constructs it looks for inside strings, comments and regular
// expressions, and everyday code.
TEST(JScriptDialectLines, TextWithoutTheConstructsIsUnchanged)
{
    const char *const texts[] = {
        "var s = 'if (x) { function f() {} }'; // d.Item(k) = v\r\n",
        "/* try { function g() {} } */ var r = /a(b)=c/; var n = 10.5 + 0x1F;\r\n",
        "function f(a) { if (a == 1) { return a(2) == 3; } var o = { m: function () {} }; }\r\n",
        "var x = a ? { p: 1 } : function () { return 2; };\r\n",
        "switch (k) { case 1: x = f(1); break; default: y = (2); }\r\n",
    };
    for (const char *text : texts) {
        const TDialectScript script = RewriteDialect(QString::fromLatin1(text));
        EXPECT_EQ(script.text, QString::fromLatin1(text));
        EXPECT_TRUE(script.sourceLines.isEmpty()) << text;
    }
}

} // namespace
