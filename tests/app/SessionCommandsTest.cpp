#include "SessionFixtures.h"

#include "FileSizeLimit.h"
#include "app/utils/CommandRunner.h"
#include "app/utils/MessageBox.h"
#include "reportdata/XmlDataSet.h"

#include <QFile>

namespace {

const QString kInvoices = QStringLiteral("YSFPCGL");
const QString kNewCode = QStringLiteral("440300708461136");

TEST_F(SessionTest, NewUnitIsAddedToBothRegistersAndTheTree)
{
    TClientSession &s = Start();
    prompts.newUnit = TTaxPayerInfo{kNewCode, QStringLiteral("南岭电子有限公司"), QString()};
    ASSERT_TRUE(RunCommand([&] { s.NewUnit(); }));
    TTreeNode *node = s.Selected();
    ASSERT_EQ(node->Kind(), TNodeKind::TaxPayer);
    EXPECT_EQ(node->Caption(), QStringLiteral("南岭电子有限公司"));
    EXPECT_EQ(node->ChildCount(), 3);
    EXPECT_EQ(node->Child(1)->Schema().SWSBH, kNewCode);
    EXPECT_GE(s.TaxPayers().Find(kNewCode), 0);
    const int entry = s.Files().FindTaxpayer(kNewCode);
    ASSERT_GE(entry, 0);
    EXPECT_EQ(s.Files().FindFileList(entry, QStringLiteral("FJWZFPCGL")), 2);
    EXPECT_FALSE(QFile::exists(workspace.file(QStringLiteral("Data/") + kNewCode))); // made with the first report

    // The same code in another letter case is refused and the existing unit selected.
    prompts.newUnit = TTaxPayerInfo{QStringLiteral("320583ma1q8r2t6w"), QStringLiteral("重复"), QString()};
    EXPECT_FALSE(RunCommand([&] { s.NewUnit(); }));
    EXPECT_EQ(messages.last(), QStringLiteral("此纳税人识别号已经存在!"));
    EXPECT_EQ(s.Selected(), Node(kChengchuan));
    EXPECT_EQ(s.TaxPayers().Enumerate().size(), 4);

    // A cancelled dialog changes nothing.
    prompts.newUnit.reset();
    EXPECT_TRUE(RunCommand([&] { s.NewUnit(); }));
    EXPECT_EQ(s.Tree().Root()->ChildCount(), 4);
}

TEST_F(SessionTest, ASingleUnitCollectionTypeOffersTheNewUnitOnlyWhileThereIsNone)
{
    SetConfig(QStringLiteral("CJLX"), QStringLiteral("cgsk"));
    WriteDocument(QStringLiteral("TaxPayers.xml"), QStringLiteral("<TAXPAYERS>\r\n</TAXPAYERS>\r\n"));
    WriteDocument(QStringLiteral("FileManager.xml"), QStringLiteral("<FILEMANAGER>\r\n</FILEMANAGER>\r\n"));
    TClientSession &s = Start();
    EXPECT_EQ(s.CollectionTexts().newUnitCommand, QStringLiteral("新增税务机关(&N)"));
    EXPECT_FALSE(s.CollectionTexts().searchBoxVisible);
    EXPECT_TRUE(s.Offer().newUnit.visible);
    prompts.newUnit = TTaxPayerInfo{QStringLiteral("1370211"), QStringLiteral("青岛市税务局"), QString()};
    ASSERT_TRUE(RunCommand([&] { s.NewUnit(); }));
    s.Select(s.Tree().Root());
    EXPECT_FALSE(s.Offer().newUnit.visible);
    EXPECT_FALSE(s.Offer().newUnitButton);
    // Deleting the only unit offers it again.
    s.Select(s.Tree().Root()->Child(0));
    messages.Answer(TMessageBox::IdOk);
    ASSERT_TRUE(RunCommand([&] { s.DeleteUnit(); }));
    EXPECT_EQ(s.Selected(), s.Tree().Root());
    EXPECT_TRUE(s.Offer().newUnit.visible);
}

TEST_F(SessionTest, RenameChangesTheNameButNotTheCode)
{
    TClientSession &s = Start();
    s.Select(Node(kQinglan));
    prompts.unitName = QStringLiteral("  青岚重工有限公司 ");
    ASSERT_TRUE(RunCommand([&] { s.RenameUnit(); }));
    TTreeNode *node = Node(kQinglan);
    EXPECT_EQ(node->Caption(), QStringLiteral("青岚重工有限公司"));
    EXPECT_EQ(node->TaxPayer().NSRMC, QStringLiteral("青岚重工有限公司"));
    const TTaxPayerRec stored = s.TaxPayers().Enumerate().first();
    EXPECT_EQ(stored.NSRMC, QStringLiteral("青岚重工有限公司"));
    EXPECT_EQ(stored.SWJGDM, QStringLiteral("137021100"));
    EXPECT_EQ(node->Child(0)->ChildCount(), 2); // its reports stay attached
}

TEST_F(SessionTest, DeletingTheUnitWhoseReportIsOpenKeepsTheReportOpen)
{
    TClientSession &s = Start();
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
    TXmlDataSet *open = s.OpenReportDataSet();
    s.Select(Node(kQinglan));
    messages.Answer(TMessageBox::IdCancel);
    ASSERT_TRUE(RunCommand([&] { s.DeleteUnit(); }));
    EXPECT_EQ(messages.last(), QStringLiteral("您确认要删除此单位 \"青岚机械制造有限公司\" 吗?"));
    EXPECT_EQ(messages.shown().last().flags, TMessageBox::WarningOkCancelDefaultCancel);
    EXPECT_EQ(s.Tree().Root()->ChildCount(), 3);

    messages.Answer(TMessageBox::IdOk);
    ASSERT_TRUE(RunCommand([&] { s.DeleteUnit(); }));
    EXPECT_EQ(s.Tree().Root()->ChildCount(), 2);
    EXPECT_LT(s.TaxPayers().Find(kQinglan), 0);
    EXPECT_LT(s.Files().FindTaxpayer(kQinglan), 0);
    EXPECT_EQ(s.OpenReportDataSet(), open);
    EXPECT_TRUE(QFile::exists(workspace.file(QStringLiteral("Data/") + kQinglan + QStringLiteral("/YSFPCGL200602.xml"))));
    s.Select(Node(kChengchuan, QStringLiteral("HGWSPZ"), QStringLiteral("200602")));
    EXPECT_TRUE(s.OpenReportDataSet()->FileName().endsWith(QStringLiteral("HGWSPZ200602.xml")));
}

struct ProposalCase {
    const char *name;
    QStringList existing; // periods added in this order
    const char *proposal;
};

class PeriodProposalTest : public SessionTest, public ::testing::WithParamInterface<ProposalCase> {};

TEST_P(PeriodProposalTest, FollowsTheLastReportNode)
{
    TClientSession &s = Start();
    TTreeNode *schema = Node(kFenghe, kInvoices);
    for (const QString &period : GetParam().existing) {
        s.Select(schema);
        prompts.period = period;
        ASSERT_TRUE(RunCommand([&] { s.NewReport(); })) << messages.last().toStdString();
    }
    s.Select(schema);
    prompts.period.reset();
    ASSERT_TRUE(RunCommand([&] { s.NewReport(); }));
    EXPECT_EQ(prompts.proposedPeriod, QString::fromLatin1(GetParam().proposal));
}

INSTANTIATE_TEST_SUITE_P(
    Proposals, PeriodProposalTest,
    ::testing::Values(ProposalCase{"NoReportsGivesTheCurrentMonth", {}, "202612"},
                      ProposalCase{"AfterSeptemberAndOctober", {"200309", "200310"}, "200311"},
                      ProposalCase{"FollowsTheLastNotTheLatest", {"200312", "200309"}, "200310"},
                      ProposalCase{"AfterDecember", {"200312"}, "200401"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SessionTest, NewReportCreatesItsDataFileAndOpensIt)
{
    TClientSession &s = Start();
    s.Select(Node(kFenghe, kInvoices));
    prompts.period = QStringLiteral("200603");
    ASSERT_TRUE(RunCommand([&] { s.NewReport(); })) << messages.last().toStdString();
    TTreeNode *node = s.Selected();
    ASSERT_EQ(node->Kind(), TNodeKind::Report);
    EXPECT_EQ(node->Caption(), QStringLiteral("200603"));
    EXPECT_EQ(TNavigationTree::Icon(node), TTreeIcon::Awaiting);
    EXPECT_EQ(s.Files().ReportFiles(kFenghe, kInvoices).size(), 1);
    ASSERT_NE(s.OpenReportDataSet(), nullptr);
    EXPECT_FALSE(s.ViewMode());
    const TXmlDataSet &report = *s.OpenReportDataSet();
    EXPECT_EQ(report.PayerCode(), kFenghe);
    EXPECT_EQ(report.Version(), QStringLiteral("1.00"));
    EXPECT_EQ(report.StructFileName(), QStringLiteral("YSFPCGL.xml"));
    EXPECT_TRUE(QFile::exists(workspace.file(QStringLiteral("Data/") + kFenghe + QStringLiteral("/YSFPCGL200603.xml"))));

    // The same period again is refused and the existing node selected.
    s.Select(node->Parent());
    EXPECT_FALSE(RunCommand([&] { s.NewReport(); }));
    EXPECT_EQ(messages.last(), QStringLiteral("此报表已经存在!"));
    EXPECT_EQ(s.Selected(), node);
    EXPECT_EQ(s.Files().ReportFiles(kFenghe, kInvoices).size(), 1);
}

TEST_F(SessionTest, ANewReportReusesAFileLeftBehindWithItsRecords)
{
    // The unit's report is open while the unit is deleted and added again.
    TClientSession &s = Start();
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
    const int records = s.OpenReportDataSet()->RecordCount();
    ASSERT_GT(records, 0);
    const TTaxPayerRec unit = Node(kQinglan)->TaxPayer();
    s.Select(Node(kQinglan));
    messages.Answer(TMessageBox::IdOk);
    ASSERT_TRUE(RunCommand([&] { s.DeleteUnit(); }));
    prompts.newUnit = unit;
    ASSERT_TRUE(RunCommand([&] { s.NewUnit(); }));
    s.Select(Node(kQinglan, kInvoices));
    prompts.period = QStringLiteral("200602");
    ASSERT_TRUE(RunCommand([&] { s.NewReport(); })) << messages.last().toStdString();
    ASSERT_NE(s.OpenReportDataSet(), nullptr);
    EXPECT_EQ(s.OpenReportDataSet()->RecordCount(), records);
}

TEST_F(SessionTest, DeleteReportRemovesEntryNodeAndFileButNotTheDeclaredFiles)
{
    TClientSession &s = Start();
    TTreeNode *node = Node(kQinglan, kInvoices, QStringLiteral("200601"));
    s.Select(node);
    ASSERT_NE(s.OpenReportDataSet(), nullptr);
    messages.Answer(TMessageBox::IdOk);
    ASSERT_TRUE(RunCommand([&] { s.DeleteReport(); }));
    EXPECT_EQ(messages.last(), QStringLiteral("您确认要删除报表 \"YSFPCGL200601.xml\" 吗?"));
    EXPECT_EQ(s.OpenReportDataSet(), nullptr);
    EXPECT_EQ(s.StatusPanel(0), QStringLiteral("当前报表: "));
    EXPECT_EQ(s.Files().ReportFiles(kQinglan, kInvoices).size(), 1);
    EXPECT_EQ(Node(kQinglan, kInvoices)->ChildCount(), 1);
    EXPECT_EQ(s.Selected(), Node(kQinglan, kInvoices));
    EXPECT_FALSE(QFile::exists(workspace.file(QStringLiteral("Data/") + kQinglan + QStringLiteral("/YSFPCGL200601.xml"))));
    EXPECT_TRUE(QFile::exists(workspace.file(QStringLiteral("数据上报/200601/YSFPCGL200601_") + kQinglan + QStringLiteral("_JK.XML"))));
}

TEST_F(SessionTest, DeletingAReportWhoseFileIsMissingIsNoError)
{
    QFile::remove(workspace.file(QStringLiteral("Data/") + kChengchuan + QStringLiteral("/HGWSPZ200602.xml")));
    TClientSession &s = Start();
    TTreeNode *node = Node(kChengchuan, QStringLiteral("HGWSPZ"), QStringLiteral("200602"));
    RunCommand([&] { s.Select(node); });
    messages.Answer(TMessageBox::IdOk);
    EXPECT_TRUE(RunCommand([&] { s.DeleteReport(); }));
    EXPECT_EQ(Node(kChengchuan, QStringLiteral("HGWSPZ"))->ChildCount(), 0);
}

TEST_F(SessionTest, DeleteReportFinishesWhenTheOpenReportCannotBeWritten)
{
    TClientSession &s = Start();
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
    const QString path = workspace.file(QStringLiteral("Data/") + kQinglan + QStringLiteral("/YSFPCGL200602.xml"));
    messages.Answer(TMessageBox::IdOk);
    {
        // The register still fits on the disk, the open report (1,040 bytes) no longer.
        FileSizeLimit full(1000);
        EXPECT_FALSE(RunCommand([&] { s.DeleteReport(); }));
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(s.OpenReportDataSet(), nullptr);
    EXPECT_EQ(s.StatusPanel(0), QStringLiteral("当前报表: "));
    EXPECT_EQ(s.Selected(), Node(kQinglan, kInvoices));
    EXPECT_TRUE(s.Offer().newReport.enabled);
}

TEST_F(SessionTest, HelpAndTheSupportSiteOpenThroughTheDesktopOrSayWhy)
{
    TClientSession &s = Start();
    RecordingLauncher launcher;
    s.OpenHelp();
    EXPECT_EQ(messages.last(), QStringLiteral("帮助文件\"") + workspace.file(QStringLiteral("Manual.chm")) + QStringLiteral("\"不存在!"));
    workspace.Write(QStringLiteral("manual.CHM"), "help");
    s.OpenHelp();
    EXPECT_EQ(launcher.runs, QStringList{workspace.file(QStringLiteral("manual.CHM"))});
    s.OpenSupportSite();
    EXPECT_EQ(launcher.runs.last(), TClientSession::SupportSite());
}

} // namespace
