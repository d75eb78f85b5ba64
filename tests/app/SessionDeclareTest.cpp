#include "DeclarationChecks.h"
#include "SessionFixtures.h"

#include "CaseNames.h"
#include "FileSizeLimit.h"
#include "app/utils/ApplicationInfo.h"
#include "app/utils/CommandRunner.h"
#include "app/utils/MessageBox.h"
#include "app/utils/TextFile.h"
#include "export/XmlCrcFile.h"
#include "reportdata/XmlDataSet.h"
#include "xml/XmlDocument.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kInvoices = QStringLiteral("YSFPCGL");
const QString kStem = QStringLiteral("YSFPCGL200602_370211600123456");
const QString kInterface = kStem + QStringLiteral("_JK.XML");
const QString kCrc = kStem + QStringLiteral("_CRC.XML");
const QString kDtd = QStringLiteral("YSFPCGLJK.DTD");

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DeclareTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        exportFolder = exportDir.path() + QLatin1Char('/');
        prompts.exportFolder = exportFolder;
    }

    // Selects the report and declares it; true when the command ran to its end.
    bool Declare(const QString &code = kQinglan, const QString &schema = kInvoices,
                 const QString &period = QStringLiteral("200602"))
    {
        if (!session)
            Start();
        TTreeNode *node = Node(code, schema, period);
        return RunCommand([&] {
            session->Select(node);
            session->Declare();
        });
    }

    int Status(const QString &period = QStringLiteral("200602")) const
    {
        return session->Tree().FindReport(session->Tree().FindSchema(session->Tree().FindTaxPayer(kQinglan), kInvoices),
                                          ReportFileName(kInvoices, period))
            ->Report()
            .STATUS;
    }

    QString DeclareFolder(const QString &period = QStringLiteral("200602")) const
    {
        return workspace.file(QStringLiteral("数据上报/") + period + QLatin1Char('/'));
    }

    // Replaces the text of a workspace file (GBK) by applying one edit.
    void EditWorkspaceFile(const QString &name, const QString &from, const QString &to)
    {
        QString text = DecodeGbk(workspace.Read(name));
        ASSERT_TRUE(text.contains(from)) << name.toStdString();
        text.replace(from, to);
        workspace.Write(name, EncodeGbk(text));
    }

    QTemporaryDir exportDir;
    QString exportFolder;
};

TEST_F(DeclareTest, ADeclarationWritesThreeFilesArchivesTwoAndMarksTheReportDeclared)
{
    ASSERT_TRUE(Declare()) << messages.texts().join(QLatin1Char('\n')).toStdString();

    EXPECT_EQ(FolderEntries(exportFolder), Names({kDtd, kCrc, kInterface}));
    EXPECT_EQ(FolderEntries(DeclareFolder()), Names({kDtd, kInterface}));
    EXPECT_EQ(ReadAll(DeclareFolder() + kInterface), ReadAll(exportFolder + kInterface));
    EXPECT_EQ(messages.last(), QStringLiteral("恭喜您，申报文件已经成功传出！\r\n\r\n导出的文件为:\r\n") + kInterface
                                   + QStringLiteral("\r\n") + kCrc);

    // Sealed, valid and described as the configuration says ("@SWSBH", "@NSRMC").
    EXPECT_EQ(DtdValidationErrors(exportFolder + kInterface, exportFolder + kDtd), QString());
    QString recorded;
    ASSERT_TRUE(LookupCrcValue(exportFolder + kCrc, kInterface, recorded));
    EXPECT_EQ(recorded, ZlibCrcText(exportFolder + kInterface));
    const auto file = TXMLDocument::LoadFile(exportFolder + kInterface);
    const TXMLNode taxpayer = file->DocumentElement().FindChild("TAXPAYER");
    EXPECT_EQ(taxpayer.Attribute("CJRDM"), kQinglan);
    EXPECT_EQ(taxpayer.Attribute("CJRMC"), QStringLiteral("青岚机械制造有限公司"));
    EXPECT_EQ(taxpayer.Attribute("SBRQ"), QStringLiteral("2026-12-10"));
    EXPECT_EQ(taxpayer.Attribute("RECORDCOUNT"), QStringLiteral("3"));
    EXPECT_EQ(prompts.exportCollectionType, QStringLiteral("DLZK"));

    TTreeNode *node = Node(kQinglan, kInvoices, QStringLiteral("200602"));
    EXPECT_EQ(node->Report().STATUS, kStatusDeclared);
    EXPECT_EQ(node->Report().SBRQ, QStringLiteral("2026-12-10"));
    EXPECT_EQ(TNavigationTree::Icon(node), TTreeIcon::Declared);
    EXPECT_TRUE(session->ViewMode());
    EXPECT_TRUE(session->PrintEnabled());
    EXPECT_TRUE(session->Offer().undeclare.enabled);
    // The register on disk says so too.
    EXPECT_TRUE(DecodeGbk(workspace.Read(QStringLiteral("FileManager.xml")))
                    .contains(QStringLiteral("<DATAFILE NAME=\"YSFPCGL200602.xml\" STATUS=\"9\" SBRQ=\"2026-12-10\"/>")));
}

TEST_F(DeclareTest, CollectorsNamedInTheConfigurationAreWrittenAsThey)
{
    SetConfig(QStringLiteral("CJRDM"), QStringLiteral("1370200"));
    SetConfig(QStringLiteral("CJRMC"), QStringLiteral("青岛&代理"));
    ASSERT_TRUE(Declare());
    const auto file = TXMLDocument::LoadFile(exportFolder + kInterface);
    const TXMLNode taxpayer = file->DocumentElement().FindChild("TAXPAYER");
    EXPECT_EQ(taxpayer.Attribute("CJRDM"), QStringLiteral("1370200"));
    EXPECT_EQ(taxpayer.Attribute("CJRMC"), QStringLiteral("青岛&代理"));
}

TEST_F(DeclareTest, ExportingIntoTheDeclarationFolderItselfSkipsTheArchiveCopies)
{
    prompts.exportFolder = workspace.file(QStringLiteral("数据上报/200602"));
    ASSERT_TRUE(Declare());
    EXPECT_EQ(FolderEntries(DeclareFolder()), Names({kDtd, kCrc, kInterface}));
    EXPECT_EQ(Status(), kStatusDeclared);
}

TEST_F(DeclareTest, ACancelledDialogWritesNothing)
{
    prompts.exportFolder.reset();
    EXPECT_FALSE(Declare());
    EXPECT_EQ(prompts.exportAsks, 1);
    EXPECT_EQ(FolderEntries(exportFolder), "");
    EXPECT_FALSE(QFileInfo::exists(DeclareFolder()));
    EXPECT_EQ(Status(), kStatusAwaiting);
}

TEST_F(DeclareTest, ARefusedAuditLeavesNothingBehindAndTheReportAwaiting)
{
    QByteArray script = workspace.Read(QStringLiteral("Script.js"));
    script += EncodeGbk(QStringLiteral("\r\nfunction ysfpcgl_OnAuditFile(path) { return ysfpcgl_Reject(\"第1条记录的发票号码重复！\"); }\r\n"));
    workspace.Write(QStringLiteral("Script.js"), script);

    EXPECT_FALSE(Declare());
    EXPECT_EQ(messages.last(),
              QStringLiteral("申报文件检查结果中发现错误，请修正后重新申报，信息如下：\r\n\r\n第1条记录的发票号码重复！"));
    EXPECT_EQ(messages.shown().last().flags, TMessageBox::ErrorOk);
    EXPECT_EQ(FolderEntries(exportFolder), "");
    EXPECT_FALSE(QFileInfo::exists(DeclareFolder()));
    EXPECT_EQ(Status(), kStatusAwaiting);
    EXPECT_FALSE(session->ViewMode());
}

// A failed conversion or save ends the declaration at once: no DTD copy,
// no audit, no archive, nothing left in the export folder.
TEST_F(DeclareTest, AnUnknownConversionModeEndsTheCommandAndLeavesNothing)
{
    EditWorkspaceFile(QStringLiteral("DS/YSFPCGLTransfer.xml"), QStringLiteral("Caption=\"HWZL\" Mode=\"Attribute\""),
                      QStringLiteral("Caption=\"HWZL\" Mode=\"Property\""));
    EXPECT_FALSE(Declare());
    ASSERT_FALSE(messages.shown().isEmpty());
    EXPECT_EQ(messages.last(),
              QStringLiteral("数据传出过程中发生错误，传出申报文件失败！\r\n错误信息:未知的转换标志\"Property\"!"));
    EXPECT_EQ(FolderEntries(exportFolder), "");
    EXPECT_FALSE(QFileInfo::exists(DeclareFolder()));
    EXPECT_EQ(Status(), kStatusAwaiting);
}

TEST_F(DeclareTest, AFullDiskWhileSavingLeavesNoHalfWrittenFile)
{
    Start();
    bool declared = true;
    {
        const FileSizeLimit limit(512); // the interface file is about 1 KB
        declared = Declare();
    }
    EXPECT_FALSE(declared);
    EXPECT_TRUE(messages.last().startsWith(QStringLiteral("数据传出过程中发生错误，传出申报文件失败！\r\n错误信息:")))
        << messages.last().toStdString();
    EXPECT_EQ(FolderEntries(exportFolder), "");
    EXPECT_EQ(Status(), kStatusAwaiting);
}

TEST_F(DeclareTest, AnExistingDeclarationStaysUntilTheNewOneIsComplete)
{
    ASSERT_TRUE(Declare());
    const QByteArray first = ReadAll(exportFolder + kInterface);
    EditWorkspaceFile(QStringLiteral("DS/YSFPCGLTransfer.xml"), QStringLiteral("Caption=\"HWZL\" Mode=\"Attribute\""),
                      QStringLiteral("Caption=\"HWZL\" Mode=\"Property\""));
    EXPECT_FALSE(Declare());
    EXPECT_EQ(ReadAll(exportFolder + kInterface), first);
    EXPECT_EQ(Status(), kStatusDeclared);
}

TEST_F(DeclareTest, DeclaringAgainUpdatesTheCrcDocumentInPlace)
{
    // The export folder already seals another file.
    workspace.Write(QStringLiteral("out/") + kCrc,
                    EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<CRC><FILE NAME=\"OTHER_JK.XML\" "
                                             "CRCVALUE=\"0000ABCD\"/></CRC>\r\n")));
    prompts.exportFolder = workspace.file(QStringLiteral("out"));
    ASSERT_TRUE(Declare());
    TClock::SetFixed(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    ASSERT_TRUE(Declare()); // a declared report is declared again as a whole

    const QString crcPath = workspace.file(QStringLiteral("out/") + kCrc);
    const TCrcDocument crc = LoadCrcDocument(crcPath);
    ASSERT_EQ(crc.root.Count(), 2);
    EXPECT_EQ(crc.root.Get(0).NAME(), QStringLiteral("OTHER_JK.XML"));
    EXPECT_EQ(crc.root.Get(0).CRCVALUE(), QStringLiteral("0000ABCD"));
    EXPECT_EQ(crc.root.Get(1).NAME(), kInterface);
    EXPECT_EQ(crc.root.Get(1).CRCVALUE(), ZlibCrcText(workspace.file(QStringLiteral("out/") + kInterface)));
    EXPECT_EQ(Node(kQinglan, kInvoices, QStringLiteral("200602"))->Report().SBRQ, QStringLiteral("2026-12-11"));
}

TEST_F(DeclareTest, UndoDeclareKeepsTheArchiveAndDisablesPrinting)
{
    Start();
    TTreeNode *node = Node(kQinglan, kInvoices, QStringLiteral("200601")); // declared in the demo
    ASSERT_TRUE(RunCommand([&] { session->Select(node); }));
    ASSERT_TRUE(session->PrintEnabled());
    ASSERT_TRUE(session->ViewMode());

    messages.Answer(TMessageBox::IdCancel);
    ASSERT_TRUE(RunCommand([&] { session->Undeclare(); }));
    EXPECT_EQ(messages.last(),
              QStringLiteral("您确认要将此报表的申报状态修改为初始状态吗?(初始状态可以修改数据并再次导出)"));
    EXPECT_EQ(messages.shown().last().flags, TMessageBox::QuestionOkCancel);
    EXPECT_EQ(node->Report().STATUS, kStatusDeclared);

    messages.Answer(TMessageBox::IdOk);
    ASSERT_TRUE(RunCommand([&] { session->Undeclare(); }));
    EXPECT_EQ(node->Report().STATUS, kStatusAwaiting);
    EXPECT_EQ(node->Report().SBRQ, QStringLiteral("2026-12-10"));
    EXPECT_EQ(TNavigationTree::Icon(node), TTreeIcon::Awaiting);
    EXPECT_FALSE(session->PrintEnabled());
    EXPECT_FALSE(session->ViewMode());
    EXPECT_FALSE(session->OpenReportDataSet()->ReadOnly());
    EXPECT_TRUE(QFileInfo::exists(workspace.file(QStringLiteral("数据上报/200601/YSFPCGL200601_370211600123456_JK.XML"))));
}

// ---------------------------------------------------------------- the removable medium

struct FloppyCase {
    const char *name;
    int answer;
    bool exported;
    bool olderFileKept;
};

class FloppyDeclareTest : public DeclareTest, public ::testing::WithParamInterface<FloppyCase> {
protected:
    void SetUp() override
    {
        DeclareTest::SetUp();
        // A folder on a file system of its own, as a removable medium is.
        medium = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/corvane-floppy-XXXXXX"));
        if (!medium->isValid())
            GTEST_SKIP() << "no /dev/shm for a stand-in removable medium";
        qputenv("CORVANE_FLOPPY", medium->path().toLocal8Bit());
        prompts.exportFolder.reset();
        prompts.exportFloppy = true;
    }
    void TearDown() override
    {
        qunsetenv("CORVANE_FLOPPY");
        DeclareTest::TearDown();
    }
    std::unique_ptr<QTemporaryDir> medium;
};

TEST_P(FloppyDeclareTest, TheFloppyQuestionDecidesWhatHappensToTheMedium)
{
    const FloppyCase &c = GetParam();
    QFile older(medium->path() + QStringLiteral("/older.txt"));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("an older declaration");
    older.close();

    messages.Answer(c.answer);
    EXPECT_EQ(Declare(), c.exported);
    EXPECT_TRUE(messages.texts().value(0).startsWith(QStringLiteral("系统将向软盘传出申报文件，请选择：")));
    EXPECT_EQ(messages.shown().value(0).flags, TMessageBox::WarningYesNoCancelDefaultNo);
    EXPECT_EQ(QFileInfo::exists(older.fileName()), c.olderFileKept);
    EXPECT_EQ(QFileInfo::exists(medium->path() + QLatin1Char('/') + kInterface), c.exported);
    EXPECT_EQ(Status(), c.exported ? kStatusDeclared : kStatusAwaiting);
}

INSTANTIATE_TEST_SUITE_P(Answers, FloppyDeclareTest,
                         ::testing::Values(FloppyCase{"yes_empties_first", TMessageBox::IdYes, true, false},
                                           FloppyCase{"no_keeps", TMessageBox::IdNo, true, true},
                                           FloppyCase{"cancel_stops", TMessageBox::IdCancel, false, true}),
                         [](const auto &info) { return CaseName(info.index, info.param.name); });

// ---------------------------------------------------------------- printing

TEST_F(DeclareTest, PrintOpensThePageRenderedForTheChosenList)
{
    RecordingLauncher launcher;
    Start();
    ASSERT_TRUE(RunCommand([&] { session->Select(Node(kQinglan, kInvoices, QStringLiteral("200601"))); }));
    messages.Answer(TMessageBox::IdOk); // the fixed-asset list
    ASSERT_TRUE(RunCommand([&] { session->Print(); })) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(messages.last(), QStringLiteral("按[确定]打印固定资产清单,按[取消]打印非固定资产清单。"));
    ASSERT_EQ(launcher.runs.size(), 1);
    EXPECT_EQ(QFileInfo(launcher.runs[0]).fileName(), QStringLiteral("print.html"));
    EXPECT_TRUE(DecodeGbk(workspace.Read(QStringLiteral("DS/print.xml")))
                    .contains(QStringLiteral("href=\"YSFPCGLDLZKJK198.xslt\"?><SCHEMA NAME=\"")));
    EXPECT_TRUE(session->PrintEnabled());
}

TEST_F(DeclareTest, PrintWithoutTheArchivedFileSaysSoAndEnablesTheButtonAgain)
{
    RecordingLauncher launcher;
    Start();
    ASSERT_TRUE(RunCommand([&] { session->Select(Node(kQinglan, kInvoices, QStringLiteral("200601"))); }));
    const QString archived = workspace.file(QStringLiteral("数据上报/200601/YSFPCGL200601_370211600123456_JK.XML"));
    ASSERT_TRUE(QFile::remove(archived));
    QList<bool> states;
    QObject::connect(session.get(), &TClientSession::PrintEnabledChanged, [&](bool on) { states << on; });
    EXPECT_FALSE(RunCommand([&] { session->Print(); }));
    EXPECT_TRUE(messages.last().startsWith(QStringLiteral("数据文件“"))) << messages.last().toStdString();
    EXPECT_EQ(states, (QList<bool>{false, true}));
    EXPECT_TRUE(launcher.runs.isEmpty());
}

} // namespace
