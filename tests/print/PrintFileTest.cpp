#include "print/Print.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/TextFile.h"
#include "documents/XmlSchemaManager.h"
#include "CaseNames.h"
#include "ScriptedPrompts.h"
#include "TempWorkspace.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kFixedAssetQuestion = QStringLiteral("按[确定]打印固定资产清单,按[取消]打印非固定资产清单。");

// Field definitions with the given column names.
QByteArray FieldDefinitions(const QStringList &columns)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<FORM VERSION=\"1\"><COLUMNS>");
    for (const QString &name : columns)
        text += QStringLiteral("<COLUMN NAME=\"%1\"><CHSNAME>列</CHSNAME><DATATYPE>TEXT</DATATYPE></COLUMN>").arg(name);
    return EncodeGbk(text + QStringLiteral("</COLUMNS></FORM>\n"));
}

// An interface file as the declare command writes it (LF line ends).
QByteArray InterfaceFile(const QString &schema, const QString &rootTag = QStringLiteral("SCHEMA NAME"))
{
    const QString root = rootTag.section(QLatin1Char(' '), 0, 0);
    return EncodeGbk(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
        "<!DOCTYPE %3 SYSTEM \"%1JK.dtd\">\n"
        "<%2=\"%1\" CHSNAME=\"测试清单\" SSSQ=\"200601\" CRC=\"%1_CRC.XML\">\n"
        "  <TAXPAYER SWSBH=\"370211600123456\" NSRMC=\"青岚机械\" SBRQ=\"2006-02-08\" RECORDCOUNT=\"0\"/>\n"
        "</%3>\n").arg(schema, rootTag, root));
}

// A workspace with two schemas: HGWSPZ without and YSFPCGL with a fixed-asset
// column (named in lower case, and its DS name in another case than the file).
class PrintFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws.MakeCurrent();
        ws.Write(QStringLiteral("SchemaManager.xml"), EncodeGbk(QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<SCHEMAMANAGER>"
            "<SCHEMA NAME=\"HGWSPZ\" CHSNAME=\"海关完税凭证\" DS=\"HGWSPZ.xml\"/>"
            "<SCHEMA NAME=\"YSFPCGL\" CHSNAME=\"运输发票清单\" DS=\"ysfpcgl.XML\"/>"
            "<SCHEMA NAME=\"LOST\" CHSNAME=\"缺定义\" DS=\"LOST.xml\"/>"
            "</SCHEMAMANAGER>\n")));
        ws.Write(QStringLiteral("DS/HGWSPZ.xml"), FieldDefinitions({"JKSHM", "SE"}));
        ws.Write(QStringLiteral("DS/YSFPCGL.xml"), FieldDefinitions({"FPHM", "gdzcxm", "KCSE"}));
        schemas.Open(ws.file(QStringLiteral("SchemaManager.xml")));
    }

    QString Interface(const QString &schema)
    {
        return ws.Write(QStringLiteral("数据上报/200601/%1200601_370211600123456_JK.XML").arg(schema),
                        InterfaceFile(schema));
    }

    TempWorkspace ws;
    TSchemaRegister schemas;
};

struct InstructionCase {
    const char *name;
    const char *schema;
    const char *collectionType;
    const char *printStyle;
    TFixedAssetChoice choice;
    int answer;         // to the fixed-asset question, when asked
    bool asks;
    const char *href;
};

void PrintTo(const InstructionCase &c, std::ostream *os) { *os << c.name; }

class PrintInstructionTest : public PrintFileTest, public ::testing::WithParamInterface<InstructionCase> {};

TEST_P(PrintInstructionTest, NamesTheStyleSheetOfSchemaTypeListAndStyle)
{
    const InstructionCase &c = GetParam();
    ScriptedMessages messages;
    messages.Answer(c.answer);
    const QString printFile = PreparePrintFile(Interface(QString::fromUtf8(c.schema).toUpper()),
                                               QString::fromUtf8(c.collectionType), QString::fromUtf8(c.schema),
                                               QString::fromUtf8(c.printStyle), schemas, c.choice);

    EXPECT_EQ(printFile, ws.file(QStringLiteral("DS/print.xml")));
    EXPECT_EQ(PrintStyleSheetName(printFile), QString::fromUtf8(c.href));
    if (c.asks) {
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.last(), kFixedAssetQuestion);
        EXPECT_EQ(messages.shown().first().flags, int(TMessageBox::QuestionOkCancel));
    } else {
        EXPECT_TRUE(messages.shown().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, PrintInstructionTest, ::testing::Values(
    InstructionCase{"no fixed assets 98 CGZK", "HGWSPZ", "CGZK", "98", TFixedAssetChoice::Ask, 0, false, "HGWSPZCGZKJK98.xslt"},
    InstructionCase{"no fixed assets XP DLZK", "HGWSPZ", "DLZK", "XP", TFixedAssetChoice::Ask, 0, false, "HGWSPZDLZKJKXP.xslt"},
    InstructionCase{"no fixed assets ignores a choice", "HGWSPZ", "DLZK", "98", TFixedAssetChoice::FixedAssets, 0, false, "HGWSPZDLZKJK98.xslt"},
    InstructionCase{"schema named in lower case", "hgwspz", "DLZK", "98", TFixedAssetChoice::Ask, 0, false, "hgwspzDLZKJK98.xslt"},
    InstructionCase{"fixed assets asked OK", "YSFPCGL", "DLZK", "98", TFixedAssetChoice::Ask, TMessageBox::IdOk, true, "YSFPCGLDLZKJK198.xslt"},
    InstructionCase{"fixed assets asked Cancel", "YSFPCGL", "DLZK", "98", TFixedAssetChoice::Ask, TMessageBox::IdCancel, true, "YSFPCGLDLZKJK098.xslt"},
    InstructionCase{"fixed assets asked OK XP CGSK", "YSFPCGL", "CGSK", "XP", TFixedAssetChoice::Ask, TMessageBox::IdOk, true, "YSFPCGLCGSKJK1XP.xslt"},
    InstructionCase{"fixed-asset list chosen", "YSFPCGL", "DLZK", "XP", TFixedAssetChoice::FixedAssets, 0, false, "YSFPCGLDLZKJK1XP.xslt"},
    InstructionCase{"other list chosen", "YSFPCGL", "DLZK", "XP", TFixedAssetChoice::Other, 0, false, "YSFPCGLDLZKJK0XP.xslt"}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

TEST_F(PrintFileTest, InstructionStandsOnTheRootTagsLineAndTheRestIsKept)
{
    struct Variant {
        QString rootTag;
        QString root;
    };
    // The root tag is found without regard to case and keeps its spelling.
    for (const Variant &v : {Variant{"SCHEMA NAME", "SCHEMA"}, Variant{"Schema name", "Schema"}}) {
        SCOPED_TRACE(v.rootTag.toStdString());
        const QString source = ws.Write(QStringLiteral("HGWSPZ200601_X_JK.xml"), InterfaceFile("HGWSPZ", v.rootTag));
        const QString printFile = PreparePrintFile(source, "DLZK", "HGWSPZ", "98", schemas);

        const QByteArray expected = EncodeGbk(QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
            "<!DOCTYPE %2 SYSTEM \"HGWSPZJK.dtd\">\r\n"
            "<?xml-stylesheet type=\"text/xsl\" href=\"HGWSPZDLZKJK98.xslt\"?>"
            "<%1=\"HGWSPZ\" CHSNAME=\"测试清单\" SSSQ=\"200601\" CRC=\"HGWSPZ_CRC.XML\">\r\n"
            "  <TAXPAYER SWSBH=\"370211600123456\" NSRMC=\"青岚机械\" SBRQ=\"2006-02-08\" RECORDCOUNT=\"0\"/>\r\n"
            "</%2>\r\n").arg(v.rootTag, v.root));
        QFile written(printFile);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(DecodeGbk(written.readAll()).toStdString(), DecodeGbk(expected).toStdString());
    }
}

TEST_F(PrintFileTest, ReplacesAPrintFileOfAnotherLetterCase)
{
    ws.Write(QStringLiteral("DS/PRINT.XML"), "old");
    const QString printFile = PreparePrintFile(Interface("HGWSPZ"), "DLZK", "HGWSPZ", "98", schemas);
    EXPECT_EQ(printFile, ws.file(QStringLiteral("DS/PRINT.XML")));
    EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("DS/print.xml"))));
    EXPECT_EQ(PrintStyleSheetName(printFile), QStringLiteral("HGWSPZDLZKJK98.xslt"));
}

TEST_F(PrintFileTest, MissingFilesAreNamedAndNothingIsWritten)
{
    const QString missingInterface = ws.file(QStringLiteral("数据上报/200601/HGWSPZ200601_X_JK.xml"));
    struct Case {
        QString schema;
        QString interfaceFile;
        QString message;
    };
    const QList<Case> cases = {
        {"HGWSPZ", missingInterface, QStringLiteral("数据文件“%1”不存在！").arg(missingInterface)},
        {"LOST", Interface("LOST"), QStringLiteral("%1LOST.xml文件不存在!请仔细检查").arg(TApplicationInfo::DSDir())},
        {"NOSUCH", Interface("NOSUCH"), QStringLiteral("%1文件不存在!请仔细检查").arg(TApplicationInfo::DSDir())},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.schema.toStdString());
        try {
            PreparePrintFile(c.interfaceFile, "DLZK", c.schema, "98", schemas);
            ADD_FAILURE() << "no error raised";
        } catch (const TUserError &error) {
            EXPECT_EQ(error.Message(), c.message);
        }
        EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("DS/print.xml"))));
    }
}

TEST_F(PrintFileTest, FixedAssetColumnIsFoundByNameInAnyCase)
{
    EXPECT_TRUE(HasFixedAssetColumn(QStringLiteral("ysfpcgl"), schemas));
    EXPECT_FALSE(HasFixedAssetColumn(QStringLiteral("HGWSPZ"), schemas));
}

} // namespace
