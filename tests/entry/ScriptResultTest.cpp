#include "entry/ScriptResult.h"

#include <QDateTime>
#include <QVariantList>

#include <gtest/gtest.h>

namespace {

TEST(ScriptResultTest, ComparesLikeVariants)
{
    const struct {
        QVariant result;
        bool is8888;
        bool isZero;
        const char *what;
    } cases[] = {
        {QVariant(8888), true, false, "integer 8888"},
        {QVariant(8888.0), true, false, "float 8888"},
        {QVariant(0), false, true, "integer 0"},
        {QVariant(0.0), false, true, "float 0"},
        {QVariant(1), false, false, "integer 1"},
        {QVariant(0.5), false, false, "float 0.5"},
        {QVariant(false), false, true, "false"},
        {QVariant(true), false, false, "true"},
        {QVariant(QStringLiteral("8888")), true, false, "text 8888"},
        {QVariant(QStringLiteral(" 0 ")), false, true, "text 0 with blanks"},
        {QVariant(QStringLiteral("")), false, true, "empty text"},
        {QVariant(QStringLiteral("0x22B8")), true, false, "hexadecimal text"},
        {QVariant(QStringLiteral("abc")), false, false, "text that is no number"},
        {QVariant(QStringLiteral("1,5")), false, false, "comma decimal"},
        {QVariant(), false, true, "empty result"},
        {QVariant::fromValue(nullptr), false, false, "null"},
        {QVariant(QDateTime(QDate(2024, 1, 1), QTime(0, 0))), false, false, "date"},
        {QVariant(QVariantList{0}), false, false, "array"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ScriptResultIs(c.result, 8888), c.is8888) << c.what;
        EXPECT_EQ(ScriptResultIs(c.result, 0), c.isZero) << c.what;
    }
}

TEST(ScriptResultTest, TextOfResults)
{
    const struct {
        QVariant result;
        const char *text;
    } cases[] = {
        {QVariant(12), "12"},
        {QVariant(-3), "-3"},
        {QVariant(12.0), "12"},
        {QVariant(0.1 + 0.2), "0.3"},
        {QVariant(1234.5), "1234.5"},
        {QVariant(4294967296.0), "4294967296"},
        {QVariant(QStringLiteral("A1B2")), "A1B2"},
        {QVariant(true), "True"},
        {QVariant(false), "False"},
        {QVariant(), ""},
        {QVariant::fromValue(nullptr), ""},
        {QVariant(QDateTime(QDate(2024, 2, 29), QTime(0, 0))), "2024-02-29"},
        {QVariant(QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9))), "2024-02-29 13:05:09"},
        {QVariant(QVariantList{1, QStringLiteral("b")}), "1,b"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScriptResultText(c.result), QString::fromUtf8(c.text)) << c.text;
}

TEST(ScriptResultTest, FunctionNamesUseLowerCaseSchemaNames)
{
    EXPECT_EQ(ScriptFunctionName(QStringLiteral("Abc"), QStringLiteral("_OnBeforePost")),
              QStringLiteral("abc_OnBeforePost"));
    EXPECT_EQ(ScriptFunctionName(QStringLiteral("XYZ_Q1"), QStringLiteral("_OnCRC")), QStringLiteral("xyz_q1_OnCRC"));
    // Only ASCII letters change.
    EXPECT_EQ(ScriptFunctionName(QStringLiteral("ÄB"), QStringLiteral("_OnAuditFile")),
              QStringLiteral("Äb_OnAuditFile"));
}

} // namespace
