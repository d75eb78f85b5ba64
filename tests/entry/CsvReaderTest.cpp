// Rows of CSV files and of pasted spreadsheet cells: quoting, line ends,
// encodings, and the lines rows begin on.

#include "CaseNames.h"
#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "entry/CsvReader.h"

#include <gtest/gtest.h>

namespace {

struct CsvCase {
    const char *name;
    QByteArray bytes;
    QList<QStringList> rows;
    QList<int> lines;
};

class CsvTextTest : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvTextTest, ReadsRowsAndTheirLines)
{
    QList<int> lines;
    EXPECT_EQ(ReadCsvText(GetParam().bytes, &lines), GetParam().rows);
    EXPECT_EQ(lines, GetParam().lines);
}

const QString kName = QStringLiteral("远驰运输有限公司");

const CsvCase kCsvCases[] = {
    {"plain LF", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}, {1, 2}},
    {"CR LF without a final line end", "a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}, {1, 2}},
    {"empty fields", ",a,\n", {{"", "a", ""}}, {1}},
    {"an empty line inside is a row", "a\n\nb\n", {{"a"}, {""}, {"b"}}, {1, 2, 3}},
    {"quoted separator and doubled quotes", "\"a,b\",\"say \"\"hi\"\"\"\n", {{"a,b", "say \"hi\""}}, {1}},
    {"line end inside quotes", "\"one\r\ntwo\",x\r\nnext,y\r\n", {{"one\r\ntwo", "x"}, {"next", "y"}}, {1, 3}},
    {"quote inside an unquoted field", "5\" pipe,a\n", {{"5\" pipe", "a"}}, {1}},
    {"text after a closing quote", "\"ab\"c,d\n", {{"abc", "d"}}, {1}},
    {"unterminated quote runs to the end", "\"ab\nc", {{"ab\nc"}}, {1}},
    {"cells are not trimmed", " a , b \n", {{" a ", " b "}}, {1}},
    {"nothing", "", {}, {}},
    {"UTF-8 with BOM", "\xEF\xBB\xBF" + kName.toUtf8() + ",1\n", {{kName, "1"}}, {1}},
    {"UTF-8 without BOM", kName.toUtf8() + "\n", {{kName}}, {1}},
    {"GBK", EncodeGbk(kName + QStringLiteral(",\"") + kName + QStringLiteral("\"\r\n")), {{kName, kName}}, {1}},
};

INSTANTIATE_TEST_SUITE_P(Csv, CsvTextTest, ::testing::ValuesIn(kCsvCases),
                         [](const auto &info) { return CaseName(info.index, info.param.name); });

TEST(CsvFile, AMissingFileIsAFileError)
{
    EXPECT_THROW(ReadCsvFile(QStringLiteral("/nonexistent/rows.csv")), TFileError);
}

TEST(PastedCells, TabsQuotedCellsAndATrailingLineEnd)
{
    QList<int> lines;
    const QList<QStringList> rows =
        ParseTabText(QStringLiteral("a\tb,c\t\"two\nlines\"\r\n\t\"tab\there\"\r\n"), &lines);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], (QStringList{"a", "b,c", "two\nlines"}));
    EXPECT_EQ(rows[1], (QStringList{"", "tab\there"}));
    EXPECT_EQ(lines, (QList<int>{1, 3}));
}

} // namespace
