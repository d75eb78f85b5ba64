#include "SessionFixtures.h"

#include "app/utils/CommandRunner.h"
#include "app/utils/MessageBox.h"
#include "reportdata/XmlDataSet.h"

#include <QFile>

namespace {

const QString kInvoices = QStringLiteral("YSFPCGL");

TEST_F(SessionTest, AnAwaitingReportOpensForEditing)
{
    TClientSession &s = Start();
    TTreeNode *node = Node(kQinglan, kInvoices, QStringLiteral("200602"));
    s.Select(node);
    ASSERT_NE(s.OpenReportDataSet(), nullptr);
    EXPECT_TRUE(s.OpenReportDataSet()->Active());
    EXPECT_EQ(s.OpenReportDataSet()->AccMonth(), QStringLiteral("200602"));
    EXPECT_NE(s.OpenReportDataSet()->ScriptEngine(), nullptr);
    EXPECT_FALSE(s.ViewMode());
    EXPECT_EQ(s.StatusPanel(0), QStringLiteral("当前报表: 青岚机械制造有限公司\\运输发票清单\\200602"));
    EXPECT_EQ(s.StatusPanel(1), QStringLiteral("状态: 待申报"));
    EXPECT_EQ(s.ReportTitle(), QStringLiteral("运输发票清单"));
    EXPECT_EQ(s.CurrentSchemaName(), kInvoices);
    EXPECT_EQ(s.GridLayoutSection(), kInvoices);
    EXPECT_EQ(s.OpenReportTaxPayer(), kQinglan);
    EXPECT_EQ(s.OpenReportPeriod(), QStringLiteral("200602"));
    // The open command is shown but, for the report already open, disabled.
    EXPECT_EQ(s.Offer().openForEdit, (TMenuItemState{true, false}));
    EXPECT_FALSE(s.Offer().openForView.visible);
    EXPECT_FALSE(s.Offer().undeclare.visible);
    EXPECT_FALSE(s.PrintEnabled());
}

TEST_F(SessionTest, ADeclaredReportOpensForViewingAndCanBePrinted)
{
    const QString file = QStringLiteral("Data/") + kQinglan + QStringLiteral("/YSFPCGL200601.xml");
    const QByteArray stored = workspace.Read(file);
    TClientSession &s = Start();
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200601")));
    EXPECT_TRUE(s.ViewMode());
    EXPECT_TRUE(s.OpenReportDataSet()->ReadOnly());
    EXPECT_FALSE(RunCommand([&] { s.OpenReportDataSet()->Edit(); }));
    EXPECT_EQ(s.StatusPanel(1), QStringLiteral("状态: 已申报"));
    EXPECT_TRUE(s.Offer().openForView.visible);
    EXPECT_TRUE(s.Offer().undeclare.enabled);
    EXPECT_TRUE(s.PrintEnabled()); // its interface file is in the declaration folder

    // Another selection does not change the print button; another report does.
    s.Select(s.Tree().Root());
    EXPECT_TRUE(s.PrintEnabled());
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
    EXPECT_FALSE(s.PrintEnabled());
    // Viewing wrote nothing back.
    EXPECT_EQ(workspace.Read(file), stored);
}

TEST_F(SessionTest, AnotherStatusOpensReadOnlyWithAnEmptyStatusText)
{
    QByteArray files = workspace.Read(QStringLiteral("FileManager.xml"));
    files.replace("NAME=\"YSFPCGL200601.xml\" STATUS=\"9\"", "NAME=\"YSFPCGL200601.xml\" STATUS=\"5\"");
    workspace.Write(QStringLiteral("FileManager.xml"), files);
    TClientSession &s = Start();
    TTreeNode *node = Node(kQinglan, kInvoices, QStringLiteral("200601"));
    EXPECT_EQ(TNavigationTree::Icon(node), TTreeIcon::Declared);
    s.Select(node);
    EXPECT_TRUE(s.ViewMode());
    EXPECT_EQ(s.StatusPanel(1), QStringLiteral("状态: "));
    EXPECT_TRUE(s.Offer().undeclare.visible);
    EXPECT_FALSE(s.PrintEnabled());
}

TEST_F(SessionTest, SelectingTheOpenReportAgainDoesNotReopenIt)
{
    TClientSession &s = Start();
    TTreeNode *node = Node(kQinglan, kInvoices, QStringLiteral("200602"));
    s.Select(node);
    TXmlDataSet *opened = s.OpenReportDataSet();
    int closings = 0;
    QObject::connect(&s, &TClientSession::ReportClosing, [&] { ++closings; });
    s.Select(s.Tree().Root());
    s.Select(node);
    EXPECT_EQ(s.OpenReportDataSet(), opened);
    EXPECT_EQ(closings, 0);
    EXPECT_EQ(s.StatusPanel(1), QStringLiteral("状态: 待申报"));
    // Another report releases the first (writing it) and opens its own.
    s.Select(Node(kQinglan, QStringLiteral("HGWSPZ"), QStringLiteral("200601")));
    EXPECT_EQ(closings, 1);
    EXPECT_EQ(s.OpenReportDataSet()->AccMonth(), QStringLiteral("200601"));
}

TEST_F(SessionTest, AMissingDataFileIsReportedOnceUntilAnotherReportIsChosen)
{
    const QString path = workspace.file(QStringLiteral("Data/") + kQinglan + QStringLiteral("/YSFPCGL200602.xml"));
    QFile::remove(path);
    TClientSession &s = Start();
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200601")));
    TTreeNode *missing = Node(kQinglan, kInvoices, QStringLiteral("200602"));
    EXPECT_FALSE(RunCommand([&] { s.Select(missing); }));
    EXPECT_EQ(messages.last(), QStringLiteral("文件\"") + path + QStringLiteral("\"不存在!"));
    EXPECT_EQ(s.OpenReportDataSet(), nullptr); // the previous report was released
    // The commands still follow the node.
    EXPECT_TRUE(s.Offer().deleteReport.enabled);
    // The same node again does not retry; another report and back does.
    EXPECT_TRUE(RunCommand([&] { s.Select(missing); }));
    s.Select(Node(kQinglan, QStringLiteral("HGWSPZ"), QStringLiteral("200601")));
    EXPECT_FALSE(RunCommand([&] { s.Select(missing); }));
}

TEST_F(SessionTest, TheSearchBoxFindsAUnitByItsCode)
{
    TClientSession &s = Start();
    int focused = 0;
    QObject::connect(&s, &TClientSession::FocusTree, [&] { ++focused; });
    s.FindTaxPayer(QStringLiteral("  320583ma1q8r2t6w "));
    EXPECT_EQ(s.Selected(), Node(kChengchuan));
    EXPECT_EQ(focused, 1);
    s.FindTaxPayer(QStringLiteral("   "));
    EXPECT_TRUE(messages.shown().isEmpty());
    s.FindTaxPayer(QStringLiteral("999999999999999"));
    EXPECT_EQ(messages.last(), QStringLiteral("没有找到此纳税人识别号!"));
    EXPECT_EQ(messages.shown().last().flags, TMessageBox::WarningOk);
}

TEST_F(SessionTest, CloseQuestionsAboutARecordBeingAdded)
{
    TClientSession &s = Start();
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
    TXmlDataSet &report = *s.OpenReportDataSet();
    report.Append();
    messages.Answer(TMessageBox::IdNo);
    EXPECT_FALSE(s.CanClose());
    EXPECT_EQ(messages.last(), QStringLiteral("数据输入框中正在添加记录，确定放弃吗？"));
    EXPECT_EQ(report.State(), TDataSetState::Insert);
    messages.Answer(TMessageBox::IdYes);
    EXPECT_TRUE(s.CanClose());
    EXPECT_EQ(report.State(), TDataSetState::Browse);

    report.Edit();
    messages.Answer(TMessageBox::IdCancel);
    EXPECT_FALSE(s.CanClose());
    EXPECT_EQ(messages.last(), QStringLiteral("数据输入框中当前记录已经更改，确定保存吗？"));
    messages.Answer(TMessageBox::IdNo);
    EXPECT_TRUE(s.CanClose());
    EXPECT_EQ(report.State(), TDataSetState::Browse);
}

TEST_F(SessionTest, AReportThatCannotBeWrittenHereOpensInViewMode)
{
    const QString path = workspace.file(QStringLiteral("Data/") + kQinglan + QStringLiteral("/YSFPCGL200602.xml"));
    TClientSession &s = Start();
    {
        TXmlDataSet elsewhere; // as another program holding the report open
        elsewhere.SetFileName(path);
        s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
        EXPECT_TRUE(s.ViewMode());
        EXPECT_TRUE(s.OpenReportDataSet()->ReadOnly());
        EXPECT_EQ(messages.last(), QStringLiteral("报表已在另一个程序中打开,只能查看,不能修改!"));
        s.Select(Node(kQinglan, kInvoices, QStringLiteral("200601"))); // let go of it here
    }
    // An owner's read-only file.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
    EXPECT_TRUE(s.ViewMode());
    EXPECT_EQ(s.OpenReportDataSet()->ReadOnlyReason(), TReadOnlyReason::FileReadOnly);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(SessionTest, AReportOpenInAnotherProgramIsNotDeleted)
{
    const QString path = workspace.file(QStringLiteral("Data/") + kQinglan + QStringLiteral("/YSFPCGL200602.xml"));
    TClientSession &s = Start();
    TXmlDataSet elsewhere;
    elsewhere.SetFileName(path);
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602"))); // shown read-only here
    messages.Answer(TMessageBox::IdOk);
    EXPECT_FALSE(RunCommand([&] { s.DeleteReport(); }));
    EXPECT_EQ(messages.last(), QStringLiteral("报表\"YSFPCGL200602.xml\"已在另一个程序中打开,不能删除!"));
    EXPECT_EQ(s.Files().ReportFiles(kQinglan, kInvoices).size(), 2);
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(SessionTest, UnitsOfOneNameNeverShareTheOpenReport)
{
    TClientSession &s = Start();
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
    // Another unit takes the same name and gets a report of the same period.
    s.Select(Node(kFenghe));
    prompts.unitName = Node(kQinglan)->Caption();
    ASSERT_TRUE(RunCommand([&] { s.RenameUnit(); }));
    s.Select(Node(kFenghe, kInvoices));
    prompts.period = QStringLiteral("200602");
    ASSERT_TRUE(RunCommand([&] { s.NewReport(); })) << messages.last().toStdString();
    ASSERT_NE(s.OpenReportDataSet(), nullptr);
    EXPECT_EQ(s.OpenReportTaxPayer(), kFenghe);
    EXPECT_EQ(s.OpenReportDataSet()->RecordCount(), 0);
    EXPECT_TRUE(s.OpenReportDataSet()->FileName().contains(kFenghe));
}

TEST_F(SessionTest, ChoosingAnotherReportAsksAboutTheRecordBeingEdited)
{
    TClientSession &s = Start();
    TTreeNode *first = Node(kQinglan, kInvoices, QStringLiteral("200602"));
    s.Select(first);
    TXmlDataSet *report = s.OpenReportDataSet();
    report->Edit();
    report->Fields(1).SetAsString(QStringLiteral("00099999"));
    TTreeNode *other = Node(kQinglan, QStringLiteral("HGWSPZ"), QStringLiteral("200601"));

    messages.Answer(TMessageBox::IdCancel);
    EXPECT_FALSE(RunCommand([&] { s.Select(other); }));
    EXPECT_TRUE(messages.shown().size() == 1) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(messages.last(), QStringLiteral("数据输入框中当前记录已经更改，确定保存吗？"));
    EXPECT_EQ(s.OpenReportDataSet(), report);
    EXPECT_EQ(s.Selected(), first);
    EXPECT_EQ(report->State(), TDataSetState::Edit);

    messages.Answer(TMessageBox::IdYes);
    ASSERT_TRUE(RunCommand([&] { s.Select(other); })) << messages.last().toStdString();
    s.Select(first);
    EXPECT_EQ(s.OpenReportDataSet()->Fields(1).AsString(), QStringLiteral("00099999"));
}

} // namespace
