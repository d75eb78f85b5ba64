#include "entry/RecordImport.h"

#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "entry/CsvReader.h"
#include "entry/RecordValidation.h"
#include "reportdata/XmlDataSet.h"

#include <optional>
#include <utility>

namespace {

bool IsBlankRow(const QStringList &row)
{
    for (const QString &cell : row) {
        if (!cell.trimmed().isEmpty())
            return false;
    }
    return true;
}

// The field a header cell names (NAME or caption, letter case ignored), or nullptr.
TField *FieldNamedBy(const TXmlDataSet &dataSet, const QString &cell)
{
    const QString name = cell.trimmed();
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        TField &field = dataSet.Fields(i);
        if (field.FieldName().compare(name, Qt::CaseInsensitive) == 0
            || field.DisplayLabel().compare(name, Qt::CaseInsensitive) == 0)
            return &field;
    }
    return nullptr;
}

// Puts the validator back as it was, whatever way the import ends.
class TValidatorSettings {
public:
    explicit TValidatorSettings(TRecordValidator &validator)
        : validator_(validator), confirmation_(validator.Confirmation()), interactive_(validator.Interactive())
    {
        validator_.SetConfirmation(false);
        validator_.SetInteractive(false);
    }
    ~TValidatorSettings()
    {
        validator_.SetConfirmation(confirmation_);
        validator_.SetInteractive(interactive_);
    }
    TValidatorSettings(const TValidatorSettings &) = delete;
    TValidatorSettings &operator=(const TValidatorSettings &) = delete;

private:
    TRecordValidator &validator_;
    bool confirmation_;
    bool interactive_;
};

// Ends the journal batch and lets the controls show the rows; when an error
// is already on its way, a failing flush must not replace it (the journal
// refuses further changes either way).
//
// A new record of an import starts from the field defaults: the host's
// insert steps (the grid's copy of the last record) are held back meanwhile,
// so that a cell left blank never takes another row's value.
class TImportScope {
public:
    explicit TImportScope(TXmlDataSet &dataSet)
        : dataSet_(dataSet)
        , beforeInsert_(std::move(dataSet.BeforeInsert))
        , onNewRecord_(std::move(dataSet.OnNewRecord))
    {
        dataSet_.BeforeInsert = nullptr;
        dataSet_.OnNewRecord = nullptr;
        dataSet_.BeginBatch();
        dataSet_.DisableControls();
    }
    ~TImportScope()
    {
        dataSet_.BeforeInsert = std::move(beforeInsert_);
        dataSet_.OnNewRecord = std::move(onNewRecord_);
        if (done_)
            return;
        dataSet_.EnableControls();
        try {
            dataSet_.EndBatch();
        } catch (const TUserError &) {
        }
    }
    void Finish()
    {
        done_ = true;
        dataSet_.EnableControls();
        dataSet_.EndBatch();
    }
    TImportScope(const TImportScope &) = delete;
    TImportScope &operator=(const TImportScope &) = delete;

private:
    TXmlDataSet &dataSet_;
    TXmlDataSet::TEvent beforeInsert_;
    TXmlDataSet::TEvent onNewRecord_;
    bool done_ = false;
};

void SetCell(TField &field, const QString &cell)
{
    if (field.DataType() == TFieldType::Text && field.Size() > 0 && EncodeGbk(cell).size() > field.Size()) {
        throw TUserError(QStringLiteral("“%1”的内容超过了%2个字节!").arg(field.DisplayLabel()).arg(field.Size()));
    }
    try {
        field.SetAsString(cell);
    } catch (const TConversionError &error) {
        throw TUserError(QStringLiteral("“%1”: %2").arg(field.DisplayLabel(), error.Message()));
    }
}

void FillRecord(const std::vector<TField *> &targets, const QStringList &row)
{
    for (qsizetype column = 0; column < row.size(); ++column) {
        const QString &cell = row.at(column);
        if (cell.trimmed().isEmpty())
            continue;
        if (size_t(column) >= targets.size())
            throw TUserError(QStringLiteral("第%1列的数据“%2”没有对应的字段!").arg(column + 1).arg(cell));
        if (targets[size_t(column)])
            SetCell(*targets[size_t(column)], cell);
    }
}

TImportResult ImportRowsAt(TXmlDataSet &dataSet, TRecordValidator &validator, const QList<QStringList> &rows,
                           const QStringList &fields, const QList<int> &lines)
{
    if (dataSet.ReadOnly())
        throw TUserError(TXmlDataSet::ReadOnlyText(dataSet.ReadOnlyReason()));
    std::vector<TField *> targets;
    for (const QString &name : fields)
        targets.push_back(name.trimmed().isEmpty() ? nullptr : &dataSet.FieldByName(name.trimmed()));

    if (dataSet.State() == TDataSetState::Edit || dataSet.State() == TDataSetState::Insert)
        dataSet.Post();

    TImportResult result;
    TValidatorSettings settings(validator);
    TImportScope scope(dataSet);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (IsBlankRow(rows.at(i)))
            continue;
        const auto refuse = [&](const QString &message) {
            if (dataSet.State() == TDataSetState::Insert)
                dataSet.Cancel();
            result.refused.push_back({lines.at(i), message});
        };
        try {
            dataSet.Append();
            FillRecord(targets, rows.at(i));
            dataSet.Post();
            ++result.imported;
        } catch (const TFileError &) {
            if (dataSet.State() == TDataSetState::Insert)
                dataSet.Cancel();
            throw;
        } catch (const TUserError &error) {
            refuse(error.Message());
        } catch (const TSilentAbort &) {
            refuse(QStringLiteral("记录未能保存!"));
        }
    }
    scope.Finish();
    return result;
}

} // namespace

TImportResult ImportRows(TXmlDataSet &dataSet, TRecordValidator &validator, const QList<QStringList> &rows,
                         const QStringList &fields, int firstLine)
{
    QList<int> lines;
    lines.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        lines << firstLine + int(i);
    return ImportRowsAt(dataSet, validator, rows, fields, lines);
}

QStringList MapHeader(const TXmlDataSet &dataSet, const QStringList &header)
{
    QStringList fields;
    for (const QString &cell : header) {
        if (cell.trimmed().isEmpty()) {
            fields << QString();
            continue;
        }
        const TField *field = FieldNamedBy(dataSet, cell);
        if (!field)
            throw TUserError(FormatText(QStringLiteral("第1行的列名“%S”不是报表的字段!"), {cell.trimmed()}));
        if (fields.contains(field->FieldName()))
            throw TUserError(FormatText(QStringLiteral("第1行的列名“%S”重复!"), {cell.trimmed()}));
        fields << field->FieldName();
    }
    return fields;
}

TImportResult ImportCsvFile(TXmlDataSet &dataSet, TRecordValidator &validator, const QString &path)
{
    QList<int> lines;
    const QList<QStringList> rows = ReadCsvFile(path, &lines);
    if (rows.isEmpty() || IsBlankRow(rows.first()))
        throw TUserError(FormatText(QStringLiteral("文件“%S”中没有数据!"), {path}));
    const QStringList fields = MapHeader(dataSet, rows.first());
    return ImportRowsAt(dataSet, validator, rows.mid(1), fields, lines.mid(1));
}

TImportResult PasteRows(TXmlDataSet &dataSet, TRecordValidator &validator, const QString &text,
                        const QStringList &columnFieldsFromCurrent)
{
    QList<int> lines;
    const QList<QStringList> rows = ParseTabText(text, &lines);
    if (rows.isEmpty())
        return {};
    bool header = !IsBlankRow(rows.first());
    for (const QString &cell : rows.first()) {
        if (header && !cell.trimmed().isEmpty() && !FieldNamedBy(dataSet, cell))
            header = false;
    }
    if (header)
        return ImportRowsAt(dataSet, validator, rows.mid(1), MapHeader(dataSet, rows.first()), lines.mid(1));
    return ImportRowsAt(dataSet, validator, rows, columnFieldsFromCurrent, lines);
}
