#include "print/Print.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/FileOps.h"
#include "app/utils/TextFile.h"
#include "documents/XmlSchemaManager.h"
#include "CaseNames.h"
#include "PrintPageReader.h"
#include "TempWorkspace.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryFile>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>

namespace {

const QString kDeclared = QStringLiteral("数据上报/200601/YSFPCGL200601_370211600123456_JK.XML");

// A copy of the demo workspace with its schema register open.
class DemoPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws.CopyDemo();
        schemas.Open(ws.file(QStringLiteral("SchemaManager.xml")));
    }

    // Renders the demo's declared transport-invoice report as the list chosen.
    PrintPageReader RenderDeclared(TFixedAssetChoice choice, const QString &style = QStringLiteral("98"))
    {
        const QString printFile = PreparePrintFile(ws.file(kDeclared), QStringLiteral("DLZK"),
                                                   QStringLiteral("YSFPCGL"), style, schemas, choice);
        const QString page = RenderPrintPage(printFile);
        EXPECT_EQ(page, ws.file(QStringLiteral("DS/print.html")));
        return PrintPageReader(ws.Read(QStringLiteral("DS/print.html")));
    }

    TempWorkspace ws;
    TSchemaRegister schemas;
};

TEST_F(DemoPrintTest, OtherListHoldsTheRecordsWithoutFixedAssetsAndTheirTotals)
{
    const PrintPageReader page = RenderDeclared(TFixedAssetChoice::Other);
    ASSERT_TRUE(page.Parsed());
    EXPECT_EQ(page.Texts("//h1"), QStringList{QStringLiteral("运输发票清单（非固定资产项目）")});
    EXPECT_EQ(page.Texts("//table[@class='list']/thead/tr/th"),
              (QStringList{"序号", "发票代码", "发票号码", "开票日期", "承运人纳税人识别号", "承运人名称",
                           "运输货物名称", "货物重量(吨)", "运输里程(公里)", "运费金额", "允许抵扣税额"}));
    const auto rows = page.ListRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (QStringList{"1", "237006110011", "00031507", "2006-01-05", "370203588812345",
                                    "远驰运输有限公司", "钢材", "32.5", "420", "3,850.00", "269.50"}));
    EXPECT_EQ(rows[1][2], QStringLiteral("00031622"));
    EXPECT_EQ(rows[2][2], QStringLiteral("00031990"));
    EXPECT_EQ(rows[3], (QStringList{"合计", "", "", "", "", "", "", "62.55", "", "7,725.30", "540.78"}));
}

TEST_F(DemoPrintTest, FixedAssetListHoldsOnlyTheFixedAssetRecord)
{
    const PrintPageReader page = RenderDeclared(TFixedAssetChoice::FixedAssets, QStringLiteral("XP"));
    const auto rows = page.ListRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][2], QStringLiteral("00004418"));
    EXPECT_EQ(rows[1], (QStringList{"合计", "", "", "", "", "", "", "12", "", "6,200.00", "434.00"}));
}

TEST_F(DemoPrintTest, PageCarriesTheDeclarationHeaderInUtf8)
{
    RenderDeclared(TFixedAssetChoice::Other);
    const QByteArray html = ws.Read(QStringLiteral("DS/print.html"));
    const PrintPageReader page(html);
    EXPECT_EQ(page.Texts("//p[@class='period']"), QStringList{QStringLiteral("所属期：2006年01月")});
    EXPECT_EQ(page.Texts("//table[@class='info']//td[@class='value']"),
              (QStringList{"370211600123456", "青岚机械制造有限公司", "2006-02-08", "370211600123456",
                           "青岚机械制造有限公司", "4"}));
    // One charset declaration, first in the head, and the bytes are UTF-8.
    EXPECT_EQ(page.Texts("//meta[@charset or @http-equiv]/@charset"), QStringList{"UTF-8"});
    EXPECT_EQ(page.Texts("//head/*[1]/@charset"), QStringList{"UTF-8"});
    EXPECT_TRUE(html.contains(QStringLiteral("青岚机械制造有限公司").toUtf8()));
    EXPECT_TRUE(html.contains("size: A4 landscape"));
}

// libxml2 names files below a folder with Chinese letters or blanks in
// escaped form; they are still the style sheet's own folder.
TEST(PrintPageTest, WorkspaceFolderWithChineseAndBlanks)
{
    TempWorkspace scratch;
    const QString folder = scratch.file(QStringLiteral("申报 工作区"));
    ASSERT_TRUE(CopyFolderTree(QStringLiteral(CORVANE_DEMO_WORKSPACE), folder));
    TApplicationInfo::SetAppDir(folder);
    TSchemaRegister schemas;
    schemas.Open(folder + QStringLiteral("/SchemaManager.xml"));
    const QString printFile = PreparePrintFile(folder + QLatin1Char('/') + kDeclared, QStringLiteral("DLZK"),
                                               QStringLiteral("YSFPCGL"), QStringLiteral("XP"), schemas,
                                               TFixedAssetChoice::FixedAssets);
    QFile page(RenderPrintPage(printFile));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_EQ(PrintPageReader(page.readAll()).ListRows().size(), 2u);
}

// Print files of the demo's other schemas, two records each.
QByteArray DemoPrintFile(const QString &schema, const QString &styleSheet)
{
    const QString caption = schema == QLatin1String("HGWSPZ") ? QStringLiteral("海关完税凭证")
                          : schema == QLatin1String("FJWZFPCGL") ? QStringLiteral("废旧物资发票清单")
                                                                  : QStringLiteral("运输发票清单");
    QString records;
    if (schema == QLatin1String("HGWSPZ")) {
        records = QStringLiteral(
            "<RECORD JKSHM=\"420120060115000123\" HGMC=\"青岛海关\" TFRQ=\"2006-01-15\" HWMC=\"轴承\" WSJG=\"10000\" SL=\"0.17\" SE=\"1700\" BZ=\"\"/>"
            "<RECORD JKSHM=\"420120060120000456\" HGMC=\"黄岛海关\" TFRQ=\"2006-01-20\" HWMC=\"液压泵\" WSJG=\"2500.5\" SL=\"0.17\" SE=\"425.09\" BZ=\"分批\"/>");
    } else if (schema == QLatin1String("FJWZFPCGL")) {
        records = QStringLiteral(
            "<RECORD FPHM=\"00100001\" KPRQ=\"2006-01-03\" XSFSWSBH=\"320583MA1Q8R2T6W\" XSFMC=\"回收站甲\" HWMC=\"废钢\" ZL=\"1.5\" JE=\"3000\" KCSE=\"300\" BZ=\"\"/>"
            "<RECORD FPHM=\"00100002\" KPRQ=\"2006-01-09\" XSFSWSBH=\"320583MA1Q8R2T6W\" XSFMC=\"回收站乙\" HWMC=\"废铜\" ZL=\"0.25\" JE=\"1000.5\" KCSE=\"100.05\" BZ=\"\"/>");
    } else {
        records = QStringLiteral(
            "<RECORD FPDM=\"1\" FPHM=\"2\" KPRQ=\"2006-01-05\" CYRSWSBH=\"3\" CYRMC=\"承运甲\" YSHWMC=\"钢材\" HWZL=\"1\" YSLC=\"10\" YFJE=\"100\" KCSE=\"7\" GDZCXM=\"True\" CRC=\"0\"/>"
            "<RECORD FPDM=\"1\" FPHM=\"3\" KPRQ=\"2006-01-06\" CYRSWSBH=\"3\" CYRMC=\"承运乙\" YSHWMC=\"铁件\" HWZL=\"2\" YSLC=\"10\" YFJE=\"200\" KCSE=\"14\" GDZCXM=\"False\" CRC=\"0\"/>");
    }
    return EncodeGbk(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
        "<!DOCTYPE SCHEMA SYSTEM \"%1JK.dtd\">\r\n"
        "<?xml-stylesheet type=\"text/xsl\" href=\"%3\"?><SCHEMA NAME=\"%1\" CHSNAME=\"%2\" SSSQ=\"200601\" CRC=\"X_CRC.XML\">\r\n"
        "<TAXPAYER SWSBH=\"320583MA1Q8R2T6W\" NSRMC=\"苏州澄湖再生资源有限公司\" SBRQ=\"2006-02-10\" RECORDCOUNT=\"2\" CJLX=\"DLZK\" CJRDM=\"320583MA1Q8R2T6W\" CJRMC=\"苏州澄湖再生资源有限公司\">\r\n"
        "<RECORDS>%4</RECORDS></TAXPAYER></SCHEMA>\r\n").arg(schema, caption, styleSheet, records));
}

struct StyleSheetCase {
    const char *styleSheet;
    const char *schema;
    int rows;             // record rows shown
    const char *firstKey; // the first record's key cell
    const char *lastTotal; // the last column's total
};

void PrintTo(const StyleSheetCase &c, std::ostream *os) { *os << c.styleSheet; }

class DemoStyleSheetTest : public ::testing::TestWithParam<StyleSheetCase> {};

// Every installed style sheet lays out its schema: header, one row per
// record of its list, and the totals.
TEST_P(DemoStyleSheetTest, RendersItsSchemasList)
{
    const StyleSheetCase &c = GetParam();
    TempWorkspace ws;
    ws.CopyDemo();
    const QString printFile = ws.Write(QStringLiteral("DS/print.xml"), DemoPrintFile(c.schema, c.styleSheet));
    RenderPrintPage(printFile);
    const PrintPageReader page(ws.Read(QStringLiteral("DS/print.html")));
    EXPECT_TRUE(page.Texts("//table[@class='info']//td").contains(QStringLiteral("苏州澄湖再生资源有限公司")));
    const auto rows = page.ListRows();
    ASSERT_EQ(int(rows.size()), c.rows + 1);
    EXPECT_EQ(rows[0].value(1), QString::fromUtf8(c.firstKey));
    EXPECT_EQ(rows.back().first(), QStringLiteral("合计"));
    EXPECT_EQ(rows.back().last(), QString::fromUtf8(c.lastTotal));
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoStyleSheetTest, ::testing::Values(
    StyleSheetCase{"HGWSPZDLZKJK98.xslt", "HGWSPZ", 2, "420120060115000123", ""},
    StyleSheetCase{"HGWSPZDLZKJKXP.xslt", "HGWSPZ", 2, "420120060115000123", ""},
    StyleSheetCase{"FJWZFPCGLDLZKJK98.xslt", "FJWZFPCGL", 2, "00100001", ""},
    StyleSheetCase{"FJWZFPCGLDLZKJKXP.xslt", "FJWZFPCGL", 2, "00100001", ""},
    StyleSheetCase{"YSFPCGLDLZKJK098.xslt", "YSFPCGL", 1, "1", "14.00"},
    StyleSheetCase{"YSFPCGLDLZKJK0XP.xslt", "YSFPCGL", 1, "1", "14.00"},
    StyleSheetCase{"YSFPCGLDLZKJK198.xslt", "YSFPCGL", 1, "1", "7.00"},
    StyleSheetCase{"YSFPCGLDLZKJK1XP.xslt", "YSFPCGL", 1, "1", "7.00"}),
    [](const auto &info) { return CaseName(info.index, info.param.styleSheet); });

// What a call wrote to standard error (the libraries must not).
template <typename F>
QByteArray StandardErrorOf(F &&call)
{
    std::fflush(stderr);
    QTemporaryFile capture;
    EXPECT_TRUE(capture.open());
    const int saved = dup(2);
    dup2(capture.handle(), 2);
    call();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    capture.seek(0);
    return capture.readAll();
}

// A scratch DS folder with a print file naming "list.xslt", and a file
// outside the folder that no style sheet may read.
class ScratchStyleSheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        printFile = ws.Write(QStringLiteral("DS/print.xml"),
                             "<?xml version=\"1.0\"?>\n<?xml-stylesheet type=\"text/xsl\" href=\"list.xslt\"?>"
                             "<SCHEMA NAME=\"T\"><TAXPAYER NSRMC=\"n\"/></SCHEMA>\n");
        ws.Write(QStringLiteral("secret.xml"), "<secret>TOPSECRET</secret>\n");
        ws.Write(QStringLiteral("secret.xsl"),
                 "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                 "<xsl:template name=\"s\">TOPSECRET</xsl:template></xsl:stylesheet>\n");
    }

    void StyleSheet(const QByteArray &templates, const QByteArray &prolog = {},
                    const QByteArray &namespaces = {})
    {
        ws.Write(QStringLiteral("DS/list.xslt"),
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + prolog
                 + "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" "
                 + namespaces + ">\n<xsl:output method=\"html\"/>\n" + templates + "\n</xsl:stylesheet>\n");
    }

    // The message of the error rendering raises ("" when none), with
    // nothing written to standard error.
    QString RenderError()
    {
        QString message;
        const QByteArray stderrText = StandardErrorOf([&] {
            try {
                RenderPrintPage(printFile);
            } catch (const TUserError &error) {
                message = error.Message();
            }
        });
        EXPECT_EQ(stderrText, QByteArray());
        return message;
    }

    TempWorkspace ws;
    QString printFile;
};

TEST_F(ScratchStyleSheetTest, MissingStyleSheetIsNamed)
{
    EXPECT_EQ(RenderError(), QStringLiteral("打印样式表“%1”不存在！").arg(ws.file(QStringLiteral("DS/list.xslt"))));
    EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("DS/print.html"))));
}

struct BrokenCase {
    const char *name;
    const char *templates;
    const char *says; // part of the libraries' message
};

void PrintTo(const BrokenCase &c, std::ostream *os) { *os << c.name; }

class BrokenStyleSheetTest : public ScratchStyleSheetTest, public ::testing::WithParamInterface<BrokenCase> {};

// The operator (or the installer of the style sheet) reads libxml2's and
// libxslt's own words; an older page is left as it was.
TEST_P(BrokenStyleSheetTest, GivesTheLibrariesMessageAndKeepsTheOldPage)
{
    const BrokenCase &c = GetParam();
    ws.Write(QStringLiteral("DS/print.html"), "older page");
    StyleSheet(c.templates);
    const QString message = RenderError();
    EXPECT_TRUE(message.startsWith(QStringLiteral("打印样式表“%1”不能使用：\r\n").arg(ws.file(QStringLiteral("DS/list.xslt")))))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.says))) << message.toStdString();
    EXPECT_EQ(ws.Read(QStringLiteral("DS/print.html")), QByteArray("older page"));
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenStyleSheetTest, ::testing::Values(
    BrokenCase{"not well formed", "<xsl:template match=\"/\"><p></xsl:template>",
               "list.xslt(5): Opening and ending tag mismatch"},
    BrokenCase{"bad expression", "<xsl:template match=\"/\"><xsl:value-of select=\"//[\"/></xsl:template>",
               "Invalid expression"},
    BrokenCase{"undefined variable", "<xsl:template match=\"/\"><xsl:value-of select=\"$nosuch\"/></xsl:template>", "nosuch"},
    BrokenCase{"missing template", "<xsl:template match=\"/\"><xsl:call-template name=\"nosuch\"/></xsl:template>", "nosuch"},
    BrokenCase{"unknown top-level element", "<xsl:bogus/><xsl:template match=\"/\"><p/></xsl:template>", "unknown bogus element"},
    BrokenCase{"terminating message", "<xsl:template match=\"/\"><xsl:message terminate=\"yes\">清单不能打印</xsl:message></xsl:template>",
               "清单不能打印"}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

struct ReachCase {
    const char *name;
    const char *templates;
    const char *prolog;
};

void PrintTo(const ReachCase &c, std::ostream *os) { *os << c.name; }

class StyleSheetReachTest : public ScratchStyleSheetTest, public ::testing::WithParamInterface<ReachCase> {};

// A style sheet reads files of its own folder only, writes nothing and
// never touches the network: whatever it tries, nothing from outside
// reaches the page and no file appears.
TEST_P(StyleSheetReachTest, StaysInsideItsFolder)
{
    const ReachCase &c = GetParam();
    QString templates = QString::fromUtf8(c.templates);
    templates.replace(QLatin1String("$WS"), ws.path());
    StyleSheet(templates.toUtf8(), c.prolog, "xmlns:exsl=\"http://exslt.org/common\" extension-element-prefixes=\"exsl\"");
    const QString message = RenderError();
    EXPECT_FALSE(ws.Read(QStringLiteral("DS/print.html")).contains("TOPSECRET")) << message.toStdString();
    EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("written.html"))));
    EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("DS/written.html"))));
}

INSTANTIATE_TEST_SUITE_P(Cases, StyleSheetReachTest, ::testing::Values(
    ReachCase{"document above", "<xsl:template match=\"/\"><p><xsl:value-of select=\"document('../secret.xml')\"/></p></xsl:template>", ""},
    ReachCase{"document absolute", "<xsl:template match=\"/\"><p><xsl:value-of select=\"document('$WSsecret.xml')\"/></p></xsl:template>", ""},
    ReachCase{"document file url", "<xsl:template match=\"/\"><p><xsl:value-of select=\"document('file://$WSsecret.xml')\"/></p></xsl:template>", ""},
    ReachCase{"document network", "<xsl:template match=\"/\"><p><xsl:value-of select=\"document('http://127.0.0.1:9/secret.xml')\"/></p></xsl:template>", ""},
    ReachCase{"include above", "<xsl:include href=\"../secret.xsl\"/><xsl:template match=\"/\"><p><xsl:call-template name=\"s\"/></p></xsl:template>", ""},
    ReachCase{"external entity", "<xsl:template match=\"/\"><p>&secret;</p></xsl:template>",
              "<!DOCTYPE xsl:stylesheet [<!ENTITY secret SYSTEM \"../secret.xml\">]>\n"},
    ReachCase{"write a file", "<xsl:template match=\"/\"><exsl:document href=\"../written.html\"><p>x</p></exsl:document>"
                             "<exsl:document href=\"written.html\"><p>x</p></exsl:document><p>done</p></xsl:template>", ""}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

TEST_F(ScratchStyleSheetTest, IncludedStyleSheetOfAnotherCaseInTheFolderIsRead)
{
    ws.Write(QStringLiteral("DS/Shared.XSL"),
             "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
             "<xsl:template name=\"s\">shared part</xsl:template></xsl:stylesheet>\n");
    StyleSheet("<xsl:include href=\"shared.xsl\"/><xsl:template match=\"/\"><p><xsl:call-template name=\"s\"/></p></xsl:template>");
    EXPECT_EQ(RenderError(), QString());
    EXPECT_TRUE(ws.Read(QStringLiteral("DS/print.html")).contains("shared part"));
}

// The page is UTF-8 with one charset declaration, whatever the style
// sheet's output names and its head already declares.
TEST_F(ScratchStyleSheetTest, PageIsUtf8WhateverTheStyleSheetNames)
{
    ws.Write(QStringLiteral("DS/list.xslt"), EncodeGbk(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output method=\"html\" encoding=\"GBK\"/>"
        "<xsl:template match=\"/\"><html><head><title>清单</title>"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=GBK\"/><meta charset=\"GBK\"/></head>"
        "<body><p>纳税人：<xsl:value-of select=\"//TAXPAYER/@NSRMC\"/></p></body></html></xsl:template>"
        "</xsl:stylesheet>\n")));
    ws.Write(QStringLiteral("DS/print.xml"), EncodeGbk(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<?xml-stylesheet type=\"text/xsl\" href=\"list.xslt\"?>"
        "<SCHEMA NAME=\"T\"><TAXPAYER NSRMC=\"青岚机械\"/></SCHEMA>\n")));
    ASSERT_EQ(RenderError(), QString());
    const QByteArray html = ws.Read(QStringLiteral("DS/print.html"));
    const PrintPageReader page(html);
    EXPECT_EQ(page.Texts("//meta/@charset"), QStringList{"UTF-8"});
    EXPECT_EQ(page.Texts("//meta/@http-equiv"), QStringList());
    EXPECT_EQ(page.Texts("//head/*[1]/@charset"), QStringList{"UTF-8"});
    EXPECT_TRUE(html.contains(QStringLiteral("纳税人：青岚机械").toUtf8())) << html.toStdString();
}

// The print page in a real browser, printed to PDF as an operator would.
TEST_F(DemoPrintTest, BrowserPrintsThePageWithTheTaxpayersName)
{
    QString browser = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (browser.isEmpty())
        browser = QStandardPaths::findExecutable(QStringLiteral("chromium-browser"));
    const QString pdfToText = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (browser.isEmpty() || pdfToText.isEmpty())
        GTEST_SKIP() << "chromium (or chromium-browser) and pdftotext are needed: scripts/install-deps.sh installs them";

    RenderDeclared(TFixedAssetChoice::Other);
    const QString pdf = ws.file(QStringLiteral("print.pdf"));
    QProcess chromium;
    chromium.start(browser, {"--headless", "--no-sandbox", "--disable-gpu", "--no-pdf-header-footer",
                             "--user-data-dir=" + ws.file(QStringLiteral("browser-profile")),
                             "--print-to-pdf=" + pdf, QUrl::fromLocalFile(ws.file("DS/print.html")).toString()});
    ASSERT_TRUE(chromium.waitForFinished(120000)) << "the browser did not finish";
    ASSERT_TRUE(QFile::exists(pdf)) << chromium.readAllStandardError().toStdString();

    QProcess text;
    text.start(pdfToText, {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(printed.contains(QStringLiteral("青岚机械制造有限公司"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("7,725.30"))) << printed.toStdString();
}

} // namespace
