#include "reportdata/XmlDataSet.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/AtomicFile.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/Utils.h"
#include "entry/ScriptRunner.h"
#include "reportdata/DataSetMessages.h"
#include "reportdata/ReportJournal.h"
#include "reportdata/ReportLock.h"
#include "reportdata/ScriptArguments.h"

#include <QFile>

#include <libxml/tree.h>

#include <cstring>
#include <optional>
#include <sys/stat.h>

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
        lock_.reset();
        unsaved_.clear();
        openElsewhere_ = fileReadOnly_ = notLockable_ = false;
        document_.LoadSkeleton(QString(), QStringLiteral("1.00"), QString());
        throw;
    }
    fileName_ = path;
}

void TXmlDataSet::LoadDocument(const QString &path)
{
    const QString resolved = ResolveCaseInsensitive(path);
    journal_.reset();
    lock_.reset();
    unsaved_.clear();
    openElsewhere_ = fileReadOnly_ = notLockable_ = false;
    documentDirty_ = false;
    // The lock comes first, so that the bytes read are the holder's.
    lock_ = std::make_unique<TReportLock>(resolved);
    if (FileExistsAnyCase(resolved))
        document_.Load(resolved);
    else
        document_.LoadSkeleton(QString(), QStringLiteral("1.00"), QString());
    struct stat info {};
    fileReadOnly_ = ::stat(QFile::encodeName(resolved).constData(), &info) == 0 && (info.st_mode & S_IWUSR) == 0;
    const bool told = readOnly_; // a caller that only reads needs no notice

    switch (lock_->Status()) {
    case TReportLock::State::Busy:
        // The report is open elsewhere, and its journal is that holder's:
        // show its state, change nothing.
        openElsewhere_ = true;
        ReplayInMemory(resolved);
        return;
    case TReportLock::State::Failed:
        notLockable_ = true;
        ReplayInMemory(resolved);
        if (!told)
            TMessageBox::ShowFmt(kFolderNotWritableNotice,
                                 {resolved, QString::fromLocal8Bit(std::strerror(lock_->Error()))},
                                 TMessageBox::WarningOk);
        return;
    case TReportLock::State::Held:
        break;
    }
    TAtomicFile::RemoveStaleTemporaries(resolved);
    RecoverJournal(resolved);
    if (fileReadOnly_ && !told)
        TMessageBox::ShowFmt(kFileReadOnlyNotice, {resolved}, TMessageBox::InformationOk);
}

void TXmlDataSet::ReplayInMemory(const QString &resolved)
{
    const TReportJournal::TScan scan = TReportJournal::Scan(resolved, document_.Identity());
    if (scan.kind != TReportJournal::TScan::Kind::Current)
        return;
    std::vector<xmlNodePtr> records = RecordNodes(document_.YSFP());
    for (const TJournalEntry &entry : scan.entries) {
        if (!TReportJournal::Apply(entry, document_, records))
            break;
    }
}

void TXmlDataSet::RecoverJournal(const QString &resolved)
{
    using Kind = TReportJournal::TScan::Kind;
    const TReportJournal::TScan scan = TReportJournal::Scan(resolved, document_.Identity());
    if (scan.inUse) {
        // Written by a program that does not take the report's lock.
        openElsewhere_ = true;
        ReplayInMemory(resolved);
        return;
    }
    switch (scan.kind) {
    case Kind::Missing:
        return;
    case Kind::Empty:
        TReportJournal::DeleteFor(resolved);
        return;
    case Kind::Folded:
    case Kind::Foreign: {
        const int left = scan.changes - scan.folded;
        if (left == 0) {
            TReportJournal::DeleteFor(resolved);
            return;
        }
        const QString aside = TReportJournal::SetAsideFor(resolved);
        // A fold mark that matches is written only for a damaged journal
        // whose intact start was saved.
        TMessageBox::ShowFmt(scan.kind == Kind::Folded ? kJournalDamaged : kJournalForeign, {resolved, left, aside},
                             TMessageBox::WarningOk);
        return;
    }
    case Kind::Current:
        break;
    }

    std::vector<xmlNodePtr> records = RecordNodes(document_.YSFP());
    size_t applied = 0;
    for (const TJournalEntry &entry : scan.entries) {
        if (!TReportJournal::Apply(entry, document_, records))
            break;
        ++applied;
    }
    if (fileReadOnly_)
        return; // the file stays as its owner wants it; the journal waits
    const int lost = scan.changes - int(applied);
    std::exception_ptr failure;
    if (scan.changes == 0) {
        TReportJournal::DeleteFor(resolved); // begun, but no change made
    } else if (lost == 0) {
        // Go on with this journal; the save folds it into the file.
        try {
            journal_ = TReportJournal::Reopen(resolved, scan.EndOf(applied), int(applied));
        } catch (const TFileError &) {
        }
        try {
            if (journal_) {
                WriteFile(resolved);
            } else {
                document_.Save(resolved);
                TReportJournal::DeleteFor(resolved);
            }
        } catch (const TFileError &) {
            failure = std::current_exception();
            if (!journal_)
                unsaved_.assign(scan.entries.begin(), scan.entries.begin() + qsizetype(applied));
        }
    } else {
        // Damage: save what applies, with a fold mark saying how much of the
        // journal the file then holds, and keep the journal aside.
        std::unique_ptr<TReportJournal> damaged;
        try {
            damaged = TReportJournal::Reopen(resolved, scan.completeLength, scan.changes);
        } catch (const TFileError &) {
        }
        try {
            if (applied > 0) {
                document_.Save(resolved, [&](const TFileIdentity &written) {
                    if (damaged)
                        damaged->MarkFolded(written, int(applied));
                });
            }
        } catch (const TFileError &) {
            failure = std::current_exception();
            unsaved_.assign(scan.entries.begin(), scan.entries.begin() + qsizetype(applied));
        }
        damaged.reset();
        const QString aside = TReportJournal::SetAsideFor(resolved);
        TMessageBox::ShowFmt(kJournalDamaged, {resolved, lost, aside}, TMessageBox::WarningOk);
    }
    if (failure)
        ReportDeferredSave(resolved, failure);
}

void TXmlDataSet::ReportDeferredSave(const QString &resolved, const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const TAtomicFileError &error) {
        if (error.DiskFull())
            TMessageBox::ShowFmt(kSaveDeferredDiskFull, {resolved}, TMessageBox::WarningOk);
        else
            TMessageBox::ShowFmt(kSaveDeferred, {resolved, QString::fromLocal8Bit(std::strerror(error.Error()))},
                                 TMessageBox::WarningOk);
    } catch (const TUserError &error) {
        TMessageBox::ShowFmt(kSaveDeferred, {resolved, error.Message()}, TMessageBox::WarningOk);
    }
}

TReadOnlyReason TXmlDataSet::ReadOnlyReason() const
{
    if (fileReadOnly_)
        return TReadOnlyReason::FileReadOnly;
    if (openElsewhere_)
        return TReadOnlyReason::OpenElsewhere;
    if (notLockable_)
        return TReadOnlyReason::NotLockable;
    if (readOnly_)
        return TReadOnlyReason::Requested;
    return TReadOnlyReason::None;
}

QString TXmlDataSet::ReadOnlyText(TReadOnlyReason reason)
{
    switch (reason) {
    case TReadOnlyReason::None:
        return QString();
    case TReadOnlyReason::Requested:
        break;
    case TReadOnlyReason::OpenElsewhere:
        return QStringLiteral("报表已在另一个程序中打开,只能查看,不能修改!");
    case TReadOnlyReason::FileReadOnly:
        return QStringLiteral("报表文件是只读文件,只能查看,不能修改!");
    case TReadOnlyReason::NotLockable:
        return QStringLiteral("报表所在的文件夹不能写入,只能查看,不能修改!");
    }
    return QStringLiteral("报表为只读,不能修改!");
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
        throw TUserError(ReadOnlyText(ReadOnlyReason()));
}

void TXmlDataSet::RequireLock()
{
    if (lock_ && lock_->Held())
        return;
    // Let go at a close: taken again, as at a load.
    if (!documentDirty_) {
        LoadDocument(fileName_);
        return;
    }
    lock_ = std::make_unique<TReportLock>(ResolveCaseInsensitive(fileName_));
    openElsewhere_ = lock_->Status() == TReportLock::State::Busy;
    notLockable_ = lock_->Status() == TReportLock::State::Failed;
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
    if (!journal_) {
        journal_ = std::make_unique<TReportJournal>(ResolveCaseInsensitive(fileName_), document_.Identity(), unsaved_);
        unsaved_.clear();
    }
    journal_->Append(entry, batchDepth_ == 0);
}

void TXmlDataSet::EndBatch()
{
    if (batchDepth_ == 0)
        return;
    if (--batchDepth_ == 0 && journal_)
        journal_->Sync();
}

int TXmlDataSet::JournalFlushes() const { return journal_ ? journal_->Flushes() : 0; }

// ---------------------------------------------------------------- opening and closing

void TXmlDataSet::Open()
{
    if (Active())
        return;
    RequireDocument();
    if (!lock_)
        RequireLock();
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

        if ((!document_.Identity().exists || documentDirty_) && !ReadOnly())
            WriteFile(ResolveCaseInsensitive(fileName_));
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
    // A journal left (the file could not be written) comes back at the next load.
    journal_.reset();
    lock_.reset();
    Notify({TDataChange::Kind::Reset});
    Fire(AfterClose);
    if (failure)
        std::rethrow_exception(failure);
}

void TXmlDataSet::Save()
{
    RequireDocument();
    if (!lock_)
        RequireLock();
    if (ReadOnly())
        throw TUserError(QStringLiteral("报表为只读,不能保存!"));
    WriteFile(ResolveCaseInsensitive(fileName_));
}

void TXmlDataSet::WriteFile(const QString &resolved)
{
    document_.Save(resolved, [this](const TFileIdentity &written) {
        if (journal_)
            journal_->MarkFolded(written, journal_->Count());
    });
    documentDirty_ = false;
    unsaved_.clear();
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

QByteArrayView TXmlDataSet::StoredUtf8(int record, int field, QByteArray *scratch) const
{
    return ElementText(FindFieldElement(records_.at(size_t(record)), fieldNames_.at(size_t(field)), nullptr), scratch);
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
