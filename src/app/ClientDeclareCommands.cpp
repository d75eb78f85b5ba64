// The commands at the end of a report's life: declaring it (export, audit,
// archive, status 9), taking the declaration back, and printing the
// declared list.
//
// A declaration is never half-done: a failed export ends the command with
// the status unchanged and nothing left in the export folder, a refused
// audit removes the exported files, and the status changes only once the
// files are archived.

#include "app/ClientSession.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Clock.h"
#include "app/utils/Errors.h"
#include "app/utils/FileOps.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/SystemProcess.h"
#include "app/utils/Utils.h"
#include "entry/ScriptHost.h"
#include "entry/ScriptResult.h"
#include "print/Print.h"
#include "reportdata/XmlDataSet.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kCannotCreate = QStringLiteral("系统不能创建传出路径 \"%S\" ,请先建立路径后再传出!");

QString DtdName(const QString &schemaName) { return schemaName + QStringLiteral("JK.DTD"); }

QString FolderOf(const QString &path) { return QFileInfo(path).absolutePath(); }

} // namespace

TTreeNode *TClientSession::OpenReportNodeOrAbort() const
{
    TTreeNode *node = RequireSelected(TNodeKind::Report);
    if (!openReport_ || !openReport_->Active() || !IsCurrentReport(node))
        throw TSilentAbort();
    return node;
}

TExportBaseInfo TClientSession::DeclarationInfo(const TTreeNode *node) const
{
    const TXmlFileRec report = node->Report();
    const TSchemaRec schema = node->Parent()->Schema();
    const TTaxPayerRec taxpayer = node->Parent()->Parent()->TaxPayer();

    TExportBaseInfo info;
    info.period = node->Caption();
    info.schemaName = schema.NAME;
    info.schemaCaption = schema.CHSNAME;
    info.taxpayerId = report.SWSBH;
    info.taxpayerName = taxpayer.NSRMC;
    info.recordCount = openReport_->RecordCount();
    info.collectionType = collectionType_;
    const QString code = config_.GetConfigValue(QStringLiteral("CJRDM"));
    const QString name = config_.GetConfigValue(QStringLiteral("CJRMC"));
    info.collectorCode = SameTextIgnoringAsciiCase(code, QStringLiteral("@SWSBH")) ? info.taxpayerId : code;
    info.collectorName = SameTextIgnoringAsciiCase(name, QStringLiteral("@NSRMC")) ? info.taxpayerName : name;
    info.transferTemplate = schema.Transfer;
    const QString stem = schema.NAME + info.period + QLatin1Char('_') + report.SWSBH;
    info.crcFileName = stem + QStringLiteral("_CRC.XML");
    info.interfaceFile = stem + QStringLiteral("_JK.XML");
    info.declarationDate = TClock::Today();
    return info;
}

void TClientSession::Declare()
{
    if (!openReport_ || !openReport_->Active())
        return;
    TTreeNode *node = OpenReportNodeOrAbort();
    if (openReport_->State() == TDataSetState::Edit || openReport_->State() == TDataSetState::Insert)
        openReport_->Post();
    // The audit is part of a declaration: without the engine there is none.
    if (!scriptEngine_)
        throw TUserError(QStringLiteral("脚本引擎没有创建,不能检查申报文件!"));

    TExportBaseInfo info = DeclarationInfo(node);
    if (!prompts_.ExecuteDataExport(collectionType_, info, *openReport_))
        throw TSilentAbort();
    const QString interfacePath = info.interfaceFile;
    const QString crcPath = info.crcFileName;

    // The DTD beside the interface file; a copy that fails is no reason to
    // stop (the audit and the checker decide).
    const QString dtdPath = JoinPath(FolderOf(interfacePath), DtdName(info.schemaName));
    try {
        CopyFileChunked(ResolveInFolder(TApplicationInfo::DSDir(), DtdName(info.schemaName)),
                        ResolveCaseInsensitive(dtdPath));
    } catch (const TUserError &) {
    }

    if (!AuditDeclaration(info.schemaName, interfacePath, crcPath, ResolveCaseInsensitive(dtdPath)))
        throw TSilentAbort();
    ArchiveDeclaration(info.period, interfacePath, ResolveCaseInsensitive(dtdPath));
    ChangeReportStatus(node, kStatusDeclared);
    lastDeclaration_ = info;
}

bool TClientSession::AuditDeclaration(const QString &schemaName, const QString &interfacePath,
                                      const QString &crcPath, const QString &dtdPath)
{
    // A script error is shown by RunScript and ends the command; the files
    // stay for the operator to look at.
    const QVariant result =
        scriptEngine_->RunScript(ScriptFunctionName(schemaName, QStringLiteral("_OnAuditFile")), {interfacePath});
    if (!ScriptResultIs(result, 0))
        return true;
    const QVariant message =
        scriptEngine_->RunScript(ScriptFunctionName(schemaName, QStringLiteral("_OnGetErrorMessage")), {result});
    TMessageBox::ShowFmt(QStringLiteral("申报文件检查结果中发现错误，请修正后重新申报，信息如下：\r\n\r\n%S"),
                         {ScriptResultText(message)}, TMessageBox::ErrorOk);
    QFile::remove(crcPath);
    QFile::remove(interfacePath);
    QFile::remove(dtdPath);
    return false;
}

void TClientSession::ArchiveDeclaration(const QString &period, const QString &interfacePath, const QString &dtdPath)
{
    const QString declareDir = TApplicationInfo::DeclareDir(period);
    if (SameFolder(FolderOf(interfacePath), declareDir))
        return;
    QString folder;
    try {
        folder = TApplicationInfo::EnsureDir(declareDir);
    } catch (const TFileError &) {
        throw TUserError(FormatText(kCannotCreate, {declareDir}));
    }
    // An archived file under another letter case is the one replaced.
    CopyFileChunked(interfacePath, ResolveCaseInsensitive(folder + QFileInfo(interfacePath).fileName()));
    if (QFileInfo::exists(dtdPath))
        CopyFileChunked(dtdPath, ResolveCaseInsensitive(folder + QFileInfo(dtdPath).fileName()));
}

void TClientSession::ChangeReportStatus(TTreeNode *node, int status)
{
    TXmlFileRec report = node->Report();
    report.SBRQ = TClock::Today().toString(QStringLiteral("yyyy-MM-dd"));
    report.STATUS = status;
    files_.UpdateReportFile(report);
    tree_.SetReport(node, report);
    // The selection handling keeps the open report and refreshes the
    // commands and the print button.
    Select(node);
    if (IsCurrentReport(node))
        SetViewMode(status != kStatusAwaiting);
}

void TClientSession::Undeclare()
{
    TTreeNode *node = RequireSelected(TNodeKind::Report);
    if (node->Report().STATUS == kStatusAwaiting)
        return;
    if (TMessageBox::Show(QStringLiteral("您确认要将此报表的申报状态修改为初始状态吗?(初始状态可以修改数据并再次导出)"),
                          TMessageBox::QuestionOkCancel)
        != TMessageBox::IdOk)
        return;
    ChangeReportStatus(node, kStatusAwaiting);
}

QString TClientSession::PreparePrintPage(TFixedAssetChoice choice)
{
    if (!openReport_ || currentSchemaName_.isEmpty())
        throw TSilentAbort();
    const QString interfaceFile = ResolveCaseInsensitive(InterfaceFilePath(
        currentSchemaName_, TApplicationInfo::DeclareDir(openPeriod_), openSWSBH_, openPeriod_));
    const QString printFile =
        PreparePrintFile(interfaceFile, collectionType_, currentSchemaName_,
                         config_.GetConfigValue(QStringLiteral("PRINTXSLT")), schemas_, choice);
    return RenderPrintPage(printFile);
}

void TClientSession::Print()
{
    const bool wasEnabled = printEnabled_;
    SetPrintEnabled(false);
    try {
        const QString page = PreparePrintPage(TFixedAssetChoice::Ask);
        if (!TSystemProcess::Open(page))
            TMessageBox::ShowFmt(QStringLiteral("没有能打开打印页面\"%S\"的浏览器，请用浏览器打开此文件后打印。"), {page},
                                 TMessageBox::InformationOk);
    } catch (...) {
        SetPrintEnabled(wasEnabled);
        throw;
    }
    SetPrintEnabled(wasEnabled);
}
