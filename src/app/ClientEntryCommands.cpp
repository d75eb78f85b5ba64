// The commands of the report area that go beyond the grid itself: the
// options, the enterprise list's editor and rows brought in from
// spreadsheets (a CSV file, or rows pasted into the grid).

#include "app/ClientSession.h"

#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/WaitPanel.h"
#include "entry/GridLayoutStore.h"
#include "entry/RecordImport.h"
#include "entry/RecordValidation.h"
#include "reportdata/XmlDataSet.h"

namespace {

// Refused rows listed in one notice; the rest are counted.
constexpr int kListedRefusals = 20;

} // namespace

void TClientSession::SetAlwaysShowEditor(bool on)
{
    grid_.SetAlwaysShowEditor(on);
    emit AlwaysShowEditorChanged(on);
}

void TClientSession::ExecuteOptions()
{
    TOptionsRec options;
    options.alwaysShowEditor = grid_.AlwaysShowEditor();
    options.autoCopyRecord = grid_.AutoCopy();
    options.printStyle = config_.IsOpen() ? config_.GetConfigValue(QStringLiteral("PRINTXSLT")) : QString();
    if (!prompts_.EditOptions(options))
        return;
    if (config_.IsOpen())
        config_.SetConfigValue(QStringLiteral("PRINTXSLT"), options.printStyle);
    SetAlwaysShowEditor(options.alwaysShowEditor);
    grid_.SetAutoCopy(options.autoCopyRecord);
}

void TClientSession::EditEnterpriseList()
{
    if (!enterpriseTableLoaded_)
        Shown();
    if (prompts_.EditEnterpriseList(enterpriseTable_) && enterpriseList_.IsOpen())
        enterpriseList_.ReplaceAll(enterpriseTable_.Rows());
}

void TClientSession::RequireEditableReport() const
{
    if (!openReport_ || !openReport_->Active() || !validator_)
        throw TUserError(QStringLiteral("请先打开要录入数据的报表!"));
    if (viewMode_ || openReport_->ReadOnly())
        throw TUserError(QStringLiteral("报表已申报或只能查看,不能导入数据!"));
}

TImportResult TClientSession::ImportFile(const QString &path)
{
    RequireEditableReport();
    if (!enterpriseTableLoaded_)
        Shown();
    // A record being edited is posted or given up first, as any move does.
    if (!SettlePendingRecord())
        throw TSilentAbort();
    TWaitPanel::Show(QStringLiteral("正在导入数据,请稍候..."));
    TImportResult result;
    try {
        result = ImportCsvFile(*openReport_, *validator_, path);
    } catch (...) {
        TWaitPanel::Close();
        throw;
    }
    TWaitPanel::Close();
    return result;
}

void TClientSession::ImportRecords()
{
    RequireEditableReport();
    QString path;
    if (!prompts_.ChooseImportFile(path))
        return;
    const TImportResult result = ImportFile(path);
    TMessageBox::Show(ImportSummary(result),
                      result.refused.empty() ? TMessageBox::InformationOk : TMessageBox::WarningOk);
}

void TClientSession::PasteRows(const QString &text)
{
    RequireEditableReport();
    if (text.trimmed().isEmpty())
        return;
    if (!SettlePendingRecord())
        throw TSilentAbort();
    // Cells go to the grid's columns as the operator sees them, from the
    // current one on.
    QStringList fields = grid_.ColumnOrder();
    const int current = grid_.CurrentField();
    if (current >= 0 && current < openReport_->FieldCount()) {
        const int from = fields.indexOf(openReport_->Fields(current).FieldName());
        if (from > 0)
            fields = fields.mid(from);
    }
    const TImportResult result = ::PasteRows(*openReport_, *validator_, text, fields);
    if (!result.refused.empty())
        TMessageBox::Show(ImportSummary(result), TMessageBox::WarningOk);
}

QString TClientSession::ImportSummary(const TImportResult &result)
{
    QString text = QStringLiteral("已导入 %1 条记录").arg(result.imported);
    if (result.refused.empty())
        return text + QStringLiteral("。");
    text += QStringLiteral("，以下 %1 行未导入:").arg(result.refused.size());
    int listed = 0;
    for (const TImportRefusal &refusal : result.refused) {
        if (listed++ == kListedRefusals) {
            text += QStringLiteral("\n……另有 %1 行未导入。").arg(int(result.refused.size()) - kListedRefusals);
            break;
        }
        text += QStringLiteral("\n第%1行: %2").arg(refusal.line).arg(refusal.message);
    }
    return text;
}
