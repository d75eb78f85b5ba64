#include "entry/ReportGrid.h"

#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "reportdata/XmlDataSet.h"
#include "reportdata/XmlFieldDefine.h"
#include "workspace/EnterpriseTable.h"

namespace {

const QString kNotFound = QStringLiteral("没有找到符合条件的记录!");
const QDate kCopiedDate(1900, 1, 1);

bool IsDateField(const TField &field) { return field.DataType() == TFieldType::Date; }

} // namespace

TReportGrid::TReportGrid(QObject *parent) : QObject(parent) {}

TReportGrid::~TReportGrid() { Detach(); }

void TReportGrid::Attach(TXmlDataSet *report, const QString &schemaName, TEnterpriseTable *enterprises)
{
    Detach();
    report_ = report;
    enterprises_ = enterprises;
    schemaName_ = schemaName;
    if (!report_)
        return;
    listener_ = report_->AddDataChangeListener([this](const TDataChange &change) {
        if (change.kind != TDataChange::Kind::AboutToReset && change.kind != TDataChange::Kind::AboutToInsertRows
            && change.kind != TDataChange::Kind::AboutToRemoveRows)
            emit StateChanged();
    });
    report_->BeforeInsert = [this](TXmlDataSet &) { OnBeforeInsert(); };
    report_->OnNewRecord = [this](TXmlDataSet &) { OnNewRecord(); };
    BuildPresentation();
    emit StateChanged();
}

void TReportGrid::Detach()
{
    const bool attached = report_ != nullptr;
    if (report_) {
        report_->RemoveDataChangeListener(listener_);
        report_->BeforeInsert = nullptr;
        report_->OnNewRecord = nullptr;
    }
    report_ = nullptr;
    enterprises_ = nullptr;
    listener_ = 0;
    presentation_.clear();
    fieldLabels_.clear();
    columnOrder_.clear();
    currentField_ = -1;
    rememberedId_.clear();
    if (!attached)
        return;
    if (!hint_.isEmpty()) {
        hint_.clear();
        emit HintChanged(hint_);
    }
    emit StateChanged();
}

void TReportGrid::BuildPresentation()
{
    presentation_.clear();
    fieldLabels_.clear();
    for (int i = 0; i < report_->FieldCount(); ++i)
        fieldLabels_ << report_->Fields(i).DisplayLabel();
    const TFieldDefineDocument *defs = report_->CustomFieldDefs();
    if (!defs)
        return;
    // Each definition presents the grid column of its NAME; a definition
    // without a column (or a second one for the same column) is skipped.
    std::vector<bool> done(size_t(report_->FieldCount()), false);
    for (const TXMLCOLUMNType &column : defs->FORM().COLUMNS().Items()) {
        const TField *field = report_->FindField(column.NAME());
        if (!field || done[size_t(field->Index())])
            continue;
        done[size_t(field->Index())] = true;
        TColumnPresentation p;
        p.column = field->Index();
        p.field = field->FieldName();
        const TXMLFOOTERType footer = column.FOOTER();
        const QString kind = footer.VALUETYPE();
        if (kind.compare(QStringLiteral("Text"), Qt::CaseInsensitive) == 0) {
            p.footer = TColumnPresentation::Footer::Text;
            p.footerValue = footer.VALUE();
        } else if (kind.compare(QStringLiteral("Sum"), Qt::CaseInsensitive) == 0) {
            p.footer = TColumnPresentation::Footer::Sum;
        }
        p.readOnly = field->FieldName().compare(QStringLiteral("CRC"), Qt::CaseInsensitive) == 0;
        if (field->DataType() == TFieldType::Boolean)
            p.editor = TColumnPresentation::Editor::Check;
        else if (IsIdField(field->FieldName()))
            p.editor = TColumnPresentation::Editor::ButtonEdit;
        else if (IsDateField(*field))
            p.editor = TColumnPresentation::Editor::Date;
        else if (field->DataType() == TFieldType::Text)
            p.editor = TColumnPresentation::Editor::Text;
        if (field->DataType() == TFieldType::Text)
            p.maxBytes = field->Size();
        presentation_.push_back(p);
    }
}

void TReportGrid::SetViewMode(bool viewMode)
{
    viewMode_ = viewMode;
    emit StateChanged();
}

void TReportGrid::SetAlwaysShowEditor(bool on) { alwaysShowEditor_ = on; }

TRecordCommands TReportGrid::Commands() const
{
    TRecordCommands c;
    if (!report_ || !report_->Active())
        return c;
    const int row = report_->CurrentViewRow();
    const int rows = report_->ViewRowCount();
    c.first = c.prior = rows > 0 && row > 0;
    c.next = c.last = rows > 0 && row >= 0 && row < rows - 1;
    const bool writable = !viewMode_ && !report_->ReadOnly();
    c.append = c.edit = writable;
    c.post = writable && (report_->State() == TDataSetState::Edit || report_->State() == TDataSetState::Insert);
    c.remove = writable && !report_->IsEmpty();
    return c;
}

QString TReportGrid::RecordPosition() const
{
    const bool open = report_ && report_->Active();
    return QStringLiteral("记录位置: %1/%2").arg(open ? report_->RecNo() : 0).arg(open ? report_->RecordCount() : 0);
}

QStringList TReportGrid::ColumnOrder() const
{
    if (!columnOrder_.isEmpty() || !report_)
        return columnOrder_;
    QStringList fields;
    for (int i = 0; i < report_->FieldCount(); ++i)
        fields << report_->Fields(i).FieldName();
    return fields;
}

void TReportGrid::SetColumnOrder(const QStringList &fields) { columnOrder_ = fields; }

TGridFocus TReportGrid::Focus() const
{
    TGridFocus focus;
    focus.rememberedId = rememberedId_;
    if (report_ && report_->Active() && currentField_ >= 0 && currentField_ < report_->FieldCount())
        focus.focusedCellText = report_->Fields(currentField_).AsString();
    return focus;
}

bool TReportGrid::CanOpenRecordEditor() const { return report_ && report_->Active() && !viewMode_ && !report_->ReadOnly(); }

void TReportGrid::RequireReport() const
{
    if (!report_ || !report_->Active())
        throw TSilentAbort();
}

// ---------------------------------------------------------------- cursor

void TReportGrid::ColumnEntered(int field)
{
    if (!report_ || !report_->Active() || field < 0 || field >= report_->FieldCount())
        return;
    currentField_ = field;
    const QString hint = report_->Fields(field).Definition().comment;
    if (hint != hint_) {
        hint_ = hint;
        emit HintChanged(hint_);
    }
    // Read from the row the grid shows: the cursor may have moved before
    // the record buffer was read again.
    if (IsIdField(report_->Fields(field).FieldName())) {
        const int row = report_->CurrentViewRow();
        rememberedId_ = row < 0 ? QString() : report_->ViewText(row, field);
    }
}

void TReportGrid::CellLeft(int field)
{
    if (!report_ || !report_->Active() || report_->ReadOnly() || viewMode_ || field < 0
        || field >= report_->FieldCount() || report_->IsEmpty())
        return;
    const TField &id = report_->Fields(field);
    if (!IsIdField(id.FieldName()) || NameFieldOf(*report_, id.FieldName()).isEmpty())
        return;
    const QString text = id.AsString();
    if (text.isEmpty() || text == rememberedId_)
        return;
    FillName(field);
}

void TReportGrid::FillName(int idField)
{
    if (!report_ || !report_->Active() || !enterprises_ || idField < 0 || idField >= report_->FieldCount())
        return;
    const TField &id = report_->Fields(idField);
    const QString nameField = NameFieldOf(*report_, id.FieldName());
    if (nameField.isEmpty())
        return;
    const std::optional<QString> name = enterprises_->FindName(id.AsString());
    if (!name)
        return;
    if (report_->State() == TDataSetState::Browse)
        report_->Edit();
    report_->FieldByName(nameField).SetAsString(*name);
}

void TReportGrid::MoveTo(int row)
{
    RequireReport();
    if (row == report_->CurrentViewRow())
        return;
    const int record = report_->RecordOfViewRow(row);
    if (record < 0)
        return; // the row being inserted is current already
    report_->SetRecNo(record + 1);
}

// ---------------------------------------------------------------- commands

void TReportGrid::First()
{
    RequireReport();
    report_->First();
}

void TReportGrid::Prior()
{
    RequireReport();
    report_->Prior();
}

void TReportGrid::Next()
{
    RequireReport();
    report_->Next();
}

void TReportGrid::Last()
{
    RequireReport();
    report_->Last();
}

void TReportGrid::Append()
{
    RequireReport();
    if (!Commands().append)
        throw TSilentAbort();
    report_->Append();
}

void TReportGrid::Post()
{
    RequireReport();
    report_->Post();
}

void TReportGrid::Cancel()
{
    RequireReport();
    report_->Cancel();
}

void TReportGrid::Delete()
{
    RequireReport();
    if (!Commands().remove)
        throw TSilentAbort();
    report_->Delete();
}

void TReportGrid::Locate(const QString &fieldLabel, const QString &text)
{
    if (!report_ || !report_->Active())
        return;
    const QString value = text.trimmed();
    if (value.isEmpty())
        return;
    QString name;
    for (int i = 0; i < report_->FieldCount(); ++i) {
        if (report_->Fields(i).DisplayLabel().compare(fieldLabel, Qt::CaseInsensitive) == 0) {
            name = report_->Fields(i).FieldName();
            break;
        }
    }
    // A pending record is written (or given up, when unchanged) before the
    // search, as any move of the cursor does; a refusal is the operator's
    // to read, not a record that was not found.
    if (report_->State() == TDataSetState::Edit || report_->State() == TDataSetState::Insert) {
        if (report_->Modified())
            report_->Post();
        else
            report_->Cancel();
    }
    bool found = false;
    try {
        TLocateOptions options;
        options.caseInsensitive = true;
        found = report_->Locate(name, value, options);
    } catch (const TSilentAbort &) {
        throw; // the operator has been told
    } catch (const std::exception &) {
        found = false;
    }
    if (!found)
        TMessageBox::Show(kNotFound, TMessageBox::WarningOk);
}

void TReportGrid::PickInto(int field, const QString &swsbh, const QString &nsrmc)
{
    RequireReport();
    if (field < 0 || field >= report_->FieldCount())
        return;
    if (report_->State() == TDataSetState::Browse)
        report_->Edit();
    TField &id = report_->Fields(field);
    id.SetAsString(swsbh);
    const QString nameField = NameFieldOf(*report_, id.FieldName());
    if (!nameField.isEmpty())
        report_->FieldByName(nameField).SetAsString(nsrmc);
}

void TReportGrid::SaveAndAppend()
{
    RequireReport();
    if (report_->State() == TDataSetState::Edit || report_->State() == TDataSetState::Insert)
        report_->Post();
    report_->Append();
}

void TReportGrid::CancelRecordEditor()
{
    if (!report_ || !report_->Active())
        return;
    const bool pending = report_->State() == TDataSetState::Edit || report_->State() == TDataSetState::Insert;
    if (pending && report_->Modified()
        && TMessageBox::Show(QStringLiteral("当前记录尚未存盘,您确认保存?"), TMessageBox::QuestionOkCancel)
               == TMessageBox::IdOk) {
        report_->Post();
        return;
    }
    if (pending)
        report_->Cancel();
}

// ---------------------------------------------------------------- auto copy

void TReportGrid::OnBeforeInsert()
{
    copyBuffer_.clear();
    if (!autoCopy_ || !report_)
        return;
    // The last record of the report, not the current one.
    const bool empty = report_->RecordCount() == 0;
    if (!empty)
        report_->Last();
    for (int i = 0; i < report_->FieldCount(); ++i) {
        const TField &field = report_->Fields(i);
        if (IsDateField(field))
            copyBuffer_ << QVariant(kCopiedDate);
        else
            copyBuffer_ << (empty ? QVariant() : field.Value());
    }
}

void TReportGrid::OnNewRecord()
{
    if (!autoCopy_ || !report_)
        return;
    for (int i = 0; i < report_->FieldCount() && i < copyBuffer_.size(); ++i)
        report_->Fields(i).SetValue(copyBuffer_.at(i));
}
