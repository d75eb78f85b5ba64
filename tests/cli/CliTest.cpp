#include "app/utils/ApplicationInfo.h"
#include "app/utils/Clock.h"
#include "app/utils/FileOps.h"
#include "app/utils/TextFile.h"
#include "app/utils/WorkspaceLock.h"
#include "cli/CliCommands.h"
#include "documents/XmlFileManager.h"
#include "documents/XmlTaxPayer.h"
#include "xml/XmlDocument.h"
#include "CliRun.h"
#include "TempWorkspace.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <zlib.h>

#include <gtest/gtest.h>

namespace {

QString ZlibCrcText(const QByteArray &bytes)
{
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
    return QStringLiteral("%1").arg(quint32(crc), 8, 16, QLatin1Char('0')).toUpper();
}

const QString kConfig = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<configuration><GlobalResources>"
    "<Item NAME=\"Title\" VALUE=\"演示\"/><Item NAME=\"VERSION\" VALUE=\"2.40\"/>"
    "</GlobalResources><Package Root=\"R\"><Element Name=\"E\"/></Package></configuration>\n");

} // namespace

TEST(Cli, CrcAgreesWithAnIndependentCrc32)
{
    TempWorkspace ws;
    QByteArray big(250000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char((i * 131) ^ (i >> 7));
    const QList<QByteArray> contents = {QByteArray(), QByteArray("123456789"), big};
    QStringList files;
    QString expected;
    for (int i = 0; i < contents.size(); ++i) {
        files << ws.Write(QStringLiteral("f%1.bin").arg(i), contents[i]);
        expected += ZlibCrcText(contents[i]) + QStringLiteral("  ") + files.last() + QLatin1Char('\n');
    }
    const CliRun run = Cli(QStringList{QStringLiteral("crc")} << files);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, expected);
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("00000000  ")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("CBF43926  ")));
}

TEST(Cli, CrcOfAMissingFileFailsButDoesTheOthers)
{
    TempWorkspace ws;
    const QString good = ws.Write(QStringLiteral("a.bin"), "123456789");
    const CliRun run = Cli({QStringLiteral("crc"), ws.file(QStringLiteral("missing.bin")), good});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("missing.bin")));
    EXPECT_EQ(run.out, QStringLiteral("CBF43926  ") + good + QLatin1Char('\n'));
}

TEST(Cli, ConfigSetChangesOneItemAndKeepsTheRest)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("Config.xml"), EncodeGbk(kConfig));
    ws.MakeCurrent();
    EXPECT_EQ(Cli({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("title")}).out, QStringLiteral("演示\n"));
    const CliRun set = Cli({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("Title"), QStringLiteral("新标题")});
    EXPECT_EQ(set.status, 0) << set.err.toStdString();
    const QString after = DecodeGbk(ws.Read(QStringLiteral("Config.xml")));
    EXPECT_TRUE(after.contains(QStringLiteral("VALUE=\"新标题\"")));
    EXPECT_TRUE(after.contains(QStringLiteral("<Item NAME=\"VERSION\" VALUE=\"2.40\"/>")));
    EXPECT_TRUE(after.contains(QStringLiteral("<Package Root=\"R\">")));
    EXPECT_TRUE(ws.Read(QStringLiteral("Config.xml")).contains(EncodeGbk(QStringLiteral("新标题"))));
}

// On the demo workspace: setting an item and setting it back gives the same
// document, Package branch and every other item included, still GBK.
TEST(Cli, ConfigSetOnTheDemoWorkspaceKeepsEverythingElse)
{
    TempWorkspace ws;
    ws.CopyDemo();
    const QString path = ws.file(QStringLiteral("Config.xml"));
    const QByteArray original = TXMLDocument::LoadFile(path)->ToBytes();
    const QString title = Cli({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("Title")}).out.trimmed();
    ASSERT_FALSE(title.isEmpty());

    ASSERT_EQ(Cli({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("title"), QStringLiteral("临时标题")}).status, 0);
    const QByteArray changed = ws.Read(QStringLiteral("Config.xml"));
    EXPECT_TRUE(changed.startsWith("<?xml version=\"1.0\" encoding=\"GBK\"?>"));
    EXPECT_TRUE(changed.contains(EncodeGbk(QStringLiteral("临时标题"))));
    EXPECT_FALSE(changed.contains(EncodeGbk(title)));

    ASSERT_EQ(Cli({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("Title"), title}).status, 0);
    EXPECT_EQ(TXMLDocument::LoadFile(path)->ToBytes(), original);
}

TEST(Cli, ReportExportOfADemoReport)
{
    TempWorkspace ws;
    ws.CopyDemo();
    const QString report = ws.file(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml"));
    const QByteArray before = ws.Read(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml"));
    const CliRun tab = Cli({QStringLiteral("report"), QStringLiteral("export"), report});
    ASSERT_EQ(tab.status, 0) << tab.err.toStdString();
    const QStringList lines = tab.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5); // captions and four records
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("237006110011\t00031507\t2006-01-05\t"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral("\t1234.5\t86.42\t")));

    const CliRun csv = Cli({QStringLiteral("report"), QStringLiteral("export"), QStringLiteral("--csv"), report});
    ASSERT_EQ(csv.status, 0);
    EXPECT_TRUE(csv.bytes.startsWith("\xEF\xBB\xBF")); // byte-order mark for spreadsheet programs
    EXPECT_TRUE(csv.out.contains(QStringLiteral("\r\n")));
    EXPECT_EQ(ws.Read(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml")), before); // only read

    const CliRun missing = Cli({QStringLiteral("report"), QStringLiteral("export"), ws.file(QStringLiteral("none.xml"))});
    EXPECT_EQ(missing.status, 1);
}

TEST(Cli, UsageErrorsAndKeyHash)
{
    struct Case {
        QStringList args;
        int status;
    };
    const QList<Case> cases = {
        {{}, 2},
        {{QStringLiteral("--help")}, 0},
        {{QStringLiteral("nonsense")}, 2},
        {{QStringLiteral("crc")}, 2},
        {{QStringLiteral("config"), QStringLiteral("get")}, 2},
        {{QStringLiteral("keyhash")}, 2},
        {{QStringLiteral("tree"), QStringLiteral("x")}, 2},
        {{QStringLiteral("taxpayer"), QStringLiteral("add"), QStringLiteral("110105MA01ABCD1234")}, 2},
        {{QStringLiteral("taxpayer"), QStringLiteral("move")}, 2},
        {{QStringLiteral("report"), QStringLiteral("new"), QStringLiteral("110105MA01ABCD1234")}, 2},
        {{QStringLiteral("upgrade"), QStringLiteral("now")}, 2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Cli(c.args).status, c.status) << c.args.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(Cli({QStringLiteral("keyhash"), QStringLiteral("abc")}).out, QStringLiteral("16100067\n"));

    TempWorkspace empty;
    empty.MakeCurrent();
    const CliRun missing = Cli({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("Title")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("Config.xml")));
}

// ------------------------------------------------- the navigation tree's commands

namespace {

QString Arg(const char *text) { return QString::fromUtf8(text); }

QStringList Args(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << Arg(text);
    return list;
}

const QString kQinglan = QStringLiteral("370211600123456");   // two invoice reports, 200601 declared
const QString kFenghe = QStringLiteral("91440101K7H3N5Q2X8"); // no reports, no data folder
const QString kNewCode = QStringLiteral("110105MA01ABCD1234");

// The demo workspace in a scratch folder, with the collection type set
// (empty: any number of units) rather than whatever the demo ships.
void CopyDemoWith(TempWorkspace &ws, const QString &collectionType = QString())
{
    ws.CopyDemo();
    ASSERT_EQ(Cli({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("CJLX"), collectionType}).status, 0);
}

void EmptyRegisters(const TempWorkspace &ws)
{
    ws.Write(QStringLiteral("TaxPayers.xml"), "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<TAXPAYERS>\n</TAXPAYERS>\n");
    ws.Write(QStringLiteral("FileManager.xml"), "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<FILEMANAGER>\n</FILEMANAGER>\n");
}

// The registers as the next start of the client reads them.
QList<TTaxPayerRec> TaxPayersOnDisk(const TempWorkspace &ws)
{
    TTaxPayerRegistry registry;
    registry.SetSaveOnClose(false);
    registry.Open(ws.file(QStringLiteral("TaxPayers.xml")));
    return registry.Enumerate();
}

// The FILELIST TYPEIDs of a unit's entry in the report file register; no
// entry at all gives {"-"}.
QStringList FileListsOnDisk(const TempWorkspace &ws, const QString &code)
{
    TFileRegister files;
    files.SetSaveOnClose(false);
    files.Open(ws.file(QStringLiteral("FileManager.xml")));
    const int entry = files.FindTaxpayer(code);
    if (entry < 0)
        return {QStringLiteral("-")};
    QStringList lists;
    const auto taxpayer = files.Root().Get(entry);
    for (int i = 0; i < taxpayer.Count(); ++i)
        lists << taxpayer.Get(i).TYPEID();
    return lists;
}

QStringList ReportsOnDisk(const TempWorkspace &ws, const QString &code, const QString &schema)
{
    TFileRegister files;
    files.SetSaveOnClose(false);
    files.Open(ws.file(QStringLiteral("FileManager.xml")));
    QStringList names;
    for (const TXmlFileRec &rec : files.ReportFiles(code, schema))
        names << QStringLiteral("%1 %2 [%3]").arg(rec.FileName).arg(rec.STATUS).arg(rec.SBRQ);
    return names;
}

} // namespace

// Every node kind and status, register spellings that differ in letter case
// from the registry's, a FILELIST of a schema that is not registered.
TEST(CliTree, ShowsTheTreeAsTheWindowDoes)
{
    TempWorkspace ws;
    ws.MakeCurrent();
    ws.Write(QStringLiteral("Config.xml"), EncodeGbk(kConfig));
    ws.Write(QStringLiteral("SchemaManager.xml"), EncodeGbk(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<SCHEMAMANAGER>"
        "<SCHEMA NAME=\"YSFPCGL\" CHSNAME=\"运输发票清单\" DS=\"YSFPCGL.xml\"/>"
        "<SCHEMA NAME=\"HGWSPZ\" CHSNAME=\"海关完税凭证\" DS=\"HGWSPZ.xml\"/></SCHEMAMANAGER>\n")));
    ws.Write(QStringLiteral("TaxPayers.xml"), EncodeGbk(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<TAXPAYERS>"
        "<TAXPAYER><SWSBH>110105MA01ABCD1234</SWSBH><NSRMC>甲公司</NSRMC><SWJGDM/></TAXPAYER>"
        "<TAXPAYER><SWSBH>320583ma1q8r2t6w</SWSBH><NSRMC>乙公司</NSRMC><SWJGDM/></TAXPAYER></TAXPAYERS>\n")));
    ws.Write(QStringLiteral("FileManager.xml"), EncodeGbk(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<FILEMANAGER>"
        "<TAXPAYER SWSBH=\"110105MA01ABCD1234\"><FILELIST TYPEID=\"YSFPCGL\">"
        "<DATAFILE NAME=\"YSFPCGL200601.xml\" STATUS=\"9\" SBRQ=\"2006-02-08\"/>"
        "<DATAFILE NAME=\"YSFPCGL200602.xml\" STATUS=\"1\" SBRQ=\"\"/>"
        "<DATAFILE NAME=\"YSFPCGL200603.xml\" STATUS=\"5\" SBRQ=\"\"/></FILELIST>"
        "<FILELIST TYPEID=\"OTHER\"><DATAFILE NAME=\"OTHER200601.xml\" STATUS=\"1\" SBRQ=\"\"/></FILELIST></TAXPAYER>"
        "<TAXPAYER SWSBH=\"320583MA1Q8R2T6W\"><FILELIST TYPEID=\"ysfpcgl\">"
        "<DATAFILE NAME=\"YSFPCGL200512.xml\" STATUS=\"1\" SBRQ=\"\"/></FILELIST></TAXPAYER></FILEMANAGER>\n")));

    const CliRun run = Cli({QStringLiteral("tree")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("目录\n"
                                      "  甲公司 [110105MA01ABCD1234]\n"
                                      "    运输发票清单 [YSFPCGL]\n"
                                      "      200601 [已申报]\n"
                                      "      200602 [待申报]\n"
                                      "      200603 [状态 5]\n"
                                      "    海关完税凭证 [HGWSPZ]\n"
                                      "  乙公司 [320583ma1q8r2t6w]\n"
                                      "    运输发票清单 [YSFPCGL]\n"
                                      "      200512 [待申报]\n"
                                      "    海关完税凭证 [HGWSPZ]\n"));
    EXPECT_EQ(run.err, QString());
}

TEST(CliTaxPayer, AddRenameAndDeleteKeepBothRegistersInStep)
{
    TempWorkspace ws;
    CopyDemoWith(ws);
    const CliRun add = Cli({QStringLiteral("taxpayer"), QStringLiteral("add"), kNewCode, Arg("  南岭电子有限公司 ")});
    ASSERT_EQ(add.status, 0) << add.err.toStdString();
    QList<TTaxPayerRec> taxpayers = TaxPayersOnDisk(ws);
    ASSERT_EQ(taxpayers.size(), 4);
    EXPECT_EQ(taxpayers.last().SWSBH, kNewCode);
    EXPECT_EQ(taxpayers.last().NSRMC, Arg("南岭电子有限公司"));
    EXPECT_EQ(taxpayers.last().SWJGDM, QString());
    EXPECT_EQ(FileListsOnDisk(ws, kNewCode), Args({"YSFPCGL", "HGWSPZ", "FJWZFPCGL"}));
    EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("Data/") + kNewCode))); // made with the first report

    // A new name keeps the code, the authority code and the reports.
    const CliRun rename = Cli({QStringLiteral("taxpayer"), QStringLiteral("rename"), kQinglan.toLower(), Arg(" 青岚重工 ")});
    ASSERT_EQ(rename.status, 0) << rename.err.toStdString();
    taxpayers = TaxPayersOnDisk(ws);
    EXPECT_EQ(taxpayers.first().SWSBH, kQinglan);
    EXPECT_EQ(taxpayers.first().NSRMC, Arg("青岚重工"));
    EXPECT_EQ(taxpayers.first().SWJGDM, QStringLiteral("137021100"));
    const QString tree = Cli({QStringLiteral("tree")}).out;
    EXPECT_TRUE(tree.contains(Arg("  青岚重工 [370211600123456]\n    运输发票清单 [YSFPCGL]\n      200601 [已申报]\n")))
        << tree.toStdString();
    EXPECT_TRUE(tree.contains(Arg("  南岭电子有限公司 [110105MA01ABCD1234]\n")));

    // Deleting touches the two registers only.
    const CliRun del = Cli({QStringLiteral("taxpayer"), QStringLiteral("delete"), kQinglan, QStringLiteral("--yes")});
    ASSERT_EQ(del.status, 0) << del.err.toStdString();
    taxpayers = TaxPayersOnDisk(ws);
    ASSERT_EQ(taxpayers.size(), 3);
    EXPECT_NE(taxpayers.first().SWSBH, kQinglan);
    EXPECT_EQ(FileListsOnDisk(ws, kQinglan), Args({"-"}));
    EXPECT_TRUE(QFile::exists(ws.file(QStringLiteral("Data/370211600123456/YSFPCGL200602.xml"))));
    EXPECT_EQ(del.out + del.err, QString());
}

// With a single-unit collection type the first unit is the last one, until
// it is deleted.
TEST(CliTaxPayer, WriteCommandsAreRefusedWhileAClientHoldsTheWorkspace)
{
    TempWorkspace ws;
    CopyDemoWith(ws);
    const QByteArray registry = ws.Read(QStringLiteral("TaxPayers.xml"));
    const QByteArray config = ws.Read(QStringLiteral("Config.xml"));
    {
        const TWorkspaceLock client; // as a running client holds it
        for (const QStringList &command :
             {QStringList{QStringLiteral("taxpayer"), QStringLiteral("add"), kNewCode, Arg("南岭电子有限公司")},
              QStringList{QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("Title"), QStringLiteral("x")}}) {
            const CliRun run = Cli(command);
            EXPECT_EQ(run.status, 1) << command.join(' ').toStdString();
            EXPECT_TRUE(run.err.contains(QStringLiteral("工作目录"))) << run.err.toStdString();
        }
        // Reading goes on, and writes nothing back.
        EXPECT_EQ(Cli({QStringLiteral("tree")}).status, 0);
        EXPECT_EQ(Cli({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("Title")}).status, 0);
    }
    EXPECT_EQ(ws.Read(QStringLiteral("TaxPayers.xml")), registry);
    EXPECT_EQ(ws.Read(QStringLiteral("Config.xml")), config);
    EXPECT_EQ(Cli({QStringLiteral("taxpayer"), QStringLiteral("add"), kNewCode, Arg("南岭电子有限公司")}).status, 0);
}

TEST(CliTaxPayer, ASingleUnitCollectionTypeRefusesASecondUnit)
{
    TempWorkspace ws;
    CopyDemoWith(ws, QStringLiteral("CGSK"));
    EmptyRegisters(ws);
    const auto add = [](const char *code) {
        return Cli({QStringLiteral("taxpayer"), QStringLiteral("add"), Arg(code), Arg("青岛市税务局")});
    };
    ASSERT_EQ(add("1370211").status, 0);
    const CliRun second = add("1370212");
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, Arg("corvane-cli: 当前采集类型只允许一个单位!\n"));
    ASSERT_EQ(TaxPayersOnDisk(ws).size(), 1);

    ASSERT_EQ(Cli({QStringLiteral("taxpayer"), QStringLiteral("delete"), QStringLiteral("1370211"), QStringLiteral("--yes")}).status, 0);
    EXPECT_EQ(add("1370212").status, 0);
    ASSERT_EQ(TaxPayersOnDisk(ws).size(), 1);
    EXPECT_EQ(TaxPayersOnDisk(ws).first().SWSBH, QStringLiteral("1370212"));
}

struct CodeRuleCase {
    const char *name;
    const char *collectionType;
    const char *code;
    const char *message; // empty: accepted
};

// Test listings name a case instead of dumping its bytes (so do the tables below).
void PrintTo(const CodeRuleCase &c, std::ostream *os) { *os << c.name; }

class CliCodeRule : public ::testing::TestWithParam<CodeRuleCase> {};

// The rule sees the code as typed, before trimming.
TEST_P(CliCodeRule, DecidesWhetherTheUnitIsAdded)
{
    const CodeRuleCase &c = GetParam();
    TempWorkspace ws;
    CopyDemoWith(ws, Arg(c.collectionType));
    EmptyRegisters(ws);
    const CliRun run = Cli({QStringLiteral("taxpayer"), QStringLiteral("add"), Arg(c.code), Arg("某单位")});
    const QString message = Arg(c.message);
    if (message.isEmpty()) {
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        ASSERT_EQ(TaxPayersOnDisk(ws).size(), 1);
        EXPECT_EQ(TaxPayersOnDisk(ws).first().SWSBH, Arg(c.code));
    } else {
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, QStringLiteral("corvane-cli: ") + message + QLatin1Char('\n'));
        EXPECT_EQ(TaxPayersOnDisk(ws).size(), 0);
        EXPECT_EQ(FileListsOnDisk(ws, QString::fromUtf8(c.code).trimmed()), Args({"-"}));
    }
}

constexpr const char kTaxpayerIdRule[] = "纳税人识别号错误！必须是15位至20位0..9,A..Z,a-z的字符组成！";
constexpr const char kAuthorityRule[] = "税务机关代码错误！必须是7,9位0..9的字符组成！";

INSTANTIATE_TEST_SUITE_P(
    Codes, CliCodeRule,
    ::testing::Values(CodeRuleCase{"LowerCaseIdKeptAsTyped", "", "110105ma01abcd1234", ""},
                      CodeRuleCase{"LeadingSpace", "", " 110105MA01ABCD1234", kTaxpayerIdRule},
                      CodeRuleCase{"TrailingSpace", "CGZK", "110105MA01ABCD1234 ", kTaxpayerIdRule},
                      CodeRuleCase{"IdOf14", "", "11010500000001", kTaxpayerIdRule},
                      CodeRuleCase{"AgencyCodeIsATaxpayerId", "CGDK", "1370211", kTaxpayerIdRule},
                      CodeRuleCase{"AuthorityOf7", "CGSK", "1370211", ""},
                      CodeRuleCase{"AuthorityOf9", "cgsk", "137021100", ""},
                      CodeRuleCase{"AuthorityOf8", "CGSK", "13702110", kAuthorityRule},
                      CodeRuleCase{"AuthorityWithALetter", "CGSK", "137021A", kAuthorityRule}),
    [](const auto &info) { return std::string(info.param.name); });

struct NewReportCase {
    const char *name;
    QString code;
    const char *schema;
    const char *period; // empty: the proposal
    const char *fileName;
    const char *ds;
};

void PrintTo(const NewReportCase &c, std::ostream *os) { *os << c.name; }

class CliNewReport : public ::testing::TestWithParam<NewReportCase> {
protected:
    // Fixed at July 2031, the proposal for a schema without reports.
    void SetUp() override { TClock::SetFixed(QDateTime(QDate(2031, 7, 15), QTime(9, 0))); }
    void TearDown() override { TClock::SetFixed(QDateTime()); }
};

TEST_P(CliNewReport, RegistersTheReportAndCreatesItsDataFile)
{
    const NewReportCase &c = GetParam();
    TempWorkspace ws;
    CopyDemoWith(ws);
    const QStringList before = ReportsOnDisk(ws, c.code, Arg(c.schema));
    QStringList args = {QStringLiteral("report"), QStringLiteral("new"), c.code, Arg(c.schema)};
    if (*c.period)
        args << Arg(c.period);
    const CliRun run = Cli(args);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QString relative = QStringLiteral("Data/") + c.code + QLatin1Char('/') + Arg(c.fileName);
    EXPECT_EQ(run.out, ws.file(relative) + QLatin1Char('\n'));
    EXPECT_EQ(ReportsOnDisk(ws, c.code, Arg(c.schema)), before + QStringList{Arg(c.fileName) + QStringLiteral(" 1 []")});

    const auto data = TXMLDocument::LoadFile(ws.file(relative));
    const TXMLNode root = data->DocumentElement();
    EXPECT_EQ(root.NodeName(), QStringLiteral("TAXPAYER"));
    EXPECT_EQ(root.Attribute("SWSBH"), c.code);
    const TXMLNode ysfp = root.FindChild("YSFP");
    EXPECT_EQ(ysfp.Attribute("Version"), QStringLiteral("1.00"));
    EXPECT_EQ(ysfp.Attribute("DSFile"), Arg(c.ds));
    EXPECT_EQ(ysfp.Attribute("RecordCount"), QStringLiteral("0"));
}

INSTANTIATE_TEST_SUITE_P(
    Reports, CliNewReport,
    ::testing::Values(
        NewReportCase{"GivenPeriod", kQinglan, "YSFPCGL", "200605", "YSFPCGL200605.xml", "YSFPCGL.xml"},
        NewReportCase{"ProposalFollowsTheLastReport", kQinglan, "ysfpcgl", "", "YSFPCGL200603.xml", "YSFPCGL.xml"},
        NewReportCase{"ProposalWithoutReportsIsThisMonth", kQinglan, "FJWZFPCGL", "", "FJWZFPCGL203107.xml",
                      "FJWZFPCGL.xml"},
        NewReportCase{"FirstReportMakesTheDataFolder", kFenghe, "HGWSPZ", "200512", "HGWSPZ200512.xml", "HGWSPZ.xml"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CliReport, DeleteRemovesTheEntryAndTheDataFileButNotTheDeclaredFiles)
{
    TempWorkspace ws;
    CopyDemoWith(ws);
    const auto del = [](const char *schema, const char *period) {
        return Cli({QStringLiteral("report"), QStringLiteral("delete"), kQinglan, Arg(schema), Arg(period),
                    QStringLiteral("--yes")});
    };
    const CliRun awaiting = del("YSFPCGL", "200602");
    ASSERT_EQ(awaiting.status, 0) << awaiting.err.toStdString();
    EXPECT_EQ(ReportsOnDisk(ws, kQinglan, QStringLiteral("YSFPCGL")), Args({"YSFPCGL200601.xml 9 [2006-02-08]"}));
    EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("Data/370211600123456/YSFPCGL200602.xml"))));

    const CliRun declared = del("YSFPCGL", "200601");
    ASSERT_EQ(declared.status, 0) << declared.err.toStdString();
    EXPECT_EQ(ReportsOnDisk(ws, kQinglan, QStringLiteral("YSFPCGL")), QStringList());
    EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml"))));
    EXPECT_TRUE(QFile::exists(ws.file(Arg("数据上报/200601/YSFPCGL200601_370211600123456_JK.XML"))));

    // A data file that is gone already is said, and the entry goes all the same.
    ASSERT_TRUE(QFile::remove(ws.file(QStringLiteral("Data/370211600123456/HGWSPZ200601.xml"))));
    const CliRun missing = del("HGWSPZ", "200601");
    EXPECT_EQ(missing.status, 0);
    EXPECT_TRUE(missing.err.contains(Arg("HGWSPZ200601.xml\"不存在!"))) << missing.err.toStdString();
    EXPECT_EQ(ReportsOnDisk(ws, kQinglan, QStringLiteral("HGWSPZ")), QStringList());
}

TEST(CliReport, ImportAppendsTheGoodRowsAndListsTheRefusedOnes)
{
    TempWorkspace ws;
    CopyDemoWith(ws);
    // GBK, as spreadsheets on the receiving machines save it.
    const QString csv = ws.Write(
        QStringLiteral("rows.csv"),
        EncodeGbk(QStringLiteral("发票代码,发票号码,开票日期,承运人纳税人识别号,承运人名称,运输货物名称,运费金额\r\n"
                                 "237006110013,00080001,2006-02-11,370285123456789,海港物流有限公司,水泥,200\r\n"
                                 "237006110013,00080002,2006-02-11,370285123456789,海港物流有限公司,水泥,-5\r\n")));
    const CliRun run = Cli({QStringLiteral("report"), QStringLiteral("import"), kQinglan, QStringLiteral("YSFPCGL"),
                            QStringLiteral("200602"), csv});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_EQ(run.out, Arg("imported 1, refused 1\nline 3: 运费金额不能为负数！\n"));
    const QString report = DecodeGbk(ws.Read(QStringLiteral("Data/370211600123456/YSFPCGL200602.xml")));
    EXPECT_TRUE(report.contains(QStringLiteral("<FPHM>00080001</FPHM>")));
    EXPECT_FALSE(report.contains(QStringLiteral("00080002")));
    // The carrier learnt is in the enterprise list.
    EXPECT_TRUE(DecodeGbk(ws.Read(QStringLiteral("QYXX.xml"))).contains(QStringLiteral("海港物流有限公司")));
}

struct RefusalCase {
    const char *name;
    QStringList args;
    int status;
    const char *message; // the whole of standard error after "corvane-cli: "
};

void PrintTo(const RefusalCase &c, std::ostream *os) { *os << c.name; }

class CliRefusal : public ::testing::TestWithParam<RefusalCase> {};

// A refused command leaves both registers and the data folder as they were.
TEST_P(CliRefusal, ChangesNothing)
{
    const RefusalCase &c = GetParam();
    TempWorkspace ws;
    CopyDemoWith(ws);
    const QByteArray taxpayers = ws.Read(QStringLiteral("TaxPayers.xml"));
    const QByteArray files = ws.Read(QStringLiteral("FileManager.xml"));
    const QStringList data = QDir(ws.file(QStringLiteral("Data/370211600123456"))).entryList(QDir::Files);
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, QStringLiteral("corvane-cli: ") + Arg(c.message) + QLatin1Char('\n'));
    EXPECT_EQ(run.out, QString());
    EXPECT_EQ(ws.Read(QStringLiteral("TaxPayers.xml")), taxpayers);
    EXPECT_EQ(ws.Read(QStringLiteral("FileManager.xml")), files);
    EXPECT_EQ(QDir(ws.file(QStringLiteral("Data/370211600123456"))).entryList(QDir::Files), data);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, CliRefusal,
    ::testing::Values(
        RefusalCase{"DuplicateCodeInAnotherCase", Args({"taxpayer", "add", "320583ma1q8r2t6w", "重复"}), 1,
                    "此纳税人识别号已经存在!"},
        RefusalCase{"EmptyName", Args({"taxpayer", "add", "110105MA01ABCD1234", " "}), 2,
                    "the code and the name must not be empty"},
        RefusalCase{"RenameOfAnUnknownCode", Args({"taxpayer", "rename", "110105MA01ABCD1234", "x"}), 1,
                    "没有找到纳税人识别号 \"110105MA01ABCD1234\""},
        RefusalCase{"UnitDeleteWithoutYes", Args({"taxpayer", "delete", "370211600123456"}), 2,
                    "taxpayer delete needs --yes, which answers OK to the question asked before deleting"},
        RefusalCase{"DuplicateReport", Args({"report", "new", "370211600123456", "YSFPCGL", "200601"}), 1,
                    "此报表已经存在!"},
        RefusalCase{"BadPeriod", Args({"report", "new", "370211600123456", "YSFPCGL", "200613"}), 1,
                    "所属区间的格式错误,请检查!"},
        RefusalCase{"UnknownSchema", Args({"report", "new", "370211600123456", "NOSUCH"}), 1,
                    "没有找到报表种类 \"NOSUCH\""},
        RefusalCase{"UnknownReport", Args({"report", "delete", "370211600123456", "HGWSPZ", "200602", "--yes"}), 1,
                    "没有找到报表 \"HGWSPZ200602.xml\""},
        RefusalCase{"ImportIntoADeclaredReport",
                    Args({"report", "import", "370211600123456", "YSFPCGL", "200601", "rows.csv"}), 1,
                    "报表\"YSFPCGL200601.xml\"不是待申报报表,不能导入数据!"},
        RefusalCase{"ReportDeleteWithoutYes", Args({"report", "delete", "370211600123456", "HGWSPZ", "200601"}), 2,
                    "report delete needs --yes, which answers OK to the question asked before deleting"}),
    [](const auto &info) { return std::string(info.param.name); });

struct UpgradeCase {
    const char *name;
    const char *version; // "VERSION" before
    bool conflict;       // Data/Help/a.txt already there with other content
    const char *printed;
    int status;
    const char *versionAfter;
    bool moved; // the old layout has moved into the current one
};

void PrintTo(const UpgradeCase &c, std::ostream *os) { *os << c.name; }

class CliUpgrade : public ::testing::TestWithParam<UpgradeCase> {};

// The workspace holds the old layout next to the current one: a definition
// file and a taxpayer folder directly in the workspace.
TEST_P(CliUpgrade, StepsTheDataVersion)
{
    const UpgradeCase &c = GetParam();
    TempWorkspace ws;
    CopyDemoWith(ws);
    ASSERT_EQ(Cli({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("VERSION"), Arg(c.version)}).status, 0);
    ws.Write(QStringLiteral("YSFPCGL.xml"), "<new/>");
    ws.Write(QStringLiteral("Help/a.txt"), "help");
    if (c.conflict)
        ws.Write(QStringLiteral("Data/Help/a.txt"), "other");

    const CliRun run = Cli({QStringLiteral("upgrade")});
    EXPECT_EQ(run.status, c.status) << run.err.toStdString();
    EXPECT_EQ(run.out, Arg(c.printed) + QLatin1Char('\n'));
    EXPECT_EQ(Cli({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("VERSION")}).out,
              Arg(c.versionAfter) + QLatin1Char('\n'));
    if (c.conflict) {
        EXPECT_EQ(run.err, Arg("corvane-cli: 移动文件失败！(") + ws.file(QStringLiteral("Help")) + QStringLiteral(")\n"));
    }
    EXPECT_EQ(ws.Read(QStringLiteral("DS/YSFPCGL.xml")) == "<new/>", c.moved || c.conflict);
    EXPECT_EQ(ws.Read(QStringLiteral("Data/Help/a.txt")) == "help", c.moved);
    EXPECT_EQ(QFile::exists(ws.file(QStringLiteral("Help/a.txt"))), !c.moved);
    EXPECT_TRUE(QFile::exists(ws.file(Arg("数据上报/200601/YSFPCGLJK.DTD"))));
}

INSTANTIATE_TEST_SUITE_P(Versions, CliUpgrade,
                         ::testing::Values(UpgradeCase{"EmptyMovesTheOldLayout", "", false, "2.40", 0, "2.40", true},
                                           UpgradeCase{"MoveFailsAndTheVersionStays", "", true, "1.00", 1, "", false},
                                           UpgradeCase{"NotANumber", "abc", false, "0.00", 0, "abc", false},
                                           UpgradeCase{"TwoStepsFrom220", "2.20", false, "2.40", 0, "2.40", false},
                                           UpgradeCase{"LaterVersionStays", "3", false, "3.00", 0, "3", false}),
                         [](const auto &info) { return std::string(info.param.name); });

namespace {

// A rule script in GBK, as the workspaces have them.
const QString kConsoleScript = QStringLiteral(
    "var RATE = 0.07;\r\n"
    "function tax(amount) { return Math.round(Number(amount) * RATE * 100) / 100; }\r\n"
    "function describe(text, day) {\r\n"
    "  return typeof text + ':' + text + '|' + (day instanceof Date ? day.getFullYear() + '/' + (day.getMonth() + 1) + '/' + day.getDate() : 'none');\r\n"
    "}\r\n"
    "function broken(x) {\r\n"
    "  return x + zongji;\r\n"
    "}\r\n"
    "function GetSchemaList() { return '检查'; }\r\n");

struct ScriptConsoleCase {
    const char *name;
    QStringList args;
    const char *out;
};

class CliScriptConsole : public ::testing::TestWithParam<ScriptConsoleCase> {
};

TEST_P(CliScriptConsole, PrintsTheResultAsTheProgramsReadIt)
{
    const ScriptConsoleCase &c = GetParam();
    TempWorkspace ws;
    ws.Write(QStringLiteral("Script.js"), EncodeGbk(kConsoleScript));
    ws.Write(QStringLiteral("check.JS"), EncodeGbk(QStringLiteral("function GetSchemaList() { return 'YSFPCGL'; }\r\n")));
    ws.MakeCurrent();
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QString::fromUtf8(c.out));
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Console, CliScriptConsole,
    ::testing::Values(
        ScriptConsoleCase{"EvalSeesTheScript", {"script", "--eval", "tax(1000) + RATE"}, "70.07\n"},
        ScriptConsoleCase{"EvalBoolean", {"script", "--eval", "RATE > 0"}, "True\n"},
        ScriptConsoleCase{"EvalDate", {"script", "--eval", "new Date(2024, 1, 29)"}, "2024-02-29\n"},
        ScriptConsoleCase{"EvalJScriptDialect", {"script", "--eval", "parseInt('010') + '|' + 'abc'.substr(-1, 2)"},
                          "8|ab\n"},
        ScriptConsoleCase{"EvalChinese", {"script", "--eval", "GetSchemaList()"}, "检查\n"},
        ScriptConsoleCase{"EvalNothing", {"script", "--eval", "undefined"}, "\n"},
        ScriptConsoleCase{"CallWithText", {"script", "--call", "tax", "250"}, "17.5\n"},
        ScriptConsoleCase{"CallWithDate", {"script", "--call", "describe", "金额", "--date", "2006-01-11"},
                          "string:金额|2006/1/11\n"},
        ScriptConsoleCase{"CallWithoutArguments", {"script", "--call", "describe"}, "undefined:undefined|none\n"},
        ScriptConsoleCase{"CheckScript", {"script", "--check", "--call", "GetSchemaList"}, "YSFPCGL\n"}),
    [](const auto &info) { return std::string(info.param.name); });

struct ScriptFailureCase {
    const char *name;
    QStringList args;
    const char *report; // standard error, exactly
};

class CliScriptFailure : public ::testing::TestWithParam<ScriptFailureCase> {
};

TEST_P(CliScriptFailure, PrintsTheFiveLineReportAndFails)
{
    const ScriptFailureCase &c = GetParam();
    TempWorkspace ws;
    ws.Write(QStringLiteral("Script.js"), EncodeGbk(kConsoleScript));
    ws.MakeCurrent();
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err, QString::fromUtf8(c.report));
}

INSTANTIATE_TEST_SUITE_P(
    Console, CliScriptFailure,
    ::testing::Values(
        ScriptFailureCase{"ErrorInTheCalledFunction", {"script", "--call", "broken", "1"},
                          "计算脚本时发生错误，以下是出错信息：\r\n错误编号:5009\r\n错误行号:7,列号:0\r\n"
                          "错误文本:return x + zongji;\r\n错误说明:'zongji' 未定义\r\n"},
        ScriptFailureCase{"FunctionTheScriptLacks", {"script", "--call", "nothing"},
                          "计算脚本时发生错误，以下是出错信息：\r\n错误编号:438\r\n错误行号:0,列号:0\r\n"
                          "错误文本:\r\n错误说明:对象不支持此属性或方法\r\n"},
        ScriptFailureCase{"ErrorInTheExpression", {"script", "--eval", "null.x"},
                          "计算脚本时发生错误，以下是出错信息：\r\n错误编号:5007\r\n错误行号:1,列号:0\r\n"
                          "错误文本:null.x\r\n错误说明:缺少对象\r\n"},
        ScriptFailureCase{"SyntaxErrorInTheExpression", {"script", "--eval", "tax(1"},
                          "计算脚本时发生错误，以下是出错信息：\r\n错误编号:1006\r\n错误行号:1,列号:6\r\n"
                          "错误文本:tax(1\r\n错误说明:缺少 ')'\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

TEST(CliScript, SyntaxErrorInTheScriptIsReportedAtLoad)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("Script.js"), "function ok() { return 1; }\r\nvar s = 'open;\r\n");
    ws.MakeCurrent();
    const CliRun run = Cli({"script", "--eval", "ok()"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, QStringLiteral("计算脚本时发生错误，以下是出错信息：\r\n错误编号:1015\r\n错误行号:2,列号:9\r\n"
                                      "错误文本:var s = 'open;\r\n错误说明:未结束的字符串常量\r\n"));
}

TEST(CliScript, CheckWithoutCheckScriptSaysSo)
{
    TempWorkspace ws;
    ws.CopyDemo();
    ASSERT_TRUE(QFile::remove(ws.file(QStringLiteral("Check.js"))));
    const CliRun run = Cli({"script", "--check", "--eval", "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("corvane-cli: the workspace has no Check.js ("))) << run.err.toStdString();
    // The client's own script is there and loads.
    EXPECT_EQ(Cli({"script", "--eval", "typeof ysfpcgl_OnBeforePost"}).out, QStringLiteral("function\n"));
}

TEST(CliScript, WrongCommandLinesAreUsageErrors)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("Script.js"), "function f() {}\r\n");
    ws.MakeCurrent();
    const QList<QStringList> lines = {
        {"script"}, {"script", "--eval"}, {"script", "--eval", "1", "2"}, {"script", "--call"},
        {"script", "--run", "f"}, {"script", "--call", "f", "--date", "2006-13-01"}, {"script", "--call", "f", "--date"},
    };
    for (const QStringList &line : lines) {
        const CliRun run = Cli(line);
        EXPECT_EQ(run.status, 2) << line.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_TRUE(Cli({"--help"}).out.contains(QStringLiteral("script [--check] --call FUNCTION [ARG...]")));
}
