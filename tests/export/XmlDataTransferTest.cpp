#include "TransferFixtures.h"

#include "CaseNames.h"
#include "FileSizeLimit.h"
#include "app/utils/Errors.h"
#include "reportdata/FieldValue.h"

#include <QFileInfo>

using namespace transfer;

namespace {

const QStringList kYsfpFields{"FPDM", "FPHM",  "KPRQ", "CYRSWSBH", "CYRMC",  "YSHWMC",
                              "HWZL", "YSLC", "YFJE", "KCSE",     "GDZCXM", "CRC"};

// A demo freight invoice record with its field texts; stored texts are
// written as given (already escaped for XML).
QStringList Invoice(int number)
{
    return {QStringLiteral("237006110011"), QStringLiteral("%1").arg(number, 8, 10, QLatin1Char('0')),
            QStringLiteral("2006-01-05"), QStringLiteral("370203588812345"), QStringLiteral("远驰运输有限公司"),
            QStringLiteral("钢材"), QStringLiteral("32.5"), QStringLiteral("420"), QStringLiteral("3850"),
            QStringLiteral("269.5"), QStringLiteral("False"), QStringLiteral("3167F9A1")};
}

// A freight invoice report (schema YSFPCGL of the demo's DS folder).
QByteArray InvoiceReport(const QList<QStringList> &records)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<TAXPAYER SWSBH=\"370211600123456\">\n"
                                  "<YSFP Version=\"1.00\" DSFile=\"YSFPCGL.xml\" RecordCount=\"%1\">\n")
                       .arg(records.size());
    for (qsizetype r = 0; r < records.size(); ++r) {
        text += QStringLiteral("<REC PKID=\"P%1\">").arg(r);
        for (qsizetype f = 0; f < kYsfpFields.size(); ++f)
            text += QStringLiteral("<%1>%2</%1>").arg(kYsfpFields.at(f), records.at(r).at(f));
        text += QStringLiteral("</REC>\n");
    }
    return EncodeGbk(text + QStringLiteral("</YSFP>\n</TAXPAYER>\n"));
}

std::unique_ptr<TXMLDocument> Template(const QString &head, const QString &body)
{
    return TXMLDocument::FromText(QStringLiteral("<DataTransfer>%1%2</DataTransfer>").arg(head, body));
}

const QString kHead = QStringLiteral("<Head><Node Name=\"RECORDS\"><Record Name=\"RECORD\"/></Node></Head>");

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override { ws.CopyDemo(); }

    // Opens a report written from records.
    void OpenInvoices(const QList<QStringList> &records)
    {
        dataSet.reset();
        dataSet = OpenReport(ws.Write(QStringLiteral("Data/370211600123456/YSFPCGL200605.xml"), InvoiceReport(records)));
    }
    void OpenDemo()
    {
        dataSet = OpenReport(ws.file(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml")));
    }
    // Runs the converter with templateDocument (the demo's when null).
    void Run(TXMLDocument *templateDocument = nullptr, const TExportBaseInfo &info = DemoInfo())
    {
        demoTemplate = TXMLDocument::LoadFile(ws.file(QStringLiteral("DS/YSFPCGLTransfer.xml")));
        transfer.SetTemplateDocument(templateDocument ? templateDocument : demoTemplate.get());
        transfer.SetDataSet(dataSet.get());
        transfer.SetBaseInfo(info);
        transfer.OnProgress = [this](int percent) { progress.push_back(percent); };
        transfer.Execute();
    }
    // Run, then saves the interface file; returns its path.
    QString Convert(TXMLDocument *templateDocument = nullptr, const TExportBaseInfo &info = DemoInfo())
    {
        Run(templateDocument, info);
        const QString out = ws.file(info.interfaceFile);
        transfer.SaveTo(out);
        return out;
    }
    QString DemoDtd() const { return ws.file(QStringLiteral("DS/YSFPCGLJK.DTD")); }

    TempWorkspace ws;
    std::unique_ptr<TXmlDataSet> dataSet;
    std::unique_ptr<TXMLDocument> demoTemplate;
    TXmlDataTransfer transfer;
    std::vector<int> progress;
};

TEST(EscapeXmlTextTest, ReplacesTheFiveCharactersAmpersandFirst)
{
    EXPECT_EQ(EscapeXmlText(QStringLiteral("青岚机械")), QStringLiteral("青岚机械"));
    EXPECT_EQ(EscapeXmlText(QStringLiteral("A&B")), QStringLiteral("A&amp;B"));
    EXPECT_EQ(EscapeXmlText(QStringLiteral("&lt;")), QStringLiteral("&amp;lt;"));
    EXPECT_EQ(EscapeXmlText(QStringLiteral("'\"<>")), QStringLiteral("&apos;&quot;&lt;&gt;"));
    EXPECT_EQ(EscapeXmlText(QString()), QString());
}

TEST_F(TransferTest, EnvelopeCarriesEveryHeaderValueEscaped)
{
    OpenDemo();
    TExportBaseInfo info = DemoInfo();
    info.schemaCaption = QStringLiteral("运输&<发票>清单");
    info.taxpayerName = QStringLiteral("青岚&\"机械\"<'制造'>");
    info.collectorCode = QStringLiteral("3702&01");
    info.collectorName = QStringLiteral("代理<中心>");
    info.period = QStringLiteral("200601");
    info.declarationDate = QDate(2006, 3, 5);
    info.recordCount = 7; // as the command counted, whatever the report holds
    const QString out = Convert(nullptr, info);

    ParsedFile file(out);
    ASSERT_NE(file.Root(), nullptr);
    xmlNodePtr schema = file.Root();
    xmlNodePtr taxPayer = xmlFirstElementChild(schema);
    EXPECT_EQ(Utf8(file.doc->intSubset->SystemID), QStringLiteral("YSFPCGLJK.dtd"));
    EXPECT_EQ(Attr(schema, "NAME"), QStringLiteral("YSFPCGL"));
    EXPECT_EQ(Attr(schema, "CHSNAME"), info.schemaCaption);
    EXPECT_EQ(Attr(schema, "SSSQ"), QStringLiteral("200601"));
    EXPECT_EQ(Attr(schema, "CRC"), info.crcFileName);
    EXPECT_EQ(Attr(taxPayer, "SWSBH"), info.taxpayerId);
    EXPECT_EQ(Attr(taxPayer, "NSRMC"), info.taxpayerName);
    EXPECT_EQ(Attr(taxPayer, "SBRQ"), QStringLiteral("2006-03-05"));
    EXPECT_EQ(Attr(taxPayer, "RECORDCOUNT"), QStringLiteral("7"));
    EXPECT_EQ(Attr(taxPayer, "CJLX"), QStringLiteral("DLZK"));
    EXPECT_EQ(Attr(taxPayer, "CJRDM"), info.collectorCode);
    EXPECT_EQ(Attr(taxPayer, "CJRMC"), info.collectorName);
    EXPECT_EQ(DtdErrors(out, DemoDtd()), QString());
    EXPECT_TRUE(ReadFileBytes(out).contains(EncodeGbk(QStringLiteral("NSRMC=\"青岚&amp;&quot;机械&quot;&lt;'制造'&gt;\""))));
}

TEST_F(TransferTest, HeaderIsParsedWithoutLoadingTheDtd)
{
    // A DTD beside the working folder that would add an attribute if read.
    ws.Write(QStringLiteral("YSFPCGLJK.dtd"), "<!ATTLIST TAXPAYER LOADED CDATA \"yes\">");
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(ws.path());
    OpenDemo();
    const QString out = Convert();
    QDir::setCurrent(oldCurrent);
    EXPECT_FALSE(transfer.TaxPayerNode().HasAttribute("LOADED"));
    EXPECT_FALSE(ReadFileBytes(out).contains("LOADED"));
}

TEST_F(TransferTest, FieldValuesAreTheirTextForms)
{
    QStringList record = Invoice(1);
    record[2] = QStringLiteral("2006-1-5 ");   // DATE
    record[4] = QStringLiteral("远驰&lt;运输&gt; &amp; 物流"); // TEXT, as stored
    record[6] = QStringLiteral("32.50");       // FLOAT
    record[7] = QStringLiteral(" 420 ");       // INTEGER
    record[8] = QStringLiteral("3850.00");     // CURRENCY
    record[9] = QStringLiteral("0.1");         // CURRENCY
    record[10] = QStringLiteral("true");       // BOOLEAN
    OpenInvoices({record});
    const QString out = Convert();

    ParsedFile file(out);
    xmlNodePtr rec = xmlFirstElementChild(xmlFirstElementChild(xmlFirstElementChild(file.Root())));
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(Attr(rec, "KPRQ"), QStringLiteral("2006-01-05"));
    EXPECT_EQ(Attr(rec, "CYRMC"), QStringLiteral("远驰<运输> & 物流"));
    EXPECT_EQ(Attr(rec, "HWZL"), QStringLiteral("32.5"));
    EXPECT_EQ(Attr(rec, "YSLC"), QStringLiteral("420"));
    EXPECT_EQ(Attr(rec, "YFJE"), QStringLiteral("3850"));
    EXPECT_EQ(Attr(rec, "KCSE"), QStringLiteral("0.1"));
    EXPECT_EQ(Attr(rec, "GDZCXM"), QStringLiteral("True"));
}

TEST_F(TransferTest, NumbersOfEveryMagnitudeAreInGeneralForm)
{
    const QStringList texts{"0", "-0", "0.1", "-2.5", "100", "1e-5", "0.0001", "0.00009999", "-0.000015",
                            "0.00012345678901234567", "3.14159265358979323846", "12345.678901234567",
                            "123456789012345", "999999999999999.9", "1e15", "1E20", "1.5e-7", "7.0000000000000001"};
    QList<QStringList> records;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        QStringList record = Invoice(int(i));
        record[6] = texts.at(i); // FLOAT
        record[8] = texts.at(i); // CURRENCY
        records << record;
    }
    OpenInvoices(records);
    const QString out = Convert();

    ParsedFile file(out);
    xmlNodePtr rec = xmlFirstElementChild(xmlFirstElementChild(xmlFirstElementChild(file.Root())));
    for (const QString &text : texts) {
        ASSERT_NE(rec, nullptr);
        const QByteArray utf8 = text.toUtf8();
        EXPECT_EQ(Attr(rec, "HWZL"), FormatGeneral(ReadFloatText(utf8))) << utf8.constData();
        EXPECT_EQ(Attr(rec, "YFJE"), FormatGeneral(ReadCurrencyText(utf8))) << utf8.constData();
        rec = xmlNextElementSibling(rec);
    }
}

TEST_F(TransferTest, TextOutsideGbkAndBlankElementTextReadBackAsTheyWere)
{
    QStringList record = Invoice(1);
    record[4] = QStringLiteral("远驰&#x1F600;运输"); // GBK has no such character
    record[5] = QStringLiteral("&#32;&#32;"); // two blanks, stored as references
    OpenInvoices({record});
    auto templateDocument = Template(kHead, QStringLiteral("<Body><F Name=\"CYRMC\" Caption=\"MC\" Mode=\"Attribute\"/>"
                                                           "<F Name=\"CYRMC\" Caption=\"MC\" Mode=\"Element\"/>"
                                                           "<F Name=\"YSHWMC\" Caption=\"HW\" Mode=\"Element\"/></Body>"));
    const QString out = Convert(templateDocument.get());

    // Read as the checker reads it: layout blanks dropped.
    auto readBack = TXMLDocument::LoadFile(out);
    TXMLNode rec = readBack->DocumentElement().FindChild("TAXPAYER").FindChild("RECORDS").FindChild("RECORD");
    EXPECT_EQ(rec.Attribute("MC"), QStringLiteral("远驰😀运输"));
    EXPECT_EQ(rec.FindChild("MC").Text(), QStringLiteral("远驰😀运输"));
    EXPECT_EQ(rec.FindChild("HW").Text(), QStringLiteral("  "));
}

TEST_F(TransferTest, ProgressIsReportedOnlyWhenThePercentageChanges)
{
    OpenDemo();
    Convert();
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100}));

    QList<QStringList> records;
    for (int i = 0; i < 1000; ++i)
        records << Invoice(i);
    OpenInvoices(records);
    progress.clear();
    TExportBaseInfo info = DemoInfo();
    info.recordCount = 1000;
    const QString out = Convert(nullptr, info);
    ASSERT_FALSE(progress.empty());
    EXPECT_LE(progress.size(), 101u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()) &&
                std::adjacent_find(progress.begin(), progress.end()) == progress.end());
    EXPECT_EQ(Describe(out).filter(QStringLiteral("/RECORD ")).size(), 1000);
    EXPECT_EQ(DtdErrors(out, DemoDtd()), QString());
}

TEST_F(TransferTest, HeadPathStopsAtTheRecordAndTheLastRecordDecides)
{
    OpenDemo();
    auto templateDocument = Template(
        QStringLiteral("<Head><Node Name=\"FIRST\"><Record Name=\"EARLY\"/><Node Name=\"NOTMADE\"/></Node>"
                       "<Node Name=\"SECOND\"><Node Name=\"INNER\"><RECORD Name=\"LATE\"/></Node></Node></Head>"),
        QStringLiteral("<Body><F Name=\"FPHM\" Caption=\"HM\" Mode=\"Attribute\"/></Body>"));
    const QString out = Convert(templateDocument.get());

    const QStringList lines = Describe(out);
    EXPECT_TRUE(lines.contains(QStringLiteral("/SCHEMA/TAXPAYER/FIRST"))) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.filter(QStringLiteral("NOTMADE")).isEmpty());
    EXPECT_TRUE(lines.filter(QStringLiteral("EARLY")).isEmpty());
    EXPECT_EQ(lines.filter(QStringLiteral("/SCHEMA/TAXPAYER/SECOND/INNER/LATE HM=")).size(), 4);
    EXPECT_EQ(transfer.RecordName(), QStringLiteral("LATE"));
}

TEST_F(TransferTest, RunningAgainStartsFromAFreshHeader)
{
    OpenDemo();
    TXMLDocument target;
    transfer.SetTargetDocument(&target);
    const QString first = Convert();
    const QByteArray firstBytes = ReadFileBytes(first);
    const QString second = Convert();
    EXPECT_EQ(ReadFileBytes(second), firstBytes);
    EXPECT_EQ(TXMLNode(xmlDocGetRootElement(target.Raw())).FindChild("TAXPAYER").FindChild("RECORDS").CountChildren("RECORD"), 4);
}

TEST_F(TransferTest, FailedSaveLeavesTheOldFileAsItWas)
{
    OpenDemo();
    const QString out = ws.Write(DemoInfo().interfaceFile, "old declaration");
    Run();
    {
        FileSizeLimit limit(200);
        EXPECT_THROW(transfer.SaveTo(out), TFileError);
    }
    EXPECT_EQ(ReadFileBytes(out), QByteArray("old declaration"));
    EXPECT_EQ(QDir(ws.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("_JK.XML")),
              QStringList{DemoInfo().interfaceFile});
}

TEST_F(TransferTest, UnreadableStoredValueEndsTheExport)
{
    QStringList bad = Invoice(2);
    bad[7] = QStringLiteral("四百");
    OpenInvoices({Invoice(1), bad});
    EXPECT_THROW(Convert(), TConversionError);
    EXPECT_FALSE(dataSet->ControlsDisabled());
    EXPECT_EQ(dataSet->RecNo(), 1);
}

// ---------------------------------------------------------------- template errors

struct TemplateCase {
    const char *name;
    const char *templateText;
    const char *message;
};

const TemplateCase kTemplateCases[] = {
    {"no Head", "<T><Body><F Name=\"FPHM\" Caption=\"HM\" Mode=\"Attribute\"/></Body></T>",
     "在接口模板文档中没有找到表头结点!"},
    {"Head in other case", "<T><head><Record Name=\"R\"/></head><Body/></T>", "在接口模板文档中没有找到表头结点!"},
    {"no Body", "<T><Head><Record Name=\"R\"/></Head></T>", "在接口模板文档中没有找到表体结点!"},
    {"Head without Record", "<T><Head><Node Name=\"RECORDS\"/></Head><Body/></T>",
     "在接口模板文档中没有找到记录结点!"},
    {"unknown mode", "<T><Head><Record Name=\"R\"/></Head><Body><F Name=\"FPHM\" Caption=\"HM\" Mode=\"Attrib\"/></Body></T>",
     "未知的转换标志\"Attrib\"!"},
    {"missing mode", "<T><Head><Record Name=\"R\"/></Head><Body><F Name=\"FPHM\" Caption=\"HM\"/></Body></T>",
     "未知的转换标志\"\"!"},
    {"nested unknown mode",
     "<T><Head><Record Name=\"R\"/></Head><Body><F Name=\"FPHM\" Caption=\"HM\" Mode=\"Element\">"
     "<G Name=\"FPDM\" Caption=\"DM\" Mode=\"Text\"/></F></Body></T>",
     "未知的转换标志\"Text\"!"},
    {"comment in Body", "<T><Head><Record Name=\"R\"/></Head><Body><!-- fields --></Body></T>", "未知的转换标志\"\"!"},
    {"field not in the report", "<T><Head><Record Name=\"R\"/></Head><Body><F Name=\"NOPE\" Caption=\"N\" Mode=\"Attribute\"/></Body></T>",
     "字段\"NOPE\"不存在!"},
    {"caption no name", "<T><Head><Record Name=\"R\"/></Head><Body><F Name=\"FPHM\" Caption=\"1HM\" Mode=\"Attribute\"/></Body></T>",
     "接口模板文档中的结点名称\"1HM\"无效!"},
    {"caption empty", "<T><Head><Record Name=\"R\"/></Head><Body><F Name=\"FPHM\" Mode=\"Element\"/></Body></T>",
     "接口模板文档中的结点名称\"\"无效!"},
    {"Head node without Name", "<T><Head><Node><Record Name=\"R\"/></Node></Head><Body/></T>",
     "接口模板文档中的结点名称\"\"无效!"},
    {"record without Name", "<T><Head><Record/></Head><Body><F Name=\"FPHM\" Caption=\"HM\" Mode=\"Attribute\"/></Body></T>",
     "接口模板文档中的结点名称\"\"无效!"},
};

class TemplateErrorTest : public TransferTest, public ::testing::WithParamInterface<TemplateCase> {};

TEST_P(TemplateErrorTest, EndsTheExportWithItsMessage)
{
    OpenDemo();
    dataSet->SetRecNo(3);
    auto templateDocument = TXMLDocument::FromText(QString::fromUtf8(GetParam().templateText));
    try {
        Convert(templateDocument.get());
        FAIL() << "no error";
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), QString::fromUtf8(GetParam().message));
    }
    EXPECT_FALSE(dataSet->ControlsDisabled());
    EXPECT_FALSE(QFileInfo::exists(ws.file(DemoInfo().interfaceFile)));
}

INSTANTIATE_TEST_SUITE_P(Cases, TemplateErrorTest, ::testing::ValuesIn(kTemplateCases),
                         [](const auto &info) { return CaseName(info.index, info.param.name); });

TEST_F(TransferTest, TemplateErrorsOfTheBodyWaitForARecord)
{
    // Nothing of Body is read for a report without records: such a
    // template declares an empty report as before.
    OpenInvoices({});
    auto templateDocument = Template(kHead, QStringLiteral("<Body><F Name=\"NOPE\" Mode=\"Attrib\"/></Body>"));
    TExportBaseInfo info = DemoInfo();
    info.recordCount = 0;
    const QString out = Convert(templateDocument.get(), info);
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(DtdErrors(out, DemoDtd()), QString());
}

} // namespace
