// Start-up and shutdown of the client's session, and the upgrade of an old
// workspace layout.

#include "app/ClientSession.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/AtomicFile.h"
#include "app/utils/CommandRunner.h"
#include "app/utils/Errors.h"
#include "app/utils/FileOps.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/Utils.h"
#include "app/utils/WindowsVersion.h"
#include "app/utils/WorkspaceLock.h"
#include "entry/GridLayoutStore.h"
#include "entry/ScriptHost.h"
#include "entry/RecordValidation.h"
#include "reportdata/XmlDataSet.h"

#include <QFile>

namespace {

QString VersionText(double version) { return FormatText(QStringLiteral("%3.2f"), {version}); }

} // namespace

TClientSession::TStartup TClientSession::Startup()
{
    if (!RunCommand([this] { LockWorkspace(); }))
        return TStartup::Terminate;
    grid_.SetAutoCopy(true);
    gridLayoutSection_.clear();
    currentSchemaName_.clear();
    SetPrintEnabled(false);
    const bool prepared = RunCommand([this] {
        LoadRegisterDocuments();
        ApplyCollectionType();
        BuildTree();
        gridLayouts_ = std::make_unique<TGridLayoutStore>(TApplicationInfo::AppFile(QStringLiteral("GridLayout.ini")));
        ReadPreferences();
        RunDataVersion();
        ApplyBrowserPrintSetting();
    });
    // The engine does not depend on the documents: it is made even after a
    // failed step, so that no report is ever edited without its rules.
    if (!CreateScriptEngine())
        return TStartup::Terminate;
    if (prepared)
        RunCommand([this] { ApplyPrintDefault(); });
    // The login runs even after a failed step: a damaged document must not
    // open the workspace without the password.
    return prompts_.ExecuteLogin() ? TStartup::Ready : TStartup::Terminate;
}

void TClientSession::LockWorkspace()
{
    if (!lock_)
        lock_ = std::make_unique<TWorkspaceLock>();
}

void TClientSession::LoadRegisterDocuments()
{
    // A write that a crash interrupted leaves its temporary file beside the
    // document; the document itself was never touched. Only the holder of
    // the workspace clears them.
    if (lock_) {
        for (const char *name : {"TaxPayers.xml", "SchemaManager.xml", "FileManager.xml", "Config.xml", "QYXX.xml"})
            TAtomicFile::RemoveStaleTemporaries(TApplicationInfo::AppFile(QString::fromLatin1(name)));
    }
    taxpayers_.Open(TApplicationInfo::AppFile(QStringLiteral("TaxPayers.xml")));
    schemas_.Open(TApplicationInfo::AppFile(QStringLiteral("SchemaManager.xml")));
    files_.Open(TApplicationInfo::AppFile(QStringLiteral("FileManager.xml")));
    config_.Open(TApplicationInfo::AppFile(QStringLiteral("Config.xml")));
    const QString enterprises = TApplicationInfo::AppFile(QStringLiteral("QYXX.xml"));
    TEnterpriseList::EnsureExists(enterprises);
    enterpriseList_.Open(enterprises);
}

void TClientSession::ApplyCollectionType()
{
    collectionType_ = config_.GetConfigValue(QStringLiteral("CJLX"));
    collectionTexts_ = CollectionTypeTexts(collectionType_);
    emit CollectionTypeApplied();
}

void TClientSession::BuildTree()
{
    selected_ = nullptr;
    try {
        tree_.Build(taxpayers_, schemas_, files_);
    } catch (...) {
        emit TreeBuilt();
        throw;
    }
    emit TreeBuilt();
    Select(tree_.Root());
}

void TClientSession::ReadPreferences()
{
    grid_.SetAutoCopy(TextToBool(config_.GetConfigValue(QStringLiteral("AutoCopyRecord"))));
    SetAlwaysShowEditor(TextToBool(config_.GetConfigValue(QStringLiteral("AlwaysShowEditor"))));
    TMessageBox::SetApplicationTitle(config_.GetConfigValue(QStringLiteral("Title")));
    preferencesRead_ = true;
}

double TClientSession::RunDataVersion()
{
    QString text = config_.GetConfigValue(QStringLiteral("VERSION")).trimmed();
    if (text.isEmpty())
        text = QStringLiteral("1");
    bool ok = false;
    double version = text.toDouble(&ok);
    if (!ok)
        version = 0;
    if (ok && version < 2.0 && UpgradeDataLayout()) {
        version = 2.0;
        config_.SetConfigValue(QStringLiteral("VERSION"), VersionText(version));
    }
    const QString title = TMessageBox::ApplicationTitle();
    SetCaption(title + QLatin1Char('V') + VersionText(version));
    // Later versions changed nothing in the files; each step is recorded.
    const double steps[][2] = {{2.0, 2.1}, {2.1, 2.2}, {2.2, 2.3}, {2.3, 2.4}};
    for (const auto &step : steps) {
        if (version == step[0]) {
            version = step[1];
            config_.SetConfigValue(QStringLiteral("VERSION"), VersionText(version));
            SetCaption(title + QLatin1Char('V') + VersionText(version));
        }
    }
    return version;
}

bool TClientSession::CreateScriptEngine()
{
    scriptEngine_ = CreateScriptEngineOrInstall(QStringLiteral("Script.js"));
    return scriptEngine_ != nullptr;
}

void TClientSession::ApplyPrintDefault()
{
    if (config_.GetConfigValue(QStringLiteral("PRINTXSLT")).isEmpty())
        config_.SetConfigValue(QStringLiteral("PRINTXSLT"), IsWindowsXP() ? QStringLiteral("XP") : QStringLiteral("98"));
}

void TClientSession::Shown()
{
    if (!enterpriseList_.IsOpen())
        return;
    enterpriseTableLoaded_ = true;
    ShowRowRefusal(enterpriseTable_.Load(enterpriseList_.Enumerate()));
}

bool TClientSession::CanClose() { return SettlePendingRecord(); }

bool TClientSession::SettlePendingRecord()
{
    if (!openReport_ || !openReport_->Active())
        return true;
    switch (openReport_->State()) {
    case TDataSetState::Edit:
        switch (TMessageBox::Show(QStringLiteral("数据输入框中当前记录已经更改，确定保存吗？"),
                                  TMessageBox::QuestionYesNoCancel)) {
        case TMessageBox::IdYes: openReport_->Post(); return true;
        case TMessageBox::IdNo: openReport_->Cancel(); return true;
        default: return false;
        }
    case TDataSetState::Insert:
        if (TMessageBox::Show(QStringLiteral("数据输入框中正在添加记录，确定放弃吗？"), TMessageBox::QuestionYesNo)
            != TMessageBox::IdYes)
            return false;
        openReport_->Cancel();
        return true;
    default:
        return true;
    }
}

void TClientSession::Closing()
{
    if (!gridLayoutSection_.isEmpty())
        emit SaveGridLayoutRequested(gridLayoutSection_);
    if (enterpriseTableLoaded_ && enterpriseList_.IsOpen())
        RunCommand([this] { enterpriseList_.ReplaceAll(enterpriseTable_.Rows()); });
}

void TClientSession::CloseWorkspace()
{
    shutDown_ = true;
    RunCommand([this] { ReleaseReport(); });
    CloseRegisterDocuments();
    lock_.reset();
}

void TClientSession::Shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    RunCommand([this] { ReleaseReport(); });
    scriptEngine_.reset();
    selected_ = nullptr;
    tree_.Clear();
    // Preferences never read (a start that failed early) are not overwritten.
    if (config_.IsOpen() && preferencesRead_) {
        RunCommand([this] {
            config_.SetConfigValue(QStringLiteral("AlwaysShowEditor"), BoolToText(grid_.AlwaysShowEditor()));
            config_.SetConfigValue(QStringLiteral("AutoCopyRecord"), BoolToText(grid_.AutoCopy()));
        });
    }
    CloseRegisterDocuments();
    enterpriseTable_.Load({});
    enterpriseTableLoaded_ = false;
    gridLayouts_.reset();
    lock_.reset(); // the last thing: every document is written
}

void TClientSession::CloseRegisterDocuments()
{
    TRegisterDocument *documents[] = {&taxpayers_, &schemas_, &files_, &config_, &enterpriseList_};
    for (TRegisterDocument *document : documents) {
        if (document->IsOpen())
            RunCommand([document] { document->Close(); });
    }
}

bool UpgradeDataLayout()
{
    const QString appDir = TApplicationInfo::AppDir();
    QStringList files;
    for (const char *prefix : {"FJWZFPCGL", "FJWZFPDKL", "HGWSPZ", "YSFPCGL", "YSFPDKL", "DKZZSZYFP"})
        ListFilesWithPrefix(appDir, QString::fromLatin1(prefix), files);
    const QString dsDir = TApplicationInfo::EnsureDir(TApplicationInfo::DSDir());
    const auto failed = [](const QString &source) {
        TMessageBox::Show(QStringLiteral("移动文件失败！(") + source + QLatin1Char(')'), TMessageBox::InformationOk);
        return false;
    };
    for (const QString &file : files) {
        // A copy that fails keeps its source and stops the upgrade, so that
        // it runs again at the next start instead of leaving the file behind.
        try {
            CopyFileChunked(file, ResolveCaseInsensitive(JoinPath(dsDir, FileNamePart(file))));
        } catch (const TUserError &) {
            return failed(file);
        }
        QFile::remove(file);
    }
    QStringList folders;
    ListSubfolders(appDir, folders);
    for (const QString &folder : folders) {
        if (folder == QStringLiteral("数据上报") || SameTextIgnoringAsciiCase(folder, QStringLiteral("DS"))
            || SameTextIgnoringAsciiCase(folder, QStringLiteral("Data")))
            continue;
        const QString source = JoinPath(appDir, folder);
        const QString target = ResolveCaseInsensitive(JoinPath(JoinPath(appDir, QStringLiteral("Data")), folder));
        bool moved = false;
        try {
            moved = MoveFolder(source, target);
        } catch (const TUserError &) {
        }
        if (!moved)
            return failed(source);
    }
    return true;
}
