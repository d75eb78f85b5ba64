#include "ScriptTestSupport.h"

#include "entry/ScriptErrors.h"
#include "entry/ScriptPreprocessor.h"

#include <gtest/gtest.h>

namespace {

TEST(ScriptPreprocessorTest, TextWithoutConditionalCompilationIsUnchanged)
{
    TScriptPreprocessor preprocessor;
    const QString text = QStringLiteral("var mail = /\\w+@\\w+/; // @if\r\nvar s = '@end';\r\n");
    EXPECT_EQ(preprocessor.Process(text), text);
    EXPECT_FALSE(preprocessor.Enabled());
}

// Each output line with its blank runs collapsed, lines joined by "\n".
QString Collapsed(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = line.simplified();
    return lines.join(QLatin1Char('\n'));
}

TEST(ScriptPreprocessorTest, ResolvesBranchesAndKeepsEveryLine)
{
    const struct {
        const char *input;
        const char *output;  // collapsed
        bool samePositions;  // no variable substituted: every character stays in its column
    } cases[] = {
        // The usual guard: code only the dialect sees.
        {"/*@cc_on\n@if (@_jscript_version >= 5)\nvar v = 5;\n@else\nvar v = 3;\n@end\n@*/",
         "\n\nvar v = 5;\n\n\n\n", true},
        {"/*@cc_on @*/\n/*@if (@_win32) a(); @elif (@_mac) b(); @else c(); @end @*/", "\na();", true},
        // Unknown variables are NaN; @elif picks the first true branch.
        {"/*@cc_on @if (@_nothing) a(); @elif (!@_nothing) b(); @end @*/", "b();", true},
        // Variables in code, @set, and a //@ line of code.
        {"/*@cc_on @set @level = 2 * 3 @*/\n//@ var x = @level, j = @_jscript;", "\nvar x = 6, j = true;", false},
        // The classic trick: code outside the comment in the branch not taken.
        {"/*@cc_on @if (@_jscript) a(); @else @*/ b(); /*@ @end @*/", "a();", true},
        {"/*@cc_on @if (!@_jscript) a(); @else @*/ b(); /*@ @end @*/", "b();", true},
        // Nested branches.
        {"/*@cc_on @if (@_win32) @if (@_jscript_version < 5) old(); @else new5(); @end @end @*/", "new5();", true},
        // Comments and strings inside conditional code are left alone.
        {"/*@cc_on /* note @end */ var s = '@x'; @*/", "/* note @end */ var s = '@x';", true},
    };
    for (const auto &c : cases) {
        TScriptPreprocessor preprocessor;
        const QString input = QString::fromLatin1(c.input);
        const QString output = preprocessor.Process(input);
        EXPECT_EQ(Collapsed(output), QString::fromLatin1(c.output)) << c.input;
        const QStringList inLines = input.split(QLatin1Char('\n'));
        const QStringList outLines = output.split(QLatin1Char('\n'));
        ASSERT_EQ(outLines.size(), inLines.size()) << c.input;
        if (!c.samePositions)
            continue;
        for (qsizetype i = 0; i < inLines.size(); ++i) {
            EXPECT_EQ(outLines.at(i).size(), inLines.at(i).size()) << c.input;
            const QString kept = outLines.at(i).trimmed();
            if (!kept.isEmpty()) {
                EXPECT_EQ(inLines.at(i).indexOf(kept), outLines.at(i).indexOf(kept)) << c.input;
            }
        }
    }
}

TEST(ScriptPreprocessorTest, StateCarriesOverToLaterCode)
{
    TScriptPreprocessor preprocessor;
    preprocessor.Process(QStringLiteral("/*@cc_on @set @debug = true @*/"));
    EXPECT_TRUE(preprocessor.Enabled());
    // Once on, "/*@" comments hold code without a new @cc_on.
    EXPECT_EQ(Collapsed(preprocessor.Process(QStringLiteral("/*@ @if (@debug) log(); @end @*/"))),
              QStringLiteral("log();"));
}

TEST(ScriptPreprocessorTest, MalformedDirectivesAreSyntaxErrors)
{
    const struct {
        const char *input;
        int line;
    } cases[] = {
        {"/*@cc_on\n@end @*/", 2},
        {"/*@cc_on\n\n@if (@_jscript) a();\n@*/", 3},
        {"/*@cc_on @if @_jscript a(); @end @*/", 1},
        {"/*@cc_on @else @*/", 1},
        {"/*@cc_on\n@if (@_jscript +) a(); @end @*/", 2},
        {"/*@cc_on @set x = 1 @*/", 1},
    };
    for (const auto &c : cases) {
        TScriptPreprocessor preprocessor;
        try {
            preprocessor.Process(QString::fromLatin1(c.input));
            ADD_FAILURE() << c.input;
        } catch (const TScriptError &error) {
            EXPECT_EQ(error.Number(), ScriptErrorNumber::SyntaxError) << c.input;
            EXPECT_EQ(error.Line(), c.line) << c.input;
        }
    }
}

} // namespace
