// The commands of the navigation tree: units (taxpayers or collectors),
// report files, and the password change. Each keeps the registers, the tree
// and the files on disk in step.

#include "app/ClientSession.h"

#include "access/Password.h"
#include "app/utils/ApplicationInfo.h"
#include "app/utils/Clock.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/SystemProcess.h"
#include "app/utils/Utils.h"
#include "reportdata/ReportJournal.h"
#include "reportdata/ReportLock.h"
#include "entry/GridLayoutStore.h"
#include "entry/RecordValidation.h"
#include "reportdata/XmlDataSet.h"

#include <QFile>

#include <exception>

void TClientSession::NewUnit()
{
    if (!tree_.Root())
        throw TSilentAbort();
    if (!NewUnitAllowed(collectionType_, tree_.Root()->ChildCount() > 0))
        throw TUserError(QStringLiteral("当前采集类型只允许一个单位!"));
    TTaxPayerInfo info;
    if (!prompts_.EditNewUnit(collectionType_, info))
        return;
    if (TTreeNode *existing = tree_.FindTaxPayer(info.SWSBH)) {
        Select(existing);
        throw TUserError(QStringLiteral("此纳税人识别号已经存在!"));
    }
    // The registry decides too: a tree that could not be built completely
    // does not show every unit.
    if (taxpayers_.Find(info.SWSBH) >= 0)
        throw TUserError(QStringLiteral("此纳税人识别号已经存在!"));
    info.SWJGDM.clear();
    taxpayers_.Add(info);
    files_.AddTaxpayer(info.SWSBH, schemas_);
    TTreeNode *node = tree_.AddTaxPayer(info, schemas_);
    emit NodeExpanded(node);
    Select(node);
}

void TClientSession::RenameUnit()
{
    TTreeNode *node = RequireSelected(TNodeKind::TaxPayer);
    TTaxPayerRec taxpayer = node->TaxPayer();
    QString name = taxpayer.NSRMC;
    if (!prompts_.EditUnitName(name))
        return;
    taxpayer.NSRMC = name.trimmed();
    taxpayers_.Update(taxpayer);
    tree_.SetCaption(node, taxpayer.NSRMC);
    tree_.SetTaxPayer(node, taxpayer);
}

void TClientSession::DeleteUnit()
{
    TTreeNode *node = RequireSelected(TNodeKind::TaxPayer);
    const TTaxPayerRec taxpayer = node->TaxPayer();
    if (TMessageBox::ShowFmt(QStringLiteral("您确认要删除此单位 \"%S\" 吗?"), {taxpayer.NSRMC},
                             TMessageBox::WarningOkCancelDefaultCancel)
        != TMessageBox::IdOk)
        return;
    taxpayers_.Delete(taxpayer.SWSBH);
    files_.DeleteTaxpayer(taxpayer.SWSBH);
    // Its data folder and files stay; so does its report when it is open.
    selected_ = nullptr;
    tree_.Remove(node);
    Select(tree_.Root());
}

void TClientSession::NewReport()
{
    TTreeNode *node = RequireSelected(TNodeKind::Schema);
    const TSchemaRec schema = node->Schema();
    // The proposal follows the last report node, not the latest period.
    QString period = node->LastChild() ? NextPeriod(node->LastChild()->Caption())
                                       : TClock::Today().toString(QStringLiteral("yyyyMM"));
    if (!prompts_.EditPeriod(period))
        return;
    const QString fileName = ReportFileName(schema.NAME, period);
    if (TTreeNode *existing = tree_.FindReport(node, fileName)) {
        Select(existing);
        throw TUserError(QStringLiteral("此报表已经存在!"));
    }
    const TXmlFileRec report{schema.SWSBH, schema.NAME, fileName, kStatusAwaiting, QString()};
    files_.AddReportFile(report);
    TTreeNode *reportNode = tree_.AddReport(node, report);
    const QString path = TApplicationInfo::EnsureDataDir(schema.SWSBH) + fileName;
    // A file left behind by a deleted unit is reused; when it is the report
    // still open in the grid, that one is written and let go first, so the
    // two cannot overwrite each other.
    if (openReport_ && ResolveCaseInsensitive(openReport_->FileName()) == ResolveCaseInsensitive(path)) {
        if (!SettlePendingRecord())
            throw TSilentAbort();
        ReleaseReport();
        SetCurrentReport(QString());
    }
    {
        TXmlDataSet data;
        data.SetFileName(path);
        if (data.ReadOnlyReason() == TReadOnlyReason::OpenElsewhere)
            throw TUserError(FormatText(QStringLiteral("报表文件\"%S\"已在另一个程序中打开,不能新增!"), {path}));
        data.SetPayerCode(schema.SWSBH);
        data.SetVersion(QStringLiteral("1.00"));
        data.SetStructFileName(schema.DS);
        data.Save();
    }
    Select(reportNode);
}

void TClientSession::DeleteReport()
{
    TTreeNode *node = RequireSelected(TNodeKind::Report);
    const TXmlFileRec report = node->Report();
    if (TMessageBox::ShowFmt(QStringLiteral("您确认要删除报表 \"%S\" 吗?"), {report.FileName},
                             TMessageBox::WarningOkCancelDefaultCancel)
        != TMessageBox::IdOk)
        return;
    // A record being edited in another report is posted or given up first.
    if (!IsCurrentReport(node) && !SettlePendingRecord())
        throw TSilentAbort();
    const QString path = ResolveCaseInsensitive(TApplicationInfo::DataDir(report.SWSBH) + report.FileName);
    // A report another program has open would be written back when it
    // closes there; it is held here until its file is gone.
    std::unique_ptr<TReportLock> held;
    const bool lockedHere = IsCurrentReport(node) && openReport_
                            && openReport_->ReadOnlyReason() != TReadOnlyReason::OpenElsewhere
                            && openReport_->ReadOnlyReason() != TReadOnlyReason::NotLockable;
    if (!lockedHere) {
        held = std::make_unique<TReportLock>(path);
        if (held->Status() == TReportLock::State::Busy)
            throw TUserError(FormatText(QStringLiteral("报表\"%S\"已在另一个程序中打开,不能删除!"), {report.FileName}));
    }
    files_.DeleteReportFile(report);
    TTreeNode *schemaNode = node->Parent();
    selected_ = nullptr;
    tree_.Remove(node);
    // The command goes to its end even when the open report cannot be
    // written; the failure is reported after.
    std::exception_ptr failure;
    try {
        ReleaseReport();
    } catch (...) {
        failure = std::current_exception();
    }
    SetCurrentReport(QString());
    // The declared files in the declaration folder stay.
    QFile::remove(path);
    TReportJournal::DeleteFor(path);
    Select(schemaNode);
    if (failure)
        std::rethrow_exception(failure);
}

void TClientSession::ChangePassword()
{
    QString oldPassword;
    QString newPassword;
    QString confirmation;
    if (prompts_.EditPassword(oldPassword, newPassword, confirmation))
        ::ChangePassword(oldPassword, newPassword, confirmation);
}

QString TClientSession::SupportSite() { return QStringLiteral("https://www.example.org/corvane/support/"); }

void TClientSession::OpenHelp()
{
    const QString manual = TApplicationInfo::ManualFile();
    if (!FileExistsAnyCase(manual)) {
        TMessageBox::ShowFmt(QStringLiteral("帮助文件\"%S\"不存在!"), {manual}, TMessageBox::InformationOk);
        return;
    }
    if (!TSystemProcess::Open(ResolveCaseInsensitive(manual)))
        TMessageBox::ShowFmt(QStringLiteral("没有能打开帮助文件\"%S\"的程序，请安装帮助阅读程序后再试。"), {manual},
                             TMessageBox::InformationOk);
}

void TClientSession::OpenSupportSite()
{
    if (!TSystemProcess::Open(SupportSite()))
        TMessageBox::ShowFmt(QStringLiteral("无法打开网页浏览器，请手工访问 %S"), {SupportSite()}, TMessageBox::InformationOk);
}
