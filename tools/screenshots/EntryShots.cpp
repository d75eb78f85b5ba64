// The dialogs of record entry, over the demo workspace's open invoice
// report.

#include "Shots.h"

#include "app/utils/ApplicationInfo.h"
#include "documents/QYXX.h"
#include "entry/RecordValidation.h"
#include "entry/ReportGrid.h"
#include "entry/forms/ConfirmForm.h"
#include "entry/forms/OptionsForm.h"
#include "entry/forms/RecEditForm.h"
#include "reportdata/XmlDataSet.h"
#include "workspace/EnterpriseTable.h"

#include <QDir>

namespace {

// What the record editor works on; kept for the tool's lifetime.
struct TOpenInvoices {
    TXmlDataSet report;
    TReportGrid grid;
    TEnterpriseTable enterprises;
};

TOpenInvoices *OpenFirstInvoiceReport()
{
    static std::unique_ptr<TOpenInvoices> open;
    if (open)
        return open.get();
    // The first report of the transport invoice schema the workspace holds.
    const QDir data(TApplicationInfo::AppFile(QStringLiteral("Data")));
    for (const QString &unit : data.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QStringList reports = QDir(data.filePath(unit)).entryList({QStringLiteral("YSFPCGL*.xml")}, QDir::Files, QDir::Name);
        if (reports.isEmpty())
            continue;
        open = std::make_unique<TOpenInvoices>();
        open->report.SetFileName(QDir(data.filePath(unit)).filePath(reports.last()));
        open->report.SetAccMonth(reports.last().mid(7, 6));
        open->report.Open();
        open->grid.Attach(&open->report, QStringLiteral("YSFPCGL"), &open->enterprises);
        open->grid.SetViewMode(false);
        TEnterpriseList list;
        list.Open(TApplicationInfo::AppFile(QStringLiteral("QYXX.xml")));
        open->enterprises.Load(list.Enumerate());
        return open.get();
    }
    return nullptr;
}

std::unique_ptr<QWidget> RecordEditor(const TShotContext &)
{
    TOpenInvoices *open = OpenFirstInvoiceReport();
    if (!open)
        return std::make_unique<QWidget>();
    open->report.Last();
    return std::make_unique<TfrmRecEdit>(open->grid, &open->enterprises);
}

// The confirmation of the invoice schema's columns for its last record.
std::unique_ptr<QWidget> Confirmation(const TShotContext &)
{
    TOpenInvoices *open = OpenFirstInvoiceReport();
    if (!open)
        return std::make_unique<QWidget>();
    open->report.Last();
    return std::make_unique<TfrmConfirm>(
        BuildConfirmList(TApplicationInfo::DSDir() + QStringLiteral("YSFPCGL.xml"), open->report));
}

std::unique_ptr<QWidget> Options(const TShotContext &)
{
    auto dialog = std::make_unique<TfrmOptions>();
    dialog->SetOptions(TOptionsRec{false, true, QStringLiteral("98")});
    return dialog;
}

} // namespace

QList<TShot> EntryShots()
{
    return {{QStringLiteral("record-editor"), RecordEditor},
            {QStringLiteral("confirm"), Confirmation},
            {QStringLiteral("options"), Options}};
}
