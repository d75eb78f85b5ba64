#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Utils.h"
#include "ScriptedPrompts.h"

#include <QRegularExpression>

#include "CaseNames.h"

#include <gtest/gtest.h>

struct CodeCase {
    const char *text;
    bool taxpayer;
    bool authority;
};

void PrintTo(const CodeCase &c, std::ostream *os) { *os << '"' << c.text << '"'; }

class CodeChecks : public ::testing::TestWithParam<CodeCase> {};

TEST_P(CodeChecks, AcceptOnlyWellFormedCodes)
{
    const CodeCase &c = GetParam();
    EXPECT_EQ(IsValidTaxpayerCode(QString::fromUtf8(c.text)), c.taxpayer) << c.text;
    EXPECT_EQ(IsValidAuthorityCode(QString::fromUtf8(c.text)), c.authority) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Codes, CodeChecks,
                         ::testing::Values(CodeCase{"12345678901234ab", true, false},   // 16, lower case ok
                                           CodeCase{"12345678901234", false, false},    // 14
                                           CodeCase{"123456789012345678901", false, false}, // 21
                                           CodeCase{"1234567890-234567", false, false},
                                           CodeCase{"1234567", false, true},
                                           CodeCase{"123456789", false, true},
                                           CodeCase{"12345678", false, false},
                                           CodeCase{"123456A", false, false},
                                           CodeCase{"", false, false}),
    [](const auto &info) { return CaseName(info.index, info.param.text); });

TEST(Periods, ValidityTable)
{
    for (const char *good : {"198001", "999912", "200601"})
        EXPECT_TRUE(IsValidPeriod(QString::fromLatin1(good))) << good;
    for (const char *bad : {"197912", "200613", "200600", "2006-1", "2006011", "20061", "", "2006+1", "abcdef"})
        EXPECT_FALSE(IsValidPeriod(QString::fromLatin1(bad))) << bad;
}

TEST(Periods, NextAndEnd)
{
    EXPECT_EQ(NextPeriod(QStringLiteral("200612")), QStringLiteral("200701"));
    EXPECT_EQ(NextPeriod(QStringLiteral("200601")), QStringLiteral("200602"));
    EXPECT_EQ(PeriodEndDate(QStringLiteral("200802")), QDateTime(QDate(2008, 2, 29), QTime(23, 59, 59, 999)));
    EXPECT_THROW(NextPeriod(QStringLiteral("200613")), TConversionError);
    EXPECT_THROW(PeriodEndDate(QStringLiteral("x")), TConversionError);
}

TEST(FileNames, ReportInterfaceAndPeriod)
{
    EXPECT_EQ(PeriodOfFileName(QStringLiteral("YSFPCGL200601.xml")), QStringLiteral("200601"));
    EXPECT_EQ(PeriodOfFileName(QStringLiteral("ab.xml")), QStringLiteral("ab"));
    EXPECT_EQ(ReportFileName(QStringLiteral("YSFPCGL"), QStringLiteral("200601")), QStringLiteral("YSFPCGL200601.xml"));
    EXPECT_EQ(InterfaceFilePath(QStringLiteral("YSFPCGL"), QStringLiteral("/w/out"), QStringLiteral("123"),
                                QStringLiteral("200601")),
              QStringLiteral("/w/out/YSFPCGL200601_123_JK.xml"));
}

TEST(TextConventions, BooleansAndGuids)
{
    EXPECT_EQ(BoolToText(true), QStringLiteral("True"));
    EXPECT_EQ(BoolToText(false), QStringLiteral("False"));
    EXPECT_TRUE(TextToBool(QStringLiteral(" true ")));
    EXPECT_FALSE(TextToBool(QStringLiteral("yes")));
    EXPECT_FALSE(TextToBool(QStringLiteral("1")));
    const QString guid = NewGuidText();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"))
                    .match(guid)
                    .hasMatch())
        << guid.toStdString();
    EXPECT_NE(guid, NewGuidText());
}

TEST(TextConventions, FormatTextPlaceholders)
{
    EXPECT_EQ(FormatText(QStringLiteral("结构定义文件 \"%S\" 不存在!"), {QStringLiteral("/a/b.xml")}),
              QStringLiteral("结构定义文件 \"/a/b.xml\" 不存在!"));
    EXPECT_EQ(FormatText(QStringLiteral("错误行号:%D,列号:%D"), {3, 14}), QStringLiteral("错误行号:3,列号:14"));
    EXPECT_EQ(FormatText(QStringLiteral("V%3.2f"), {2.4}), QStringLiteral("V2.40"));
    EXPECT_EQ(FormatText(QStringLiteral("100%%"), {}), QStringLiteral("100%"));
}

TEST(MessageBox, DefaultButtonsAndSeam)
{
    EXPECT_EQ(TMessageBox::DefaultButton(TMessageBox::WarningOkCancelDefaultCancel), TMessageBox::IdCancel);
    EXPECT_EQ(TMessageBox::DefaultButton(TMessageBox::WarningYesNoCancelDefaultNo), TMessageBox::IdNo);
    EXPECT_EQ(TMessageBox::DefaultButton(TMessageBox::QuestionYesNoCancel), TMessageBox::IdYes);
    EXPECT_EQ(TMessageBox::DefaultButton(TMessageBox::ErrorOk), TMessageBox::IdOk);

    ScriptedMessages messages;
    TMessageBox::SetApplicationTitle(QStringLiteral("标题"));
    messages.Answer(TMessageBox::IdNo);
    EXPECT_EQ(TMessageBox::ShowFmt(QStringLiteral("删除%S?"), {QStringLiteral("甲")}, TMessageBox::QuestionYesNo),
              TMessageBox::IdNo);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].caption, QStringLiteral("标题"));
    EXPECT_EQ(messages.shown()[0].text, QStringLiteral("删除甲?"));
}

TEST(TextConventions, AsciiCaseOnly)
{
    EXPECT_TRUE(SameTextIgnoringAsciiCase(QStringLiteral("ysfpCGL_jk.Xml"), QStringLiteral("YSFPCGL_JK.XML")));
    EXPECT_FALSE(SameTextIgnoringAsciiCase(QStringLiteral("Ａ"), QStringLiteral("ａ"))); // full-width letters are not ASCII
    EXPECT_FALSE(SameTextIgnoringAsciiCase(QStringLiteral("ab"), QStringLiteral("abc")));
    EXPECT_TRUE(SameTextIgnoringAsciiCase(QStringLiteral("纳税人a"), QStringLiteral("纳税人A")));
}
