#include "CaseNames.h"
#include "TempWorkspace.h"

#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "checker/DetailTable.h"
#include "reportdata/FooterRole.h"

#include <QDate>
#include <QFile>
#include <QSize>

#include <gtest/gtest.h>

#include <cstring>

namespace {

QByteArray Gbk(const QString &text) { return EncodeGbk(text); }

const char kRegister[] = R"(<?xml version="1.0" encoding="GBK"?>
<SCHEMAMANAGER>
  <SCHEMA NAME="OTHER" DS="OTHER.xml"/>
  <SCHEMA NAME="DEMO" CHSNAME="演示"/>
  <SCHEMA NAME="demo" DS="DEMO.xml"/>
</SCHEMAMANAGER>
)";

// One column of each kind: a text footer, integer and amount sums, an
// empty DISPWIDTH, a date, a boolean and a sum spelt in lower case.
const char kDefinitions[] = R"(<?xml version="1.0" encoding="GBK"?>
<FORM VERSION="1.00"><COLUMNS>
  <COLUMN NAME="MC"><CHSNAME>名称</CHSNAME><DATATYPE>TEXT</DATATYPE><DATASIZE>40</DATASIZE><DISPWIDTH>120</DISPWIDTH><FOOTER VALUE="合计" VALUETYPE="Text"/></COLUMN>
  <COLUMN NAME="SL"><CHSNAME>数量</CHSNAME><DATATYPE>integer</DATATYPE><DATASIZE></DATASIZE><DISPWIDTH>60</DISPWIDTH><FOOTER VALUE="" VALUETYPE="SUM"/></COLUMN>
  <COLUMN NAME="JE"><CHSNAME>金额</CHSNAME><DATATYPE>CURRENCY</DATATYPE><DATASIZE>0</DATASIZE><DISPWIDTH></DISPWIDTH><FOOTER VALUE="" VALUETYPE="Sum"/></COLUMN>
  <COLUMN NAME="RQ"><CHSNAME>日期</CHSNAME><DATATYPE>DATE</DATATYPE><DATASIZE>0</DATASIZE><DISPWIDTH>90</DISPWIDTH><FOOTER VALUE="x" VALUETYPE="Count"/></COLUMN>
  <COLUMN NAME="BZ"><CHSNAME>标志</CHSNAME><DATATYPE>BOOLEAN</DATATYPE><DATASIZE>0</DATASIZE><DISPWIDTH>40</DISPWIDTH><FOOTER VALUE="" VALUETYPE=""/></COLUMN>
  <COLUMN NAME="XS"><CHSNAME>系数</CHSNAME><DATATYPE>FLOAT</DATATYPE><DATASIZE>0</DATASIZE><DISPWIDTH>50</DISPWIDTH><FOOTER VALUE="" VALUETYPE="sum"/></COLUMN>
</COLUMNS></FORM>
)";

QByteArray InterfaceFile(const QString &records, const QString &rootAttributes = QStringLiteral(" CHSNAME=\"演示表\""),
                         const QString &taxpayerAttributes = QStringLiteral(" NSRMC=\"青岚公司\""))
{
    return Gbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<SCHEMA NAME=\"DEMO\"%1 CRC=\"X_CRC.XML\">"
                              "<TAXPAYER SWSBH=\"370211600123456\"%2><RECORDS>%3</RECORDS></TAXPAYER></SCHEMA>\n")
                   .arg(rootAttributes, taxpayerAttributes, records));
}

class DetailTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        workspace.MakeCurrent();
        workspace.Write(QStringLiteral("SchemaManager.xml"), Gbk(QString::fromUtf8(kRegister)));
        workspace.Write(QStringLiteral("DS/DEMO.xml"), Gbk(QString::fromUtf8(kDefinitions)));
    }
    std::unique_ptr<TDetailTable> Build(const QByteArray &bytes)
    {
        return TDetailTable::Build(workspace.Write(QStringLiteral("in/DEMO200601_X_JK.XML"), bytes));
    }
    static QString Footer(const TDetailTable &table, int column)
    {
        return table.headerData(column, Qt::Horizontal, kFooterRole).toString();
    }

    TempWorkspace workspace;
};

TEST_F(DetailTableTest, RowsAreTheRecordsWithValuesOfTheirColumnsTypes)
{
    const auto table = Build(InterfaceFile(QStringLiteral(
        "<RECORD MC=\"钢材\" SL=\"3\" JE=\"0.1\" RQ=\"2006-01-05\" BZ=\"True\" XS=\"1.5\" CRC=\"AB\"/>"
        "<NOTE MC=\"skipped\"/>"
        "<record MC=\"配件\" sl=\"7\" JE=\"0.2\" RQ=\"\" BZ=\"false\"/>")));

    EXPECT_EQ(table->Caption(), QStringLiteral("演示表[青岚公司]"));
    ASSERT_EQ(table->rowCount(), 2);
    ASSERT_EQ(table->columnCount(), 6);
    EXPECT_EQ(table->headerData(0, Qt::Horizontal).toString(), QStringLiteral("名称"));
    EXPECT_EQ(table->headerData(2, Qt::Horizontal, kFieldNameRole).toString(), QStringLiteral("JE"));

    EXPECT_EQ(table->Value(0, 0), QVariant(QStringLiteral("钢材")));
    EXPECT_EQ(table->Value(0, 1), QVariant(3));
    EXPECT_EQ(table->Value(0, 3), QVariant(QDate(2006, 1, 5)));
    EXPECT_EQ(table->Value(0, 4), QVariant(true));
    EXPECT_EQ(table->data(table->index(0, 4), Qt::CheckStateRole), QVariant(Qt::Checked));
    EXPECT_EQ(table->data(table->index(0, 5)).toString(), QStringLiteral("1.5"));
    // Numbers stand to the right; texts, dates and check boxes where the view puts them.
    EXPECT_EQ(table->data(table->index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
    EXPECT_FALSE(table->data(table->index(0, 0), Qt::TextAlignmentRole).isValid());
    EXPECT_FALSE(table->data(table->index(0, 4), Qt::DisplayRole).isValid());
    EXPECT_FALSE(table->data(table->index(0, 0), Qt::CheckStateRole).isValid());
    // An attribute spelt in another letter case is not the column's; an
    // empty or missing one leaves the cell empty.
    EXPECT_FALSE(table->Value(1, 1).isValid());
    EXPECT_FALSE(table->Value(1, 3).isValid());
    EXPECT_FALSE(table->Value(1, 5).isValid());
    EXPECT_EQ(table->data(table->index(1, 1)).toString(), QString());
    EXPECT_EQ(table->Value(1, 4), QVariant(false));

    EXPECT_FALSE(table->flags(table->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(table->setData(table->index(0, 0), QStringLiteral("x")));
}

TEST_F(DetailTableTest, FootersShowTextsAndExactSumsAndWidthsComeFromDispwidth)
{
    const auto table = Build(InterfaceFile(QStringLiteral(
        "<RECORD MC=\"a\" SL=\"3\" JE=\"0.1\" XS=\"0.1\"/><RECORD MC=\"b\" SL=\"-1\" JE=\"0.2\" XS=\"0.2\"/>"
        "<RECORD MC=\"c\" JE=\"1234567.005\"/>")));

    EXPECT_EQ(Footer(*table, 0), QStringLiteral("合计"));
    EXPECT_EQ(Footer(*table, 1), QStringLiteral("2"));
    EXPECT_EQ(Footer(*table, 2), QStringLiteral("1234567.31"));
    EXPECT_EQ(Footer(*table, 3), QString()); // a kind that is neither Text nor Sum
    EXPECT_EQ(Footer(*table, 4), QString());
    EXPECT_EQ(Footer(*table, 5), QStringLiteral("0.3"));
    EXPECT_EQ(table->headerData(5, Qt::Horizontal, kFooterAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
    EXPECT_EQ(table->headerData(0, Qt::Horizontal, kFooterAlignmentRole).toInt() & Qt::AlignLeft, int(Qt::AlignLeft));

    EXPECT_EQ(table->Columns()[0].width, 120);
    EXPECT_EQ(table->Columns()[2].width, 20);
    EXPECT_EQ(table->Columns()[1].size, 0);
}

TEST_F(DetailTableTest, EmptyRecordsGiveHeadersNoRowsAndEmptySums)
{
    const auto table = Build(InterfaceFile(QString(), QString(), QStringLiteral(" NSRMC=\"青岚公司\"")));
    EXPECT_EQ(table->Caption(), QStringLiteral("DetailForm[青岚公司]"));
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(table->columnCount(), 6);
    EXPECT_EQ(Footer(*table, 0), QStringLiteral("合计"));
    const QString sum = Footer(*table, 1);
    EXPECT_TRUE(sum.isEmpty() || sum == QStringLiteral("0")) << sum.toStdString();

    const auto plain = Build(InterfaceFile(QString(), QString(), QString()));
    EXPECT_EQ(plain->Caption(), QStringLiteral("DetailForm"));
}

// ---- The messages of the building ----

struct BuildCase {
    const char *name;
    // The interface file ("-": none written).
    const char *file;
    // The schema register and field definitions to use instead of the
    // fixture's ("-": removed).
    const char *registerText;
    const char *definitions;
    // The message; "%F" stands for the interface file's path, "%R" for the
    // register's, "%D" for the definitions'.
    const char *message;
};

const char kGoodFile[] = "<SCHEMA NAME=\"DEMO\"><TAXPAYER><RECORDS><RECORD SL=\"1\"/></RECORDS></TAXPAYER></SCHEMA>";

const BuildCase kBuildCases[] = {
    {"file missing", "-", nullptr, nullptr, "文件\"%F\"不存在!"},
    {"root without children", "<SCHEMA NAME=\"DEMO\"></SCHEMA>", nullptr, nullptr, "数据不存在!"},
    {"root not SCHEMA", "<Schema NAME=\"DEMO\"><TAXPAYER/></Schema>", nullptr, nullptr, "当前文件格式不符!"},
    {"root without NAME", "<SCHEMA CHSNAME=\"x\"><TAXPAYER/></SCHEMA>", nullptr, nullptr, "文件格式错误:模式名不存在!"},
    {"register missing", kGoodFile, "-", nullptr, "文件\"%R\"不存在!"},
    {"register without entries", kGoodFile, "<SCHEMAMANAGER/>", nullptr, "数据模板管理器数据不存在!"},
    {"schema not registered", "<SCHEMA NAME=\"NONE\"><TAXPAYER/></SCHEMA>", nullptr, nullptr,
     "数据模板管理器中未定义当前模式!"},
    {"register entry with empty DS", kGoodFile, "<R><SCHEMA NAME=\"DEMO\" DS=\"\"/><SCHEMA NAME=\"DEMO\" DS=\"DEMO.xml\"/></R>",
     nullptr, "数据模板管理器中未定义当前模式!"},
    {"definitions missing", kGoodFile, nullptr, "-", "文件\"%D\"不存在!"},
    {"definitions without children", kGoodFile, nullptr, "<FORM/>", "文件%D格式错误!"},
    {"definitions without COLUMNS", kGoodFile, nullptr, "<FORM><KEYFIELDS/></FORM>", "文件%D格式错误!"},
    {"DISPWIDTH not a number", kGoodFile, nullptr,
     "<FORM><COLUMNS><COLUMN NAME=\"SL\"><DATATYPE>INTEGER</DATATYPE><DISPWIDTH>8O</DISPWIDTH></COLUMN></COLUMNS></FORM>",
     "\"8O\"不是有效的整数值"},
    {"DATASIZE not a number", kGoodFile, nullptr,
     "<FORM><COLUMNS><COLUMN NAME=\"SL\"><DATATYPE>TEXT</DATATYPE><DATASIZE>ten</DATASIZE></COLUMN></COLUMNS></FORM>",
     "\"ten\"不是有效的整数值"},
    {"unknown DATATYPE", kGoodFile, nullptr,
     "<FORM><COLUMNS><COLUMN NAME=\"SL\"><DATATYPE>MONEY</DATATYPE></COLUMN></COLUMNS></FORM>",
     "系统不支持字段类型\"MONEY\"!"},
    {"first child not TAXPAYER", "<SCHEMA NAME=\"DEMO\"><RECORDS/></SCHEMA>", nullptr, nullptr, "文件\"%F\"格式不符!"},
    {"TAXPAYER without RECORDS first", "<SCHEMA NAME=\"DEMO\"><taxpayer><HEAD/><RECORDS/></taxpayer></SCHEMA>", nullptr,
     nullptr, "文件\"%F\"格式不符!"},
    {"value not of the column's type", "<SCHEMA NAME=\"DEMO\"><TAXPAYER><RECORDS><RECORD SL=\"1.5\"/></RECORDS></TAXPAYER></SCHEMA>",
     nullptr, nullptr, "\"1.5\"不是有效的整数值"},
    {"date that is no date", "<SCHEMA NAME=\"DEMO\"><TAXPAYER><RECORDS><RECORD RQ=\"2006-13-01\"/></RECORDS></TAXPAYER></SCHEMA>",
     nullptr, nullptr, "\"2006-13-01\"不是有效的日期"},
};

void PrintTo(const BuildCase &c, std::ostream *os) { *os << c.name; }

class DetailTableBuildTest : public DetailTableTest, public ::testing::WithParamInterface<BuildCase> {};

TEST_P(DetailTableBuildTest, FailsWithItsMessage)
{
    const BuildCase &c = GetParam();
    const QString file = workspace.file(QStringLiteral("in/DEMO_JK.XML"));
    if (std::strcmp(c.file, "-") != 0)
        workspace.Write(QStringLiteral("in/DEMO_JK.XML"), QByteArray(c.file));
    const QString registerPath = workspace.file(QStringLiteral("SchemaManager.xml"));
    const QString definitionsPath = workspace.file(QStringLiteral("DS/DEMO.xml"));
    if (c.registerText) {
        if (std::strcmp(c.registerText, "-") == 0)
            QFile::remove(registerPath);
        else
            workspace.Write(QStringLiteral("SchemaManager.xml"), QByteArray(c.registerText));
    }
    if (c.definitions) {
        if (std::strcmp(c.definitions, "-") == 0)
            QFile::remove(definitionsPath);
        else
            workspace.Write(QStringLiteral("DS/DEMO.xml"), QByteArray(c.definitions));
    }
    const QString expected = QString::fromUtf8(c.message)
                                 .replace(QStringLiteral("%F"), file)
                                 .replace(QStringLiteral("%R"), registerPath)
                                 .replace(QStringLiteral("%D"), definitionsPath);
    try {
        TDetailTable::Build(file);
        ADD_FAILURE() << "built";
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Messages, DetailTableBuildTest, ::testing::ValuesIn(kBuildCases),
                         [](const auto &info) { return CaseName(info.index, info.param.name); });

TEST_F(DetailTableTest, ValuesWithEntitiesAndCharacterReferencesReadWhole)
{
    const auto table = Build(Gbk(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<!DOCTYPE SCHEMA [<!ENTITY co \"青岚\">]>\n"
        "<SCHEMA NAME=\"DEMO\"><TAXPAYER><RECORDS><RECORD MC=\"&co;&amp;&#x4E2D;\" SL=\"&#52;2\"/></RECORDS></TAXPAYER></SCHEMA>")));
    EXPECT_EQ(table->Value(0, 0), QVariant(QStringLiteral("青岚&中")));
    EXPECT_EQ(table->Value(0, 1), QVariant(42));
}

} // namespace
