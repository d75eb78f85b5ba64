#include "app/ClientSession.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/Utils.h"
#include "app/utils/WaitPanel.h"
#include "app/utils/WorkspaceLock.h"
#include "entry/GridLayoutStore.h"
#include "entry/RecordValidation.h"
#include "entry/ScriptHost.h"
#include "reportdata/XmlDataSet.h"

namespace {

const QString kOpeningReport = QStringLiteral("正在打开数据报表,请稍候...");

} // namespace

TClientSession::TClientSession(TClientPrompts &prompts, QObject *parent)
    : QObject(parent), prompts_(prompts), collectionTexts_(CollectionTypeTexts(QString()))
{
    statusPanels_[0] = FormatText(QStringLiteral("当前报表: %S"), {QString()});
}

TClientSession::~TClientSession()
{
    if (!shutDown_)
        Shutdown();
}

QString TClientSession::StatusPanel(int index) const
{
    return index >= 0 && index < 4 ? statusPanels_[index] : QString();
}

void TClientSession::SetCaption(const QString &caption)
{
    caption_ = caption;
    emit CaptionChanged(caption);
}

void TClientSession::SetStatusPanel(int index, const QString &text)
{
    statusPanels_[index] = text;
    emit StatusPanelChanged(index, text);
}

namespace {

QString ReportKey(const TXmlFileRec &report)
{
    return (report.SWSBH + QChar(0) + report.SchemaName + QChar(0) + report.FileName).toUpper();
}

} // namespace

void TClientSession::SetCurrentReport(const QString &text, const QString &key)
{
    currentReportKey_ = key;
    if (text == currentReport_)
        return;
    currentReport_ = text;
    SetStatusPanel(0, FormatText(QStringLiteral("当前报表: %S"), {text}));
}

bool TClientSession::IsCurrentReport(const TTreeNode *reportNode) const
{
    return TNavigationTree::ReportPath(reportNode) == currentReport_
           && ReportKey(reportNode->Report()) == currentReportKey_;
}

void TClientSession::ShowStatus(const QString &text)
{
    SetStatusPanel(1, FormatText(QStringLiteral("状态: %S"), {text}));
}

void TClientSession::SetViewMode(bool viewMode)
{
    // A report opened for viewing becomes writable when it is to be edited,
    // unless it cannot be written here at all.
    if (!viewMode && openReport_) {
        openReport_->SetReadOnly(false);
        if (openReport_->ReadOnly()) {
            viewMode = true;
            TMessageBox::Show(TXmlDataSet::ReadOnlyText(openReport_->ReadOnlyReason()), TMessageBox::InformationOk);
        }
    }
    viewMode_ = viewMode;
    grid_.SetViewMode(viewMode);
    emit ViewModeChanged(viewMode);
}

void TClientSession::SetPrintEnabled(bool enabled)
{
    printEnabled_ = enabled;
    emit PrintEnabledChanged(enabled);
}

// ---------------------------------------------------------------- selection

TTreeNode *TClientSession::RequireSelected(TNodeKind kind) const
{
    if (!selected_ || selected_->Kind() != kind)
        throw TSilentAbort();
    return selected_;
}

void TClientSession::PublishOffer()
{
    TSelection selection;
    if (selected_) {
        selection.kind = selected_->Kind();
        if (selection.kind == TNodeKind::Report) {
            const TXmlFileRec report = selected_->Report();
            selection.status = report.STATUS;
            selection.isCurrentReport = IsCurrentReport(selected_);
            // Printing needs the report itself open, not only chosen.
            selection.interfaceFileExists = selection.isCurrentReport && openReport_ && InterfaceFileExists(report);
        }
    }
    selection.collectionType = collectionType_;
    selection.rootHasChild = tree_.Root() && tree_.Root()->ChildCount() > 0;
    offer_ = OfferFor(selection);
    if (offer_.decidesPrint && printEnabled_ != offer_.printButton)
        SetPrintEnabled(offer_.printButton);
    emit OfferChanged();
}

bool TClientSession::InterfaceFileExists(const TXmlFileRec &report) const
{
    if (report.STATUS != kStatusDeclared)
        return false;
    const QString period = PeriodOfFileName(report.FileName);
    return FileExistsAnyCase(
        InterfaceFilePath(report.SchemaName, TApplicationInfo::DeclareDir(period), report.SWSBH, period));
}

void TClientSession::Select(TTreeNode *node)
{
    if (!node)
        return;
    // A record being edited in the grid is posted or given up first; a
    // cancelled question keeps the report and the selection as they are.
    if (node->Kind() == TNodeKind::Report && !IsCurrentReport(node) && !SettlePendingRecord())
        throw TSilentAbort();
    selected_ = node;
    emit SelectionChanged(node);
    if (node->Kind() == TNodeKind::Report)
        SelectReport(node);
    else
        PublishOffer();
}

void TClientSession::SelectReport(TTreeNode *node)
{
    const TXmlFileRec report = node->Report();
    try {
        OpenReportNode(node, report.STATUS == kStatusAwaiting);
    } catch (...) {
        // The commands still follow the node when its report cannot be
        // opened; nothing refers to the report that was let go.
        if (!openReport_) {
            openSWSBH_.clear();
            openPeriod_.clear();
        }
        PublishOffer();
        throw;
    }
    PublishOffer();
}

void TClientSession::OpenSelectedForEdit() { OpenReportNode(RequireSelected(TNodeKind::Report), true); }

void TClientSession::OpenSelectedForView() { OpenReportNode(RequireSelected(TNodeKind::Report), false); }

void TClientSession::OpenReportNode(TTreeNode *node, bool editing)
{
    const TXmlFileRec report = node->Report();
    const TSchemaRec schema = node->Parent()->Schema();
    reportTitle_ = schema.CHSNAME;
    emit ReportTitleChanged(reportTitle_);
    ShowStatus(ReportStatusText(report.STATUS));
    if (IsCurrentReport(node))
        return; // already open
    SetCurrentReport(TNavigationTree::ReportPath(node), ReportKey(report));
    // The layout of the schema shown so far is kept before its report goes.
    if (!gridLayoutSection_.isEmpty())
        emit SaveGridLayoutRequested(gridLayoutSection_);
    OpenReport(TApplicationInfo::EnsureDataDir(report.SWSBH) + report.FileName, node->Caption(), !editing);
    currentSchemaName_ = report.SchemaName;
    gridLayoutSection_ = report.SchemaName;
    BindOpenReport(report.SchemaName, report.SWSBH);
    emit GridBound(gridLayoutSection_);
    openSWSBH_ = report.SWSBH;
    openPeriod_ = node->Caption();
    SetViewMode(!editing || openReport_->ReadOnly());
    if (node == selected_)
        PublishOffer();
}

void TClientSession::ReleaseReport()
{
    if (!openReport_)
        return;
    emit ReportClosing();
    grid_.Detach();
    gridLayoutSection_.clear(); // the grid shows no schema's columns now
    std::unique_ptr<TXmlDataSet> report = std::move(openReport_);
    std::unique_ptr<TRecordValidator> validator = std::move(validator_);
    report->BeforePost = nullptr;
    report->Close(); // writes the file; the dataset is closed even when that fails
}

void TClientSession::BindOpenReport(const QString &schemaName, const QString &swsbh)
{
    if (!openReport_)
        return;
    // Without a script engine (a command-line tool that runs no rules)
    // nothing is posted through the rules: the dataset keeps its keys unique.
    if (scriptEngine_) {
        validator_ = std::make_unique<TRecordValidator>(
            TRecordContext{schemaName, swsbh, taxpayers_, schemas_, *scriptEngine_});
        validator_->LearnEnterprises = [this](TXmlDataSet &report) {
            // Rows brought in from a file were never in the grid's cells,
            // and without a current cell there is no focus to compare.
            const bool typed = validator_->Interactive() && grid_.CurrentField() >= 0;
            const TGridFocus focus = grid_.Focus();
            const TRowCheck check =
                LearnFromRecord(enterpriseTable_, report, grid_.ColumnOrder(), typed ? &focus : nullptr);
            return check.kind == TRowCheck::Kind::Refused ? check.message : QString();
        };
        TRecordValidator *validator = validator_.get();
        openReport_->BeforePost = [validator](TXmlDataSet &report) { validator->BeforePost(report); };
    }
    grid_.Attach(openReport_.get(), schemaName, &enterpriseTable_);
    emit ReportBound();
}

void TClientSession::OpenReport(const QString &path, const QString &period, bool viewOnly)
{
    ReleaseReport();
    if (!FileExistsAnyCase(path))
        throw TUserError(FormatText(QStringLiteral("文件\"%S\"不存在!"), {path}));
    // Loading the file is most of the work, so the panel shows before it.
    TWaitPanel::Show(kOpeningReport);
    auto report = std::make_unique<TXmlDataSet>();
    try {
        report->SetFileName(path);
        report->SetAccMonth(period);
        report->SetReadOnly(viewOnly);
        report->BeforeOpen = [](TXmlDataSet &) { TWaitPanel::Show(kOpeningReport); };
        report->AfterOpen = [](TXmlDataSet &) { TWaitPanel::Close(); };
        report->SetScriptEngine(scriptEngine_.get());
        report->Open();
    } catch (...) {
        TWaitPanel::Close();
        throw;
    }
    openReport_ = std::move(report);
    emit ReportOpened(openReport_.get());
    // A report that cannot be written here (open in another program, a
    // read-only file, a folder that cannot be written) is only shown.
    const TReadOnlyReason reason = openReport_->ReadOnlyReason();
    if (!viewOnly && reason == TReadOnlyReason::OpenElsewhere)
        TMessageBox::Show(TXmlDataSet::ReadOnlyText(reason), TMessageBox::InformationOk);
}

void TClientSession::FindTaxPayer(const QString &text)
{
    const QString code = text.trimmed();
    if (code.isEmpty())
        return;
    if (TTreeNode *node = tree_.FindTaxPayer(code)) {
        Select(node);
        emit FocusTree();
        return;
    }
    TMessageBox::Show(QStringLiteral("没有找到此纳税人识别号!"), TMessageBox::WarningOk);
}
