#include "ReportFixtures.h"

#include "app/utils/Errors.h"
#include "reportdata/XmlFieldDefine.h"
#include "xml/XmlDocument.h"

#include "CaseNames.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

TXMLFORMType FormOf(TXMLDocument &document) { return TXMLFORMType(document.DocumentElement().Raw()); }

std::unique_ptr<TXMLDocument> Parse(const QString &xml) { return TXMLDocument::FromText(xml); }

TEST(FieldDefinitions, FieldListFollowsTheColumns)
{
    auto document = Parse(Definition(InvoiceColumns() + Column("LOWER", "integer")));
    const std::vector<TFieldDef> fields = BuildFieldList(FormOf(*document));
    ASSERT_EQ(fields.size(), 8u);
    EXPECT_EQ(fields[0].name, "NAME");
    EXPECT_EQ(fields[0].label, "名称");
    EXPECT_EQ(fields[0].type, TFieldType::Text);
    EXPECT_EQ(fields[0].size, 10);
    EXPECT_EQ(fields[0].comment, "NAME hint");
    EXPECT_EQ(fields[3].type, TFieldType::Currency);
    EXPECT_EQ(fields[5].type, TFieldType::Boolean);
    EXPECT_EQ(fields[5].size, 0);
    EXPECT_EQ(fields[6].label, "TOTAL"); // no caption: the name is shown
    EXPECT_EQ(fields[7].type, TFieldType::Integer); // letter case of DATATYPE ignored
    EXPECT_EQ(fields[7].size, 0);
}

struct BadColumn {
    const char *what;
    QString column;
    QString message; // the error message contains this
    bool conversion; // a TConversionError (else any TUserError)
};

void PrintTo(const BadColumn &c, std::ostream *os) { *os << c.what; }

class FieldListErrors : public ::testing::TestWithParam<BadColumn> {};

TEST_P(FieldListErrors, StopTheFieldList)
{
    const BadColumn &c = GetParam();
    auto document = Parse(Definition(Column("FIRST", "TEXT", "5") + c.column));
    try {
        BuildFieldList(FormOf(*document));
        FAIL() << "expected an error";
    } catch (const TConversionError &error) {
        EXPECT_TRUE(c.conversion) << error.Message().toStdString();
        EXPECT_TRUE(error.Message().contains(c.message)) << error.Message().toStdString();
    } catch (const TUserError &error) {
        EXPECT_FALSE(c.conversion) << error.Message().toStdString();
        EXPECT_TRUE(error.Message().contains(c.message)) << error.Message().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Columns, FieldListErrors,
    ::testing::Values(
        BadColumn{"unknown type", Column("B", "BOOL", "0"), QStringLiteral("系统不支持字段类型\"BOOL\"!"), false},
        BadColumn{"empty type", Column("B", ""), QStringLiteral("系统不支持字段类型\"\"!"), false},
        BadColumn{"empty name", Column("", "TEXT", "5"), QStringLiteral("字段名为空"), false},
        BadColumn{"repeated name", Column("first", "INTEGER"), QStringLiteral("字段名\"first\"重复"), false},
        BadColumn{"name that is no element name", Column("A B", "INTEGER"), QStringLiteral("字段名\"A B\"无效"), false},
        BadColumn{"text size not a number", Column("T", "TEXT", "abc"), QStringLiteral("\"abc\""), true},
        BadColumn{"boolean size empty", Column("B", "BOOLEAN", ""), QStringLiteral("\"\""), true},
        BadColumn{"boolean size not 0", Column("B", "BOOLEAN", "1"), QStringLiteral("长度1无效"), false},
        BadColumn{"negative text size", Column("T", "TEXT", "-1"), QStringLiteral("长度-1无效"), false}),
    [](const auto &info) { return CaseName(info.index, info.param.what); });

TEST(FieldDefinitions, KeyFieldsAreTrimmedNames)
{
    EXPECT_EQ(SplitKeyFields(" NAME ; QTY ;"), QStringList({"NAME", "QTY"}));
    EXPECT_TRUE(SplitKeyFields("   ").isEmpty());
}

TEST(FieldDefinitions, ConfirmNamesColumnsInItsOrder)
{
    const struct {
        const char *confirm;
        QStringList columns;
    } cases[] = {
        {"NAME;QTY;", {"NAME", "QTY"}},        // a trailing ";"
        {"NAME; QTY", {"NAME"}},               // names are not trimmed: " QTY" is no column
        {"qty;NOPE;NAME", {"QTY", "NAME"}},     // unknown names skipped, case ignored
        {"NAME;;NAME", {"NAME", "NAME"}},       // listed twice: two entries
        {"   ", {}},
        {"", {}},
    };
    for (const auto &c : cases) {
        auto document = Parse(Definition(InvoiceColumns(), QString(), QString::fromUtf8(c.confirm)));
        QStringList names;
        for (const TXMLCOLUMNType &column : ConfirmColumns(FormOf(*document)))
            names << column.NAME();
        EXPECT_EQ(names, c.columns) << c.confirm;
    }
}

TEST(FieldDefinitions, ComputedRuleSplitsAtTheEqualsSign)
{
    QString target;
    QString function;
    EXPECT_TRUE(ParseComputedRule(" TOTAL = CalcTotal ", &target, &function));
    EXPECT_EQ(target, "TOTAL");
    EXPECT_EQ(function, "CalcTotal");
    EXPECT_FALSE(ParseComputedRule("CalcTotal", &target, &function));
    EXPECT_FALSE(ParseComputedRule("=CalcTotal", &target, &function));
    EXPECT_FALSE(ParseComputedRule("   ", &target, &function));
}

TEST(FieldDefinitions, BindingsReadWithoutAddingElements)
{
    auto document = Parse("<FORM VERSION=\"2\"><COLUMNS><COLUMN NAME=\"A\"/></COLUMNS></FORM>");
    TXMLFORMType form = FormOf(*document);
    EXPECT_EQ(form.VERSION(), "2");
    EXPECT_EQ(form.KEYFIELDS(), "");
    const TXMLCOLUMNType column = form.COLUMNS().Get(0);
    EXPECT_EQ(column.FOOTER().VALUETYPE(), "");
    EXPECT_EQ(column.CHSNAME(), "");
    EXPECT_FALSE(document->Modified());
    form.EnsureCOLUMNS().Add().SetNAME("B");
    EXPECT_EQ(form.COLUMNS().Count(), 2);
}

} // namespace
