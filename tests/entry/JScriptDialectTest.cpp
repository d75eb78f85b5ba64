#include "ScriptTestSupport.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

TEST(JScriptDialectTest, ErrorObjectsCarryNumberAndDescription)
{
    TScriptHost host;
    const struct {
        const char *body;
        const char *result;
    } cases[] = {
        {"try { undefinedThing; } catch (e) {\n"
         "  return (e.number & 0xFFFF) + '|' + (e.number >> 16 & 0xFFFF).toString(16) + '|' + e.description\n"
         "         + '|' + (e instanceof Error);\n"
         "}",
         "5009|800a|'undefinedThing' 未定义|true"},
        {"var e = new Error(12, 'own'); return [e.number, e.description, e.message, e instanceof Error].join('|');",
         "12|own|own|true"},
        {"var e = new Error('plain'); return [e.number, e.description, e.message].join('|');", "0|plain|plain"},
        {"var e = Error(); return [e.number, e.description === '', String(e)].join('|');", "0|true|Error"},
        {"try { new ActiveXObject('No.Such.Thing'); } catch (e) { return (e.number & 0xFFFF) + '|' + e.description; }",
         "429|Automation 服务器不能创建对象"},
        {"try { null.x; } catch (e) { e.description = 'changed'; return e.description + '|' + (e.number & 0xFFFF); }",
         "changed|5007"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RunBody(host, QString::fromUtf8(c.body)).toString(), QString::fromUtf8(c.result)) << c.body;
}

TEST(JScriptDialectTest, EnumeratorAndVBArray)
{
    TScriptHost host;
    const struct {
        const char *body;
        const char *result;
    } cases[] = {
        {"var out = [];\n"
         "for (var e = new Enumerator([3, 4, 5]); !e.atEnd(); e.moveNext()) out.push(e.item());\n"
         "e.moveFirst(); out.push(e.item());\n"
         "return out.join(',');",
         "3,4,5,3"},
        {"var e = new Enumerator([]); return e.atEnd() + '|' + e.item();", "true|undefined"},
        {"var v = new VBArray([7, 8, 9]);\n"
         "return [v.dimensions(), v.lbound(), v.ubound(1), v.getItem(2), v.toArray().length].join(',');",
         "1,0,2,9,3"},
        {"try { new VBArray([1]).getItem(1); } catch (e) { return e.number & 0xFFFF; }", "9"},
        {"try { new VBArray('abc'); } catch (e) { return e.number & 0xFFFF; }", "5013"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RunBody(host, QString::fromUtf8(c.body)).toString(), QString::fromUtf8(c.result)) << c.body;
}

TEST(JScriptDialectTest, DatesAndEngineIdentity)
{
    TScriptHost host;
    EXPECT_EQ(RunBody(host, QStringLiteral("return [new Date(2024, 0, 1).getYear(), new Date(1999, 5, 1).getYear(),\n"
                                           "        new Date(1850, 0, 1).getYear()].join(',');"))
                  .toString(),
              QStringLiteral("2024,99,1850"));
    EXPECT_EQ(RunBody(host, QStringLiteral("return new Date(2024, 1, 29, 13, 0, 0).getVarDate();")),
              QVariant(QDateTime(QDate(2024, 2, 29), QTime(13, 0))));
    EXPECT_EQ(RunBody(host, QStringLiteral("return ScriptEngine() + ' ' + ScriptEngineMajorVersion() + '.' +\n"
                                           "       ScriptEngineMinorVersion() + ' ' + typeof ScriptEngineBuildVersion();"))
                  .toString(),
              QStringLiteral("JScript 5.8 number"));
}

TEST(JScriptDialectTest, ConditionalCompilationKeepsLineNumbers)
{
    TScriptHost host;
    host.AddCode(QStringLiteral("/*@cc_on\r\n"
                                "  @if (@_jscript_version >= 5.5)\r\n"
                                "    var flavour = 'modern';\r\n"
                                "  @else\r\n"
                                "    var flavour = 'old';\r\n"
                                "  @end\r\n"
                                "@*/\r\n"
                                "function which() { return flavour; }\r\n"
                                "function broken() {\r\n"
                                "  return flavour.nothing.here;\r\n"
                                "}\r\n"),
                 QStringLiteral("/rules/cc.js"));
    EXPECT_EQ(host.Run(QStringLiteral("which"), {}).toString(), QStringLiteral("modern"));
    try {
        host.Run(QStringLiteral("broken"), {});
        FAIL();
    } catch (const TScriptError &error) {
        EXPECT_EQ(error.Number(), 5007);
        EXPECT_EQ(error.Line(), 10);
        EXPECT_EQ(error.SourceText(), QStringLiteral("return flavour.nothing.here;"));
    }
}

TEST(JScriptDialectTest, MalformedConditionalCompilationIsASyntaxError)
{
    TScriptHost host;
    try {
        host.AddCode(QStringLiteral("var a = 1;\n/*@cc_on\n@if (@_jscript)\nvar b = 2;\n@*/\n"), QStringLiteral("/rules/open.js"));
        FAIL();
    } catch (const TScriptError &error) {
        EXPECT_EQ(error.Number(), ScriptErrorNumber::SyntaxError);
        EXPECT_EQ(error.Line(), 3);
        EXPECT_EQ(error.SourceText(), QStringLiteral("@if (@_jscript)"));
    }
}

} // namespace
