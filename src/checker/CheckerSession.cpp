// The checker window's state and commands: start-up, the schema choice,
// the check run and saving its results.

#include "checker/Checker.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/CommandRunner.h"
#include "app/utils/Errors.h"
#include "app/utils/IniFile.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "app/utils/WorkspaceLock.h"
#include "documents/XmlConfig.h"
#include "entry/ScriptHost.h"

namespace {

const QString kErrorsCaption = QStringLiteral("共发现%d项错误");
const QString kRunEnded = QStringLiteral("申报文件检查结束。");

} // namespace

TCheckerSession::TCheckerSession() = default;

TCheckerSession::~TCheckerSession()
{
    engine_.reset();
    lock_.reset();
}

TCheckerSession::TStartup TCheckerSession::Startup()
{
    TMessageBox::SetApplicationTitle(QString::fromUtf8(kStartTitle));
    if (!RunCommand([this] { LockWorkspace(); }))
        return TStartup::Terminate;
    RunCommand([this] { LoadSettings(); });
    if (!CreateScriptEngine())
        return TStartup::Terminate;
    RunCommand([this] { ReadTitle(); });
    return TStartup::Ready;
}

void TCheckerSession::LockWorkspace()
{
    if (!lock_)
        lock_ = std::make_unique<TWorkspaceLock>(kLockName);
}

void TCheckerSession::LoadSettings()
{
    settings_ = TSettings();
    settings_ = ReadSettings();
}

bool TCheckerSession::CreateScriptEngine()
{
    engine_ = CreateScriptEngineOrInstall(QStringLiteral("Check.js"));
    return engine_ != nullptr;
}

void TCheckerSession::ReadTitle()
{
    TConfigDocument config;
    // The checker only reads the client's configuration.
    config.SetSaveOnClose(false);
    config.Open(TApplicationInfo::AppFile(QStringLiteral("Config.xml")));
    const QString title = config.GetConfigValue(QStringLiteral("Title"));
    const QString version = config.GetConfigValue(QStringLiteral("VERSION"));
    config.Close();
    TMessageBox::SetApplicationTitle(title + QStringLiteral(" V") + version);
}

QString TCheckerSession::Caption() const { return TMessageBox::ApplicationTitle(); }

void TCheckerSession::Shown()
{
    schemas_.clear();
    selected_ = -1;
    if (engine_) {
        try {
            schemas_ = ParseSchemaList(engine_->RunScript(QStringLiteral("GetSchemaList"), {QVariant()}).toString());
        } catch (const TSilentAbort &) {
            schemas_.clear();
        }
    }
    for (int i = 0; i < schemas_.size(); ++i) {
        if (SameTextIgnoringAsciiCase(schemas_[i].code, settings_.SchemaCode)) {
            selected_ = i;
            break;
        }
    }
}

void TCheckerSession::Activated()
{
    if (settings_.SchemaCode.isEmpty() && !schemas_.isEmpty())
        ChooseSchema(0);
}

void TCheckerSession::ChooseSchema(int index)
{
    if (index < 0 || index >= schemas_.size())
        return;
    selected_ = index;
    settings_.SchemaCode = schemas_[index].code;
    settings_.SchemaName = schemas_[index].name;
    settings_.Modified = true;
}

void TCheckerSession::ResetResult()
{
    result_ = TCheckResult();
}

void TCheckerSession::Check(bool floppyMode, const QString &pathText)
{
    ResetResult();
    // The status line is set however the run ends.
    struct TStatus {
        TCheckResult &result;
        bool floppy;
        ~TStatus()
        {
            result.status = kRunEnded;
            if (!result.dtdCopied)
                result.status += floppy ? QStringLiteral("(软盘写保护,类型定义文件未复制)")
                                        : QStringLiteral("(路径不可写,类型定义文件未复制)");
        }
    } status{result_, floppyMode};

    const QString code = settings_.SchemaCode;
    const QString folder = ResolveSourceFolder(floppyMode, pathText);
    result_.file = LocateInterfaceFile(folder, code);
    VerifyCrc(result_.file);
    result_.dtdCopied = CopyDtd(code, folder);
    if (!engine_)
        throw TUserError(QStringLiteral("建立脚本引挚对象时发生错误，请先安装脚本引挚组件！"));
    const QString text = engine_->RunScript(code.toLower() + QStringLiteral("_CheckFile"), {result_.file}).toString();
    const QString resultsPath = TApplicationInfo::AppFile(QStringLiteral("temp.$$$"));
    WriteFileAtomically(resultsPath, ResultsFileBytes(text));
    try {
        const TIniFile results(resultsPath);
        ReadCheckResults(results, result_);
    } catch (const std::exception &) {
        TMessageBox::Show(QStringLiteral("读取检查结果文件时发生错误！"), TMessageBox::InformationOk);
    }
    if (result_.resultsRead)
        lastErrorCount_ = result_.errorCount;
}

QString TCheckerSession::ErrorsCaption() const
{
    if (lastErrorCount_ < 0)
        return kErrorsCaption;
    return FormatText(kErrorsCaption, {lastErrorCount_});
}

QString TCheckerSession::SaveResults(bool floppyMode, const QString &pathText)
{
    const QString text = ResultsText(result_.rows);
    const QString folder = ResolveSourceFolder(floppyMode, pathText);
    const QString path = ResolveCaseInsensitive(
        ResultsFileName(folder, settings_.SchemaCode, result_.basicInfo.value(QStringLiteral("所属区间")),
                        result_.basicInfo.value(QStringLiteral("纳税人识别号"))));
    WriteFileAtomically(path, EncodeGbk(text));
    TMessageBox::ShowFmt(QStringLiteral("成功保存检查结果到文件 “%S”！"), {path}, TMessageBox::InformationOk);
    return path;
}

void TCheckerSession::Close()
{
    engine_.reset();
    if (settings_.Modified)
        WriteSettings(settings_);
    settings_.Modified = false;
}
