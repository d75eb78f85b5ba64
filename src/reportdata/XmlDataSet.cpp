#include "reportdata/XmlDataSet.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/Utils.h"
#include "entry/ScriptRunner.h"
#include "reportdata/DataSetMessages.h"
#include "reportdata/ReportJournal.h"
#include "reportdata/ScriptArguments.h"

#include <libxml/tree.h>

#include <optional>

namespace {

// The text form of a value: as stored, except that amounts are not rounded.
QString TextForm(TFieldType type, const QVariant &value)
{
    if (type == TFieldType::Currency)
        return FormatGeneral(value.toDouble());
    return FieldValueText(type, value);
}

// PKID of a REC, read without copying the attribute through the allocator.
QString RecordPkid(xmlNodePtr record)
{
    for (xmlAttrPtr attribute = record->properties; attribute; attribute = attribute->next) {
        if (xmlStrEqual(attribute->name, reinterpret_cast<const xmlChar *>("PKID")) && !attribute->ns) {
            xmlNodePtr text = attribute->children;
            if (text && !text->next && text->type == XML_TEXT_NODE && text->content)
                return QString::fromUtf8(reinterpret_cast<const char *>(text->content));
            return TXMLNode(record).Attribute("PKID");
        }
    }
    return QString();
}

std::vector<xmlNodePtr> RecordNodes(const TXMLYSFPType &ysfp)
{
    std::vector<xmlNodePtr> records;
    for (xmlNodePtr node = ysfp.Raw()->children; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, reinterpret_cast<const xmlChar *>("REC")))
            records.push_back(node);
    }
    return records;
}

} // namespace

// ---------------------------------------------------------------- TField

TField::TField(TXmlDataSet *dataSet, const TFieldDef &def, int index)
    : dataSet_(dataSet)
    , def_(def)
    , index_(index)
{
}

QVariant TField::Value() const { return dataSet_->buffer_.at(size_t(index_)); }

void TField::SetValue(const QVariant &value) { dataSet_->SetFieldValue(*this, value); }

QString TField::AsString() const { return TextForm(def_.type, Value()); }

void TField::SetAsString(const QString &text)
{
    if (def_.type != TFieldType::Text && text.trimmed().isEmpty())
        return;
    SetValue(QVariant(text));
}

int TField::AsInteger() const { return ConvertFieldValue(TFieldType::Integer, Value()).toInt(); }

double TField::AsFloat() const { return ConvertFieldValue(TFieldType::Float, Value()).toDouble(); }

QDate TField::AsDate() const { return ConvertFieldValue(TFieldType::Date, Value()).toDate(); }

QDateTime TField::AsDateTime() const { return QDateTime(AsDate(), QTime(0, 0)); }

bool TField::AsBoolean() const { return ConvertFieldValue(TFieldType::Boolean, Value()).toBool(); }

// ---------------------------------------------------------------- TXmlDataSet: properties

TXmlDataSet::TXmlDataSet() { document_.LoadSkeleton(QString(), QStringLiteral("1.00"), QString()); }

TXmlDataSet::~TXmlDataSet()
{
    if (Active()) {
        try {
            Close();
        } catch (...) {
            // The changes are in the journal; the next load brings them back.
        }
    }
}

void TXmlDataSet::SetFileName(const QString &path)
{
    if (Active())
        throw TUserError(QStringLiteral("报表已打开,不能更改文件名!"));
    if (path == fileName_)
        return;
    try {
        LoadDocument(path);
    } catch (...) {
        // Never leave another file's document bound to the old name.
        fileName_.clear();
        journal_.reset();
        journalBusy_ = false;
        document_.LoadSkeleton(QString(), QStringLiteral("1.00"), QString());
        throw;
    }
    fileName_ = path;
}

void TXmlDataSet::LoadDocument(const QString &path)
{
    const QString resolved = ResolveCaseInsensitive(path);
    if (FileExistsAnyCase(resolved))
        document_.Load(resolved);
    else
        document_.LoadSkeleton(QString(), QStringLiteral("1.00"), QString());
    journal_.reset();
    journalBusy_ = false;
    documentDirty_ = false;

    TReportJournal::TRecovery recovery = TReportJournal::Recover(resolved, document_.Identity());
    if (!recovery.matches)
        return;
    std::vector<xmlNodePtr> records = RecordNodes(document_.YSFP());
    size_t applied = 0;
    for (const TJournalEntry &entry : recovery.entries) {
        if (!TReportJournal::Apply(entry, document_, records))
            break;
        ++applied;
    }
    if (recovery.inUse) {
        // The report is open in another process, which owns the journal:
        // show its state, change nothing.
        journalBusy_ = true;
        return;
    }
    document_.Save(resolved);
    if (applied == recovery.entries.size())
        TReportJournal::DeleteFor(resolved);
    else
        TReportJournal::SetAsideFor(resolved);
}

void TXmlDataSet::RequireDocument() const
{
    if (fileName_.isEmpty())
        throw TUserError(QStringLiteral("没有指定报表数据文件!"));
}

void TXmlDataSet::RequireActive() const
{
    if (!Active())
        throw TUserError(QStringLiteral("报表没有打开!"));
}

void TXmlDataSet::RequireWritable() const
{
    if (ReadOnly())
        throw TUserError(QStringLiteral("报表为只读,不能修改!"));
}

QString TXmlDataSet::PayerCode() const { return document_.Root().SWSBH(); }

QString TXmlDataSet::Version() const { return document_.YSFP().Version(); }

QString TXmlDataSet::StructFileName() const { return document_.YSFP().DSFile(); }

void TXmlDataSet::SetDocumentAttribute(const char *name, const QString &value)
{
    if (Active()) {
        RequireWritable();
        TJournalEntry entry;
        entry.kind = TJournalEntry::Kind::Attribute;
        entry.name = QString::fromLatin1(name);
        entry.value = value;
        Journal(entry);
    } else {
        documentDirty_ = true;
    }
    if (qstrcmp(name, "SWSBH") == 0)
        document_.Root().SetSWSBH(value);
    else if (qstrcmp(name, "Version") == 0)
        document_.YSFP().SetVersion(value);
    else
        document_.YSFP().SetDSFile(value);
}

void TXmlDataSet::SetPayerCode(const QString &code) { SetDocumentAttribute("SWSBH", code); }

void TXmlDataSet::SetVersion(const QString &version) { SetDocumentAttribute("Version", version); }

void TXmlDataSet::SetStructFileName(const QString &name) { SetDocumentAttribute("DSFile", name); }

void TXmlDataSet::SetKeyFields(const QString &names)
{
    if (Active())
        throw TUserError(QStringLiteral("报表已打开,不能更改关键字段!"));
    keyFields_ = names.trimmed();
}

void TXmlDataSet::Journal(const TJournalEntry &entry)
{
    if (!journal_)
        journal_ = std::make_unique<TReportJournal>(ResolveCaseInsensitive(fileName_), document_.Identity());
    journal_->Append(entry);
}

// ---------------------------------------------------------------- opening and closing

void TXmlDataSet::Open()
{
    if (Active())
        return;
    RequireDocument();
    Fire(BeforeOpen);
    Notify({TDataChange::Kind::AboutToReset});
    try {
        ReleaseFields();
        defs_.reset();
        const QString dsFile = StructFileName();
        const QString defsPath = dsFile.trimmed().isEmpty() ? TApplicationInfo::DSDir() + dsFile
                                                            : ResolveInFolder(TApplicationInfo::DSDir(), dsFile);
        if (dsFile.trimmed().isEmpty() || !FileExistsAnyCase(defsPath))
            throw TUserError(FormatText(QStringLiteral("结构定义文件 \"%S\" 不存在!"), {defsPath}));
        defs_ = LoadFieldDefinitions(defsPath);
        const std::vector<TFieldDef> defs = BuildFieldList(defs_->FORM());
        keyFields_ = defs_->FORM().KEYFIELDS().trimmed();
        for (size_t i = 0; i < defs.size(); ++i) {
            auto field = std::unique_ptr<TField>(new TField(this, defs[i], int(i)));
            if (!defs[i].rule.trimmed().isEmpty())
                ParseComputedRule(defs[i].rule, &field->ruleTarget_, &field->ruleFunction_);
            fieldIndex_.insert(defs[i].name.toUpper(), int(i));
            fieldNames_.push_back(defs[i].name.toUtf8());
            fields_.push_back(std::move(field));
        }

        if ((!document_.Identity().exists || documentDirty_) && !ReadOnly()) {
            document_.Save(ResolveCaseInsensitive(fileName_));
            documentDirty_ = false;
        }
        records_ = RecordNodes(document_.YSFP());
        keyList_.Clear();
        if (HasKeyFields()) {
            for (xmlNodePtr record : records_) {
                try {
                    keyList_.Add(RecordPkid(record));
                } catch (const TKeyListError &) {
                    throw TUserError(kKeyConflict);
                }
            }
        }
        buffer_.clear();
        for (const auto &field : fields_)
            buffer_.push_back(DefaultFieldValue(field->DataType()));
        state_ = TDataSetState::Browse;
        modified_ = false;
        insertRow_ = -1;
        cursor_ = records_.empty() ? -1 : 0;
        bof_ = true;
        eof_ = records_.empty();
        if (cursor_ >= 0)
            TryReadCurrent();
    } catch (...) {
        ReleaseFields();
        defs_.reset();
        records_.clear();
        keyList_.Clear();
        state_ = TDataSetState::Inactive;
        cursor_ = -1;
        Notify({TDataChange::Kind::Reset});
        throw;
    }
    Notify({TDataChange::Kind::Reset});
    Fire(AfterOpen);
    Fire(AfterScroll);
}

void TXmlDataSet::ReleaseFields()
{
    fields_.clear();
    fieldIndex_.clear();
    fieldNames_.clear();
    buffer_.clear();
    runningRules_.clear();
}

void TXmlDataSet::Close()
{
    if (!Active())
        return;
    Fire(BeforeClose);
    Notify({TDataChange::Kind::AboutToReset});
    insertRow_ = -1;
    modified_ = false;
    document_.YSFP().SetRecordCount(int(records_.size()));
    ReleaseFields();
    defs_.reset();
    records_.clear();
    cursor_ = -1;
    bof_ = eof_ = true;
    state_ = TDataSetState::Inactive;
    std::exception_ptr failure;
    if (!ReadOnly()) {
        try {
            Save();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    keyList_.Clear();
    Notify({TDataChange::Kind::Reset});
    Fire(AfterClose);
    if (failure)
        std::rethrow_exception(failure);
}

void TXmlDataSet::Save()
{
    RequireDocument();
    if (ReadOnly())
        throw TUserError(QStringLiteral("报表为只读,不能保存!"));
    const QString resolved = ResolveCaseInsensitive(fileName_);
    document_.Save(resolved);
    documentDirty_ = false;
    if (journal_) {
        journal_->Remove();
        journal_.reset();
    }
}

// ---------------------------------------------------------------- fields

TField *TXmlDataSet::FindField(const QString &name) const
{
    const auto it = fieldIndex_.constFind(name.trimmed().toUpper());
    return it == fieldIndex_.constEnd() ? nullptr : fields_[size_t(*it)].get();
}

TField &TXmlDataSet::FieldByName(const QString &name) const
{
    TField *field = FindField(name);
    if (!field)
        throw TUserError(FormatText(QStringLiteral("字段\"%S\"不存在!"), {name}));
    return *field;
}

std::vector<TField *> TXmlDataSet::GetFieldList(const QString &names) const
{
    std::vector<TField *> result;
    for (const QString &name : SplitKeyFields(names))
        result.push_back(&FieldByName(name));
    return result;
}

void TXmlDataSet::SetFieldValue(TField &field, const QVariant &value)
{
    if (state_ != TDataSetState::Edit && state_ != TDataSetState::Insert)
        throw TUserError(QStringLiteral("报表不在编辑状态!"));
    if (!value.isValid())
        return;
    QVariant converted = ConvertFieldValue(field.DataType(), value);
    if (field.DataType() == TFieldType::Text && !IsXmlSafeText(converted.toString()))
        throw TConversionError(QStringLiteral("文本中含有无法保存的控制字符!"));
    buffer_[size_t(field.Index())] = std::move(converted);
    modified_ = true;
    const int row = CurrentViewRow();
    NotifyRows(TDataChange::Kind::RowsChanged, row, row, field.Index());
    if (field.OnChange)
        field.OnChange(field);
    RunComputedRule(field);
}

void TXmlDataSet::RunComputedRule(TField &field)
{
    if (field.ruleTarget_.isEmpty() || !scriptEngine_ || runningRules_.count(field.Index()))
        return;
    // A rule whose target's rule leads back here would not end: each rule
    // runs at most once at a time.
    runningRules_.insert(field.Index());
    try {
        const QVariant result = scriptEngine_->Run(field.ruleFunction_, BuildRecordArguments(*this));
        FieldByName(field.ruleTarget_).SetValue(result);
    } catch (const std::exception &) {
        // A failing computation leaves the record as it was.
    }
    runningRules_.erase(field.Index());
}

// ---------------------------------------------------------------- reading records

void TXmlDataSet::ReadRecord(int index, std::vector<QVariant> &buffer) const
{
    xmlNodePtr record = records_.at(size_t(index));
    xmlNodePtr hint = record->children;
    QByteArray scratch;
    std::optional<TConversionError> failure;
    for (size_t i = 0; i < fields_.size(); ++i) {
        const TFieldType type = fields_[i]->DataType();
        xmlNodePtr element = FindFieldElement(record, fieldNames_[i], &hint);
        if (!element)
            element = AppendTextElement(record, fieldNames_[i], QString());
        try {
            buffer[i] = ReadFieldValueText(type, ElementText(element, &scratch));
        } catch (const TConversionError &error) {
            buffer[i] = DefaultFieldValue(type);
            if (!failure)
                failure = error;
        }
    }
    if (failure)
        throw *failure;
}

void TXmlDataSet::ReadCurrent()
{
    for (size_t i = 0; i < fields_.size(); ++i)
        buffer_[i] = DefaultFieldValue(fields_[i]->DataType());
    if (cursor_ >= 0 && cursor_ < RecordCount())
        ReadRecord(cursor_, buffer_);
}

void TXmlDataSet::TryReadCurrent()
{
    try {
        ReadCurrent();
    } catch (const TConversionError &) {
    }
}

void TXmlDataSet::NotifyStateAndCurrent()
{
    Notify({TDataChange::Kind::StateChanged});
    Notify({TDataChange::Kind::CurrentChanged});
}

QVariant TXmlDataSet::ReadStoredValue(int record, int field) const
{
    xmlNodePtr element = FindFieldElement(records_.at(size_t(record)), fieldNames_.at(size_t(field)), nullptr);
    QByteArray scratch;
    return ReadFieldValueText(fields_[size_t(field)]->DataType(), ElementText(element, &scratch));
}

QString TXmlDataSet::StoredText(int record, int field) const
{
    xmlNodePtr element = FindFieldElement(records_.at(size_t(record)), fieldNames_.at(size_t(field)), nullptr);
    QByteArray scratch;
    const QByteArrayView text = ElementText(element, &scratch);
    return QString::fromUtf8(text.data(), text.size());
}

// ---------------------------------------------------------------- navigation

void TXmlDataSet::PostOrCancelPending()
{
    if (state_ == TDataSetState::Edit || state_ == TDataSetState::Insert) {
        if (modified_)
            Post();
        else
            Cancel();
    }
}

void TXmlDataSet::First()
{
    RequireActive();
    PostOrCancelPending();
    Fire(BeforeScroll);
    cursor_ = records_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = records_.empty();
    Notify({TDataChange::Kind::CurrentChanged});
    ReadCurrent();
    Fire(AfterScroll);
}

void TXmlDataSet::Last()
{
    RequireActive();
    PostOrCancelPending();
    Fire(BeforeScroll);
    cursor_ = RecordCount() - 1;
    eof_ = true;
    bof_ = records_.empty();
    Notify({TDataChange::Kind::CurrentChanged});
    ReadCurrent();
    Fire(AfterScroll);
}

void TXmlDataSet::Next()
{
    RequireActive();
    PostOrCancelPending();
    if (cursor_ >= RecordCount() - 1) {
        eof_ = true;
        return;
    }
    Fire(BeforeScroll);
    ++cursor_;
    bof_ = eof_ = false;
    Notify({TDataChange::Kind::CurrentChanged});
    ReadCurrent();
    Fire(AfterScroll);
}

void TXmlDataSet::Prior()
{
    RequireActive();
    PostOrCancelPending();
    if (cursor_ <= 0) {
        bof_ = true;
        return;
    }
    Fire(BeforeScroll);
    --cursor_;
    bof_ = eof_ = false;
    Notify({TDataChange::Kind::CurrentChanged});
    ReadCurrent();
    Fire(AfterScroll);
}

int TXmlDataSet::RecNo() const
{
    if (state_ == TDataSetState::Insert)
        return insertRow_ + 1;
    return cursor_ + 1;
}

void TXmlDataSet::SetRecNo(int n)
{
    RequireActive();
    if (n < 0 || n > RecordCount())
        return;
    if (n == 0) {
        First();
        return;
    }
    PostOrCancelPending();
    Fire(BeforeScroll);
    cursor_ = n - 1;
    bof_ = eof_ = false;
    Notify({TDataChange::Kind::CurrentChanged});
    ReadCurrent();
    Fire(AfterScroll);
}

void TXmlDataSet::GotoBookmark(TBookmark bookmark)
{
    RequireActive();
    PostOrCancelPending();
    if (!BookmarkValid(bookmark))
        throw TUserError(kNoRecord);
    Fire(BeforeScroll);
    cursor_ = bookmark;
    bof_ = eof_ = false;
    Notify({TDataChange::Kind::CurrentChanged});
    ReadCurrent();
    Fire(AfterScroll);
}

void TXmlDataSet::DisableControls() { ++disableCount_; }

void TXmlDataSet::EnableControls()
{
    if (disableCount_ == 0 || --disableCount_ > 0 || !heldBack_)
        return;
    heldBack_ = false;
    if (ViewRowCount() > 0)
        NotifyRows(TDataChange::Kind::RowsChanged, 0, ViewRowCount() - 1);
    Notify({TDataChange::Kind::CurrentChanged});
}

// ---------------------------------------------------------------- view rows

int TXmlDataSet::CurrentViewRow() const
{
    if (state_ == TDataSetState::Insert)
        return insertRow_;
    return cursor_ < 0 ? -1 : ViewRowOfRecord(cursor_);
}

int TXmlDataSet::RecordOfViewRow(int row) const
{
    if (insertRow_ < 0 || row < insertRow_)
        return row;
    return row == insertRow_ ? -1 : row - 1;
}

int TXmlDataSet::ViewRowOfRecord(int record) const
{
    return insertRow_ >= 0 && record >= insertRow_ ? record + 1 : record;
}

QVariant TXmlDataSet::ViewValue(int row, int field) const
{
    const int record = RecordOfViewRow(row);
    if (record < 0 || (state_ == TDataSetState::Edit && record == cursor_))
        return buffer_.at(size_t(field));
    return ReadStoredValue(record, field);
}

QString TXmlDataSet::ViewText(int row, int field) const
{
    try {
        return TextForm(fields_.at(size_t(field))->DataType(), ViewValue(row, field));
    } catch (const TConversionError &) {
        return StoredText(RecordOfViewRow(row), field);
    }
}

// ---------------------------------------------------------------- notifications and events

int TXmlDataSet::AddDataChangeListener(std::function<void(const TDataChange &)> listener)
{
    const int id = nextListenerId_++;
    listeners_.push_back({id, std::move(listener)});
    return id;
}

void TXmlDataSet::RemoveDataChangeListener(int id)
{
    std::erase_if(listeners_, [id](const Listener &listener) { return listener.id == id; });
}

void TXmlDataSet::Notify(const TDataChange &change)
{
    using Kind = TDataChange::Kind;
    const bool structural = change.kind != Kind::RowsChanged && change.kind != Kind::CurrentChanged
                            && change.kind != Kind::StateChanged;
    if (disableCount_ > 0 && !structural) {
        heldBack_ = true;
        return;
    }
    const std::vector<Listener> listeners = listeners_;
    for (const Listener &listener : listeners)
        listener.callback(change);
}

void TXmlDataSet::NotifyRows(TDataChange::Kind kind, int first, int last, int field)
{
    if (first < 0)
        return;
    Notify({kind, first, last, field});
}

void TXmlDataSet::Fire(const TEvent &event)
{
    if (event)
        event(*this);
}
