// Editing and searching of TXmlDataSet: new records, edits, posting with its
// key rules, cancel, delete and Locate. The rest of the class is in
// XmlDataSet.cpp.

#include "reportdata/XmlDataSet.h"

#include "app/utils/Errors.h"
#include "app/utils/Utils.h"
#include "reportdata/DataSetMessages.h"
#include "reportdata/ReportJournal.h"

#include <libxml/tree.h>

#include <optional>

// ---------------------------------------------------------------- editing

void TXmlDataSet::Append() { BeginInsert(true); }

void TXmlDataSet::Insert() { BeginInsert(false); }

void TXmlDataSet::BeginInsert(bool append)
{
    RequireActive();
    RequireWritable();
    PostOrCancelPending();
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    const int row = append ? RecordCount() : std::max(cursor_, 0);
    NotifyRows(TDataChange::Kind::AboutToInsertRows, row, row);
    for (size_t i = 0; i < fields_.size(); ++i)
        buffer_[i] = DefaultFieldValue(fields_[i]->DataType());
    insertRow_ = row;
    state_ = TDataSetState::Insert;
    modified_ = false;
    bof_ = eof_ = false;
    NotifyRows(TDataChange::Kind::RowsInserted, row, row);
    NotifyStateAndCurrent();
    try {
        Fire(OnNewRecord);
    } catch (...) {
        NotifyRows(TDataChange::Kind::AboutToRemoveRows, row, row);
        insertRow_ = -1;
        state_ = TDataSetState::Browse;
        NotifyRows(TDataChange::Kind::RowsRemoved, row, row);
        TryReadCurrent();
        NotifyStateAndCurrent();
        throw;
    }
    modified_ = false;
    Fire(AfterInsert);
    Fire(AfterScroll);
}

void TXmlDataSet::Edit()
{
    RequireActive();
    RequireWritable();
    if (state_ == TDataSetState::Edit || state_ == TDataSetState::Insert)
        return;
    if (records_.empty()) {
        Insert();
        return;
    }
    Fire(BeforeEdit);
    ReadCurrent();
    state_ = TDataSetState::Edit;
    modified_ = false;
    Notify({TDataChange::Kind::StateChanged});
    Fire(AfterEdit);
}

QString TXmlDataSet::StoredKeyText(const std::vector<QVariant> &buffer) const
{
    QString text;
    for (const QString &name : SplitKeyFields(keyFields_)) {
        const TField &field = FieldByName(name);
        text += FieldValueText(field.DataType(), buffer[size_t(field.Index())]);
    }
    return text;
}

QString TXmlDataSet::KeyText() const { return StoredKeyText(buffer_); }

QString TXmlDataSet::KeyDigest() const { return HashKeyText(KeyText()); }

void TXmlDataSet::Post()
{
    RequireActive();
    if (state_ != TDataSetState::Edit && state_ != TDataSetState::Insert)
        return;
    RequireWritable();
    const bool keyed = HasKeyFields();
    const int keyCountBefore = keyList_.Count();
    std::optional<QString> keyAtCursorBefore;
    if (keyed && state_ == TDataSetState::Edit && cursor_ >= 0 && cursor_ < keyCountBefore)
        keyAtCursorBefore = keyList_.Get(cursor_);
    const auto restoreKeys = [&]() {
        while (keyList_.Count() > keyCountBefore)
            keyList_.Delete(keyList_.Count() - 1);
        if (keyAtCursorBefore && cursor_ < keyList_.Count())
            keyList_.Put(cursor_, *keyAtCursorBefore);
    };

    try {
        Fire(BeforePost);
        std::vector<std::pair<QByteArray, QString>> texts;
        texts.reserve(fields_.size());
        for (size_t i = 0; i < fields_.size(); ++i)
            texts.emplace_back(fieldNames_[i], FieldValueText(fields_[i]->DataType(), buffer_[i]));

        if (state_ == TDataSetState::Insert) {
            QString pkid;
            if (keyed) {
                if (keyList_.Count() == RecordCount()) {
                    const QString digest = KeyDigest();
                    if (keyList_.IndexOf(digest) >= 0)
                        throw TUserError(kDuplicateKey);
                    keyList_.Add(digest);
                }
                pkid = keyList_.Last();
            } else {
                pkid = NewGuidText();
            }
            TJournalEntry entry;
            entry.kind = TJournalEntry::Kind::Append;
            entry.pkid = pkid;
            entry.fields = texts;
            Journal(entry);

            xmlNodePtr record = xmlNewDocNode(document_.Raw(), nullptr, reinterpret_cast<const xmlChar *>("REC"), nullptr);
            TXMLRECType(record).SetPKID(pkid);
            for (const auto &[name, text] : texts)
                AppendTextElement(record, name, text);
            xmlAddChild(document_.YSFP().Raw(), record);

            const int row = insertRow_;
            const int count = RecordCount();
            if (row == count) {
                insertRow_ = -1;
                records_.push_back(record);
                cursor_ = count;
                NotifyRows(TDataChange::Kind::RowsChanged, row, row);
            } else {
                NotifyRows(TDataChange::Kind::AboutToRemoveRows, row, row);
                insertRow_ = -1;
                NotifyRows(TDataChange::Kind::RowsRemoved, row, row);
                NotifyRows(TDataChange::Kind::AboutToInsertRows, count, count);
                records_.push_back(record);
                NotifyRows(TDataChange::Kind::RowsInserted, count, count);
                cursor_ = row;
            }
        } else {
            const int index = cursor_;
            QString pkid;
            if (keyed) {
                const QString digest = KeyDigest();
                if (!SameTextIgnoringAsciiCase(keyList_.Get(index), digest)) {
                    const int holder = keyList_.IndexOf(digest);
                    if (holder >= 0 && holder != index)
                        throw TUserError(kDuplicateKey);
                    keyList_.Put(index, digest);
                }
                pkid = keyList_.Get(index);
            }
            TJournalEntry entry;
            entry.kind = TJournalEntry::Kind::Edit;
            entry.index = index;
            entry.pkid = pkid;
            entry.fields = texts;
            Journal(entry);

            xmlNodePtr record = records_[size_t(index)];
            if (keyed)
                TXMLRECType(record).SetPKID(pkid);
            xmlNodePtr hint = record->children;
            for (const auto &[name, text] : texts) {
                xmlNodePtr element = FindFieldElement(record, name, &hint);
                if (element)
                    SetElementText(element, text);
                else
                    AppendTextElement(record, name, text);
            }
            NotifyRows(TDataChange::Kind::RowsChanged, index, index);
        }
    } catch (...) {
        restoreKeys();
        throw;
    }

    document_.YSFP().SetRecordCount(RecordCount());
    state_ = TDataSetState::Browse;
    modified_ = false;
    bof_ = eof_ = false;
    TryReadCurrent();
    NotifyStateAndCurrent();
    Fire(AfterPost);
}

void TXmlDataSet::Cancel()
{
    RequireActive();
    if (state_ != TDataSetState::Edit && state_ != TDataSetState::Insert)
        return;
    Fire(BeforeCancel);
    if (state_ == TDataSetState::Insert) {
        const int row = insertRow_;
        NotifyRows(TDataChange::Kind::AboutToRemoveRows, row, row);
        insertRow_ = -1;
        state_ = TDataSetState::Browse;
        NotifyRows(TDataChange::Kind::RowsRemoved, row, row);
    } else {
        state_ = TDataSetState::Browse;
    }
    modified_ = false;
    bof_ = eof_ = false;
    TryReadCurrent();
    if (cursor_ >= 0)
        NotifyRows(TDataChange::Kind::RowsChanged, cursor_, cursor_);
    NotifyStateAndCurrent();
    Fire(AfterCancel);
}

void TXmlDataSet::Delete()
{
    RequireActive();
    RequireWritable();
    if (state_ == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (records_.empty())
        throw TUserError(kNoRecord);
    Fire(BeforeDelete);
    const int index = cursor_;
    TJournalEntry entry;
    entry.kind = TJournalEntry::Kind::Delete;
    entry.index = index;
    Journal(entry);

    state_ = TDataSetState::Browse;
    modified_ = false;
    NotifyRows(TDataChange::Kind::AboutToRemoveRows, index, index);
    xmlNodePtr record = records_[size_t(index)];
    records_.erase(records_.begin() + index);
    xmlUnlinkNode(record);
    xmlFreeNode(record);
    if (HasKeyFields() && index < keyList_.Count())
        keyList_.Delete(index);
    if (cursor_ >= RecordCount())
        cursor_ = RecordCount() - 1;
    NotifyRows(TDataChange::Kind::RowsRemoved, index, index);
    document_.YSFP().SetRecordCount(RecordCount());
    bof_ = eof_ = records_.empty();
    TryReadCurrent();
    NotifyStateAndCurrent();
    Fire(AfterDelete);
    Fire(AfterScroll);
}

void TXmlDataSet::AppendRecord(const QVariantList &values)
{
    Append();
    for (qsizetype i = 0; i < values.size() && i < FieldCount(); ++i)
        Fields(int(i)).SetValue(values.at(i));
    Post();
}

void TXmlDataSet::InsertRecord(const QVariantList &values)
{
    Insert();
    for (qsizetype i = 0; i < values.size() && i < FieldCount(); ++i)
        Fields(int(i)).SetValue(values.at(i));
    Post();
}

// ---------------------------------------------------------------- Locate

bool TXmlDataSet::ValueMatches(const TField &field, const QVariant &stored, const QVariant &wanted,
                               const QString &wantedText, TLocateOptions options) const
{
    switch (field.DataType()) {
    case TFieldType::Text:
    case TFieldType::Boolean: {
        QString text = FieldValueText(field.DataType(), stored);
        if (options.partialKey)
            text.truncate(wantedText.size());
        return text.compare(wantedText, options.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
    }
    case TFieldType::Date:
        return stored.toDate() == wanted.toDate();
    default:
        return stored.toDouble() == wanted.toDouble();
    }
}

bool TXmlDataSet::Locate(const QString &names, const QVariant &values, TLocateOptions options)
{
    RequireActive();
    if (names.trimmed().isEmpty() || records_.empty())
        return false;
    PostOrCancelPending();
    if (records_.empty())
        return false;
    const std::vector<TField *> fields = GetFieldList(names);
    const bool isList =
        values.metaType().id() == QMetaType::QVariantList || values.metaType().id() == QMetaType::QStringList;
    if (!isList && fields.size() != 1)
        throw TUserError(QStringLiteral("查找值的个数与字段个数不符!"));
    const QVariantList list = isList ? values.toList() : QVariantList{values};
    std::vector<QVariant> wanted;
    std::vector<QString> wantedTexts;
    for (size_t i = 0; i < fields.size(); ++i) {
        const QVariant value = qsizetype(i) < list.size() ? list.at(qsizetype(i)) : QVariant();
        const TFieldType type = fields[i]->DataType();
        if (type == TFieldType::Text || type == TFieldType::Boolean) {
            wanted.push_back(value);
            wantedTexts.push_back(value.isValid() ? ConvertFieldValue(TFieldType::Text, value).toString() : QString());
        } else {
            const TFieldType as = type == TFieldType::Date ? TFieldType::Date : TFieldType::Float;
            wanted.push_back(ConvertFieldValue(as, value.isValid() ? value : QVariant(QString())));
            wantedTexts.emplace_back();
        }
    }

    Fire(BeforeScroll);
    DisableControls();
    int found = -1;
    try {
        for (int record = 0; record < RecordCount() && found < 0; ++record) {
            bool all = true;
            for (size_t i = 0; i < fields.size() && all; ++i) {
                try {
                    all = ValueMatches(*fields[i], ReadStoredValue(record, fields[i]->Index()), wanted[i],
                                       wantedTexts[i], options);
                } catch (const TConversionError &) {
                    all = false;
                }
            }
            if (all)
                found = record;
        }
        cursor_ = found >= 0 ? found : RecordCount() - 1;
        bof_ = eof_ = false;
        Notify({TDataChange::Kind::CurrentChanged});
        TryReadCurrent();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    if (found < 0)
        return false;
    Fire(AfterScroll);
    return true;
}
