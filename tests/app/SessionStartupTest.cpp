#include "SessionFixtures.h"

#include "app/utils/CommandRunner.h"
#include "app/utils/MessageBox.h"
#include "entry/ScriptHost.h"

#include <QDir>
#include <QFile>

namespace {

TEST_F(SessionTest, StartsOnTheDemoWorkspace)
{
    TClientSession &s = Start();
    EXPECT_EQ(s.Caption(), QStringLiteral("抵扣凭证数据采集系统V2.40"));
    EXPECT_EQ(TMessageBox::ApplicationTitle(), QStringLiteral("抵扣凭证数据采集系统"));
    EXPECT_NE(s.ScriptEngine(), nullptr);
    EXPECT_EQ(prompts.logins, 1);
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();

    TTreeNode *root = s.Tree().Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Caption(), QStringLiteral("目录"));
    ASSERT_EQ(root->ChildCount(), 3);
    EXPECT_EQ(root->Child(0)->Caption(), QStringLiteral("青岚机械制造有限公司"));
    ASSERT_EQ(root->Child(0)->ChildCount(), 3);
    TTreeNode *invoices = root->Child(0)->Child(0);
    EXPECT_EQ(invoices->Caption(), QStringLiteral("运输发票清单"));
    EXPECT_EQ(invoices->Schema().SWSBH, kQinglan);
    ASSERT_EQ(invoices->ChildCount(), 2);
    EXPECT_EQ(invoices->Child(0)->Caption(), QStringLiteral("200601"));
    EXPECT_EQ(TNavigationTree::Icon(invoices->Child(0)), TTreeIcon::Declared);
    EXPECT_EQ(TNavigationTree::Icon(invoices->Child(1)), TTreeIcon::Awaiting);
    // A unit without reports still shows every schema, empty.
    EXPECT_EQ(root->Child(2)->ChildCount(), 3);
    EXPECT_EQ(root->Child(2)->Child(0)->ChildCount(), 0);

    // The root is selected and, with a multi-unit collection type, offers a new unit.
    EXPECT_EQ(s.Selected(), root);
    EXPECT_TRUE(s.Offer().newUnit.visible);
    EXPECT_TRUE(s.CollectionTexts().searchBoxVisible);
    EXPECT_TRUE(QFile::exists(workspace.file(QStringLiteral("QYXX.xml"))));
}

TEST_F(SessionTest, ClearsWhatAnInterruptedWriteOfARegisterLeftBehind)
{
    // A writer that died (its process number is no process), and one of an
    // older name without a number.
    const QString dead = workspace.Write(QStringLiteral(".FileManager.xml.~999999999.Ab12Cd"), "half a docu");
    const QString old = workspace.Write(QStringLiteral(".TaxPayers.xml.Zz9Yy8"), "half");
    const QDateTime longAgo = QDateTime::currentDateTime().addSecs(-3600);
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(longAgo, QFileDevice::FileModificationTime);
    }
    const QString unrelated = workspace.Write(QStringLiteral(".FileManager.xml.notes"), "mine");
    Start();
    EXPECT_FALSE(QFile::exists(dead));
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_TRUE(QFile::exists(unrelated));
}

TEST_F(SessionTest, CreatesAMissingEnterpriseListAsThreeLines)
{
    QFile::remove(workspace.file(QStringLiteral("QYXX.xml")));
    Start();
    EXPECT_EQ(workspace.Read(QStringLiteral("QYXX.xml")),
              QByteArray("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<TAXPAYERS>\r\n</TAXPAYERS>\r\n"));
}

TEST_F(SessionTest, UpgradesAnOldLayoutAtTheFirstStart)
{
    SetConfig(QStringLiteral("VERSION"), QString());
    // The old layout: definition files and taxpayer folders in the workspace itself.
    QDir ws(workspace.path());
    ASSERT_TRUE(QFile::rename(workspace.file(QStringLiteral("DS/HGWSPZ.xml")), workspace.file(QStringLiteral("HGWSPZ.xml"))));
    const QByteArray definitions = workspace.Read(QStringLiteral("DS/YSFPCGL.xml"));
    workspace.Write(QStringLiteral("YSFPCGL.xml"), definitions);
    workspace.Write(QStringLiteral("DS/YSFPCGL.xml"), "older copy");
    ASSERT_TRUE(ws.rename(QStringLiteral("Data/") + kQinglan, kQinglan));
    workspace.Write(QStringLiteral("Help/index.html"), "<p>help</p>");

    TClientSession &s = Start();
    EXPECT_EQ(s.Caption(), QStringLiteral("抵扣凭证数据采集系统V2.40"));
    EXPECT_EQ(s.Config().GetConfigValue(QStringLiteral("VERSION")), QStringLiteral("2.40"));
    EXPECT_EQ(workspace.Read(QStringLiteral("DS/YSFPCGL.xml")), definitions); // the older copy replaced
    EXPECT_FALSE(QFile::exists(workspace.file(QStringLiteral("YSFPCGL.xml"))));
    EXPECT_TRUE(QFile::exists(workspace.file(QStringLiteral("DS/HGWSPZ.xml"))));
    EXPECT_TRUE(QFile::exists(workspace.file(QStringLiteral("Data/Help/index.html"))));
    EXPECT_TRUE(QFile::exists(workspace.file(QStringLiteral("Data/") + kQinglan + QStringLiteral("/YSFPCGL200602.xml"))));
    EXPECT_FALSE(ws.exists(kQinglan));
    // The declaration folder stays where it is.
    EXPECT_TRUE(ws.exists(QStringLiteral("数据上报/200601")));
}

TEST_F(SessionTest, AFolderThatCannotBeMovedKeepsTheVersionForTheNextStart)
{
    SetConfig(QStringLiteral("VERSION"), QStringLiteral("1"));
    // A differing file at the destination is never overwritten, so the move fails.
    workspace.Write(QStringLiteral("Help/a.txt"), "new");
    workspace.Write(QStringLiteral("Data/Help/a.txt"), "old");
    TClientSession &s = Start();
    EXPECT_EQ(messages.last(), QStringLiteral("移动文件失败！(") + workspace.file(QStringLiteral("Help")) + QLatin1Char(')'));
    EXPECT_EQ(s.Caption(), QStringLiteral("抵扣凭证数据采集系统V1.00"));
    EXPECT_EQ(s.Config().GetConfigValue(QStringLiteral("VERSION")), QStringLiteral("1"));
}

struct VersionCase {
    const char *name;
    const char *stored;
    const char *caption; // after the title
    const char *after;   // VERSION afterwards
};

class DataVersionTest : public SessionTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(DataVersionTest, StepsUpAndSetsTheCaption)
{
    SetConfig(QStringLiteral("VERSION"), QString::fromUtf8(GetParam().stored));
    TClientSession &s = Start();
    EXPECT_EQ(s.Caption(), QStringLiteral("抵扣凭证数据采集系统") + QString::fromUtf8(GetParam().caption));
    EXPECT_EQ(s.Config().GetConfigValue(QStringLiteral("VERSION")), QString::fromUtf8(GetParam().after));
}

INSTANTIATE_TEST_SUITE_P(Versions, DataVersionTest,
                         ::testing::Values(VersionCase{"Empty", "", "V2.40", "2.40"},
                                           VersionCase{"Two20", "2.20", "V2.40", "2.40"},
                                           VersionCase{"Two40", "2.40", "V2.40", "2.40"},
                                           VersionCase{"Three", "3", "V3.00", "3"},
                                           VersionCase{"NotANumber", "abc", "V0.00", "abc"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(SessionTest, WithoutAScriptEngineRunsTheInstallerOnceAndEnds)
{
    QFile::remove(workspace.file(QStringLiteral("Script.js")));
    RecordingLauncher launcher;
    session = std::make_unique<TClientSession>(prompts);
    EXPECT_EQ(session->Startup(), TClientSession::TStartup::Terminate);
    EXPECT_EQ(launcher.runs, QStringList{QStringLiteral("sh ") + workspace.file(QStringLiteral("RegOcx.sh"))});
    EXPECT_EQ(TClock::WaitedMilliseconds(), 5000);
    EXPECT_EQ(messages.last(), QStringLiteral("建立脚本引挚对象时发生错误，请先安装脚本引挚组件！"));
    EXPECT_EQ(messages.shown().last().flags, TMessageBox::ErrorOk);
    EXPECT_EQ(prompts.logins, 0);
}

TEST_F(SessionTest, TheInstallerCanMakeTheSecondAttemptSucceed)
{
    const QByteArray script = workspace.Read(QStringLiteral("Script.js"));
    QFile::remove(workspace.file(QStringLiteral("Script.js")));
    // An installer that puts the script back.
    class Installer : public RecordingLauncher {
    public:
        Installer(TempWorkspace &ws, QByteArray script) : ws_(ws), script_(std::move(script)) {}
        bool RunAndWait(const QString &program, const QStringList &arguments) override
        {
            ws_.Write(QStringLiteral("Script.js"), script_);
            return RecordingLauncher::RunAndWait(program, arguments);
        }
        TempWorkspace &ws_;
        QByteArray script_;
    } launcher(workspace, script);
    TClientSession &s = Start();
    EXPECT_NE(s.ScriptEngine(), nullptr);
    EXPECT_EQ(launcher.runs.size(), 1);
}

TEST_F(SessionTest, ADamagedRegistryIsReportedAndTheLoginStillRuns)
{
    workspace.Write(QStringLiteral("TaxPayers.xml"), "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<TAXPAYERS><TAXPAYER>");
    TClientSession &s = Start();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.last().contains(QStringLiteral("TaxPayers.xml"))) << messages.last().toStdString();
    EXPECT_EQ(messages.shown().last().flags, TMessageBox::ErrorOk);
    // The later steps did not run, but the rules' engine is there; the
    // session is still usable and closes cleanly.
    EXPECT_EQ(s.Tree().Root(), nullptr);
    EXPECT_TRUE(s.Caption().isEmpty());
    EXPECT_NE(s.ScriptEngine(), nullptr);
    EXPECT_EQ(prompts.logins, 1);
    s.Shown();
    EXPECT_TRUE(s.CanClose());
    s.Closing();
    s.Shutdown();
}

TEST_F(SessionTest, AnUnreadableStatusNamesTheRegisterAndLeavesTheRoot)
{
    QByteArray files = workspace.Read(QStringLiteral("FileManager.xml"));
    files.replace("STATUS=\"9\"", "STATUS=\"x9\"");
    workspace.Write(QStringLiteral("FileManager.xml"), files);
    TClientSession &s = Start();
    ASSERT_FALSE(messages.shown().isEmpty());
    EXPECT_TRUE(messages.shown().first().text.contains(QStringLiteral("FileManager.xml"))) << messages.last().toStdString();
    ASSERT_NE(s.Tree().Root(), nullptr);
    EXPECT_EQ(s.Tree().Root()->ChildCount(), 0);

    // Units the tree could not show still count as existing.
    prompts.newUnit = TTaxPayerInfo{kQinglan, QStringLiteral("重复"), QString()};
    EXPECT_FALSE(RunCommand([&] { s.NewUnit(); }));
    EXPECT_EQ(messages.last(), QStringLiteral("此纳税人识别号已经存在!"));
    EXPECT_EQ(s.TaxPayers().Enumerate().size(), 3);

    // Preferences that were never read are not overwritten at shutdown.
    s.Shutdown();
    TConfigDocument config;
    config.Open(workspace.file(QStringLiteral("Config.xml")));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("AlwaysShowEditor")), QStringLiteral("False"));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("AutoCopyRecord")), QStringLiteral("True"));
}

TEST_F(SessionTest, AFailedLoginEndsTheStart)
{
    prompts.loginResult = false;
    session = std::make_unique<TClientSession>(prompts);
    EXPECT_EQ(session->Startup(), TClientSession::TStartup::Terminate);
}

TEST_F(SessionTest, ShutdownWritesPreferencesTheEnterpriseListAndTheOpenReport)
{
    TClientSession &s = Start();
    s.Shown();
    ASSERT_FALSE(s.EnterpriseTable().IsEmpty());
    s.EnterpriseTable().Append(QStringLiteral("110101199001011234"), QStringLiteral("新学的企业"));
    s.Select(Node(kQinglan, QStringLiteral("YSFPCGL"), QStringLiteral("200602")));
    ASSERT_NE(s.OpenReportDataSet(), nullptr);
    s.SetAutoCopy(false);
    s.SetAlwaysShowEditor(true);
    EXPECT_TRUE(s.CanClose());
    s.Closing();
    s.Shutdown();
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();

    TConfigDocument config;
    config.Open(workspace.file(QStringLiteral("Config.xml")));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("AutoCopyRecord")), QStringLiteral("False"));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("AlwaysShowEditor")), QStringLiteral("True"));
    TEnterpriseList enterprises;
    enterprises.Open(workspace.file(QStringLiteral("QYXX.xml")));
    EXPECT_EQ(enterprises.Enumerate().last().NSRMC, QStringLiteral("新学的企业"));
}

} // namespace
