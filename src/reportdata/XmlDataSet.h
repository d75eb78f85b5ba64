#pragma once

#include "reportdata/FieldValue.h"
#include "reportdata/HashFunc.h"
#include "reportdata/ReportDocument.h"
#include "reportdata/XmlFieldDefine.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>

#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <vector>

class TScriptRunner;
class TReportJournal;
class TReportLock;
struct TJournalEntry;
class TXmlDataSet;

enum class TDataSetState { Inactive, Browse, Edit, Insert };

// Why a dataset does not change its report.
enum class TReadOnlyReason {
    None,          // it may
    Requested,     // SetReadOnly(true): a report opened for viewing, a tool that only reads
    OpenElsewhere, // another program (or another dataset) has the report open
    FileReadOnly,  // the report file's owner took away its write permission
    NotLockable,   // the report's lock file cannot be made (a folder that cannot be written)
};

struct TLocateOptions {
    bool caseInsensitive = false;
    bool partialKey = false;
};

// A bookmark: the index of a record (-1: none).
using TBookmark = int;

// What changed in a dataset, for attached models and controls. Rows are
// view rows: the records in order, with the record being inserted shown at
// its insert position while the dataset is in insert state (rows from there
// on move down by one). Structural changes come in pairs, the AboutTo...
// notice before the change and the other after it, so a Qt model can
// forward them as begin.../end... calls.
struct TDataChange {
    enum class Kind {
        AboutToReset,      // open or close begins
        Reset,             // open or close ended (also when it failed)
        AboutToInsertRows, // rows first..last are about to appear
        RowsInserted,
        AboutToRemoveRows, // rows first..last are about to go
        RowsRemoved,
        RowsChanged,       // values of rows first..last changed; field -1: all fields
        CurrentChanged,    // another row became current
        StateChanged,      // browse / edit / insert changed
    };
    Kind kind;
    int first = -1;
    int last = -1;
    int field = -1;
};

// One field of an open report: a column of the field-definition document.
// Values are those of the dataset's current record buffer. Field objects
// are created at Open and destroyed at Close: do not keep pointers to them
// across a close.
class TField {
public:
    const QString &FieldName() const { return def_.name; }
    // CHSNAME, or the field name when that is empty.
    const QString &DisplayLabel() const { return def_.label; }
    TFieldType DataType() const { return def_.type; }
    // DATASIZE of a TEXT field (GBK bytes; input controls limit entry to
    // it, stored longer texts are kept whole); 0 for the other types.
    int Size() const { return def_.size; }
    // Position in the field list, from 1.
    int FieldNo() const { return index_ + 1; }
    int Index() const { return index_; }
    const TFieldDef &Definition() const { return def_; }
    TXmlDataSet &DataSet() const { return *dataSet_; }

    // The typed value (never null; see FieldValue.h for the kinds).
    QVariant Value() const;
    // Stores value, converted to the field's type, into the current record
    // buffer; the dataset must be in edit or insert state. A null or
    // invalid value changes nothing. Raises TConversionError for a value
    // that does not convert (or a text an XML document cannot hold), and
    // TUserError when the dataset is not editing. Then raises the change
    // notice, OnChange and the field's computed-value rule, once each.
    void SetValue(const QVariant &value);

    // The text form: text as entered, integers in decimal, floats and
    // amounts in general format, dates yyyy-MM-dd, booleans True/False.
    QString AsString() const;
    // Sets from text as SetValue does; for fields other than TEXT, an
    // empty or blank text is "no value" and changes nothing.
    void SetAsString(const QString &text);
    QString Text() const { return AsString(); }
    void SetText(const QString &text) { SetAsString(text); }
    int AsInteger() const;
    void SetAsInteger(int value) { SetValue(QVariant(value)); }
    double AsFloat() const;
    void SetAsFloat(double value) { SetValue(QVariant(value)); }
    double AsCurrency() const { return AsFloat(); }
    void SetAsCurrency(double value) { SetValue(QVariant(value)); }
    QDate AsDate() const;
    void SetAsDate(const QDate &value) { SetValue(QVariant(value)); }
    // A date at the start of its day.
    QDateTime AsDateTime() const;
    bool AsBoolean() const;
    void SetAsBoolean(bool value) { SetValue(QVariant(value)); }

    // Called after the value was set (before the computed-value rule).
    std::function<void(TField &)> OnChange;

private:
    friend class TXmlDataSet;
    TField(TXmlDataSet *dataSet, const TFieldDef &def, int index);

    TXmlDataSet *dataSet_;
    TFieldDef def_;
    int index_;
    QString ruleTarget_;   // computed-value rule, when the column has one
    QString ruleFunction_;
};

// A report data file presented as a navigable, editable table of typed
// records whose columns come from the schema's field-definition document.
// Qt-Widgets-free; single-threaded.
//
// Life cycle: set FileName (loads the file, or builds a new report's
// document when there is none), Open, navigate and edit, Close (writes the
// file whether or not anything changed). One object serves one opening.
//
// Records are the REC elements in document order; record access by index is
// O(1). The cursor is the index of the current record (-1 when there is
// none). Edits are held in a record buffer until Post or Cancel.
//
// Durability: every Post, Delete and attribute change made while open is
// written to the report's journal (ReportJournal.h) and flushed to disk
// before it returns; the report file itself is written at Save and Close,
// after which the journal is removed. When the journal cannot be written
// (a full disk), every further change is refused with "日志文件写入失败,
// 请关闭报表后重新打开" (the buffer stays as it was, unposted).
//
// One writer: loading takes the report's lock (ReportLock.h) and Close
// (or destruction) lets it go, so that a second dataset on the same
// report, in this or another process, shows it read-only (OpenElsewhere)
// and never writes it. A lock left by a killed process is taken over.
//
// Recovery, when a report is loaded under its lock: temporary files of the
// report that dead writers left behind are removed (see
// TAtomicFile::RemoveStaleTemporaries), and so is a journal that holds no
// change or whose changes the file holds already (a crash after the
// file was replaced). A journal for these bytes is replayed and the report
// saved at once; when that save fails (a full disk, an immutable file) the
// report opens with the journal replayed in memory, the journal is kept and
// written on, and the next Save or Close that succeeds writes the file;
// the operator is told. A torn last journal line (a crash while writing
// it) is ignored; a journal damaged elsewhere is replayed up to the
// damage, set aside as "<journal>.stale", and the operator is told how
// many changes could not be applied and where the kept journal is; a
// journal of another file or of other bytes is set aside without being
// applied, and told likewise. Messages go through TMessageBox (warning
// style); a ".stale" journal thus only ever holds changes that are not in
// the report.
//
// Keys: when KeyFields is not blank, every record's PKID is the key digest
// of its key fields and the key list holds the digests in record order.
// Record validation (a BeforePost handler) normally checks the new digest
// and appends (insert) or puts (edit) it into KeyList before the write.
// When no handler did so — the list has no entry for the record being
// posted (insert: KeyList.Count() == RecordCount(); edit: the entry at the
// record differs from the buffer's digest) — Post computes the digest
// itself, refuses a digest held by another record with "您录入了重复数据,
// 请检查!(数据项重复)", and adds or puts it. A post that fails after the
// handler changed the key list puts the list back as it was.
class TXmlDataSet {
public:
    using TEvent = std::function<void(TXmlDataSet &)>;

    TXmlDataSet();
    // Closes an open dataset; a failure to write the file is swallowed
    // (its changes stay in the journal and come back at the next load).
    ~TXmlDataSet();
    TXmlDataSet(const TXmlDataSet &) = delete;
    TXmlDataSet &operator=(const TXmlDataSet &) = delete;

    // ---- Properties ----
    QString FileName() const { return fileName_; }
    // Loads the report file at path (resolved without regard to letter
    // case) under its lock, with the recovery described above; when no
    // file exists, builds a new report's document (empty taxpayer code,
    // version "1.00", empty definition file name) without writing it.
    // Nothing happens when path equals the current name. Refused with a
    // TUserError while open; load errors are raised (see TReportDocument)
    // and leave the dataset without a file name.
    void SetFileName(const QString &path);
    // Period yyyyMM: first argument of computed-value rules.
    QString AccMonth() const { return accMonth_; }
    void SetAccMonth(const QString &period) { accMonth_ = period; }
    // SWSBH of the root, Version and DSFile of YSFP; readable and writable
    // whenever a document is loaded.
    QString PayerCode() const;
    void SetPayerCode(const QString &code);
    QString Version() const;
    void SetVersion(const QString &version);
    QString StructFileName() const;
    void SetStructFileName(const QString &name);
    // The field-definition document loaded at open (null while closed).
    const TFieldDefineDocument *CustomFieldDefs() const { return defs_.get(); }
    // Key column names separated by ";". Taken from KEYFIELDS at open; the
    // setter trims. Refused with a TUserError while open.
    QString KeyFields() const { return keyFields_; }
    void SetKeyFields(const QString &names);
    bool HasKeyFields() const { return !keyFields_.isEmpty(); }
    // Key digests of the records in record order (filled at open when
    // HasKeyFields; see the class comment).
    TKeyList &KeyList() { return keyList_; }
    const TKeyList &KeyList() const { return keyList_; }
    // Engine for computed-value rules; not owned; may be null (no rules run).
    TScriptRunner *ScriptEngine() const { return scriptEngine_; }
    void SetScriptEngine(TScriptRunner *engine) { scriptEngine_ = engine; }
    // A read-only dataset refuses Edit, Append, Insert, Delete and Post with
    // a TUserError saying why, and does not write the file at Close.
    // SetReadOnly asks for it (for viewing, for tools that only read); the
    // report is read-only anyway while another dataset has it open, when
    // its file has no owner write permission (the mode bits decide, not
    // whether a write would fail: root may write anything) or when its lock
    // file cannot be made. The last three are decided at load, which shows
    // a notice through TMessageBox for the last two (unless read-only was
    // asked for before the load).
    bool ReadOnly() const { return ReadOnlyReason() != TReadOnlyReason::None; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // Why the dataset is read-only (None when it is not); the reasons other
    // than Requested are reported first.
    TReadOnlyReason ReadOnlyReason() const;
    // The refusal text of a reason, e.g. "报表为只读,不能修改!" for Requested.
    static QString ReadOnlyText(TReadOnlyReason reason);

    bool Active() const { return state_ != TDataSetState::Inactive; }
    TDataSetState State() const { return state_; }
    // True when a field of the buffer was set since Edit / since the new
    // record was initialised.
    bool Modified() const { return modified_; }

    // ---- Opening and closing ----
    // Loads the definition document "DS folder + StructFileName" (refused
    // for a name leaving the DS folder), creates the fields, fills the key
    // list from the records' PKIDs and makes the first record current.
    // Raises "结构定义文件 "%S" 不存在!" (full path), the field-list errors
    // of BuildFieldList, "系统发生关键字冲突,请检查记录是否已存在!" for a
    // repeated PKID in a keyed report. A document that exists only in
    // memory is saved first, so that the journal has a file to refer to.
    void Open();
    // Discards an unposted buffer, sets RecordCount, releases the fields,
    // writes the file (unless read-only), clears the key list and lets the
    // report's lock go. The dataset is closed even when writing fails; the
    // error is then raised (the journal stays for the next load). Opening
    // again takes the lock again and reads the file afresh, unless the
    // taxpayer code, version or definition file name was set since.
    void Close();
    // Writes the document to FileName and removes the journal. Raises
    // TFileError (the journal then stays), TUserError when read-only.
    void Save();

    // ---- Fields ----
    int FieldCount() const { return int(fields_.size()); }
    TField &Fields(int index) const { return *fields_.at(size_t(index)); }
    // Letter case ignored. FieldByName raises a TUserError naming the field.
    TField &FieldByName(const QString &name) const;
    TField *FindField(const QString &name) const;
    // The fields named in a ";"-separated list (names trimmed, empty names
    // skipped); raises like FieldByName.
    std::vector<TField *> GetFieldList(const QString &names) const;

    // ---- Navigation (each first posts a modified buffer or cancels an unmodified one) ----
    void First();
    void Last();
    void Next();
    void Prior();
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return RecordCount() == 0 && state_ != TDataSetState::Insert; }
    // 1-based number of the current record; in insert state the position
    // of the new record (RecordCount + 1 when appending); 0 when empty.
    int RecNo() const;
    // Moves to record n (1..RecordCount); 0 goes to the first record; other
    // values are ignored.
    void SetRecNo(int n);
    // Number of stored records (the REC elements).
    int RecordCount() const { return int(records_.size()); }
    TBookmark GetBookmark() const { return cursor_; }
    bool BookmarkValid(TBookmark bookmark) const { return bookmark >= 0 && bookmark < RecordCount(); }
    // Makes the bookmarked record current, read afresh. Raises "数据表记录为空!"
    // when it is no record.
    void GotoBookmark(TBookmark bookmark);
    // While disabled (calls nest), only structural changes are notified;
    // the last EnableControls sends one RowsChanged for all rows and a
    // CurrentChanged when anything was held back.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // ---- Editing ----
    // New record at the end / before the current record, with the default
    // values; BeforeInsert and OnNewRecord may fill it further (an error in
    // OnNewRecord cancels the insert). Append on an empty report and Edit
    // on an empty report start the same way.
    void Append();
    void Insert();
    void Edit();
    // Writes the buffer (see the class comment for keys): a new record
    // becomes the last REC whatever its insert position, with PKID = the key
    // list's last entry when keyed, else a new GUID text; the record that
    // was current before an Insert is current again, an appended record is
    // current. An edited record keeps its REC; its PKID is rewritten from
    // the key list when keyed. Nothing happens in browse state.
    void Post();
    void Cancel();
    // Deletes the current record (cancels an insert instead). Raises
    // "数据表记录为空!" on an empty report.
    void Delete();
    // Append/Insert, set the fields in order from values (null entries
    // skipped), Post.
    void AppendRecord(const QVariantList &values);
    void InsertRecord(const QVariantList &values);

    // ---- Batches ----
    // Changes made between BeginBatch and the matching EndBatch (calls
    // nest) share one journal flush: their journal lines are written as
    // they are made but flushed to disk once, by the outermost EndBatch.
    // A crash inside a batch may lose the batch's changes (never damage
    // earlier ones). EndBatch raises the journal's TFileError when that
    // flush fails; the changes then stay in the report in memory and are
    // written at Save or Close, and the journal refuses further changes as
    // after any failed journal write.
    void BeginBatch() { ++batchDepth_; }
    void EndBatch();
    bool InBatch() const { return batchDepth_ > 0; }
    // How often the current journal was flushed to disk (0 while the report
    // has none); tools and tests use it to see that a batch flushed once.
    int JournalFlushes() const;

    // ---- Searching ----
    // Finds the first record whose named fields (";"-separated) match
    // values (one value, or a QVariantList with one per name). TEXT and
    // BOOLEAN fields compare their text (cut to the value's length with
    // partialKey, letter case ignored with caseInsensitive); other types
    // compare as values (a value that does not convert raises
    // TConversionError before anything moves). On a match that record is
    // current and the result is true; otherwise the last record is current.
    // False at once for blank names or an empty report.
    bool Locate(const QString &names, const QVariant &values, TLocateOptions options = {});

    // ---- Keys ----
    // The key text of the buffer: the key fields' texts in KeyFields order,
    // concatenated (amounts as they will be stored, i.e. rounded to cents).
    // Raises a TUserError naming a key field that is no field.
    QString KeyText() const;
    // HashKeyText(KeyText()).
    QString KeyDigest() const;

    // ---- Direct reads for models and exports (the cursor does not move) ----
    // Stored records plus the record being inserted.
    int ViewRowCount() const { return RecordCount() + (insertRow_ >= 0 ? 1 : 0); }
    // The current view row (-1 when none).
    int CurrentViewRow() const;
    // The view row being inserted, or -1.
    int InsertViewRow() const { return insertRow_; }
    // The record index shown in a view row (-1 for the row being inserted).
    int RecordOfViewRow(int row) const;
    // The view row showing a record index.
    int ViewRowOfRecord(int record) const;
    // The typed value shown in a view row: the buffer for the row being
    // edited or inserted, else read from the record. Raises TConversionError
    // for an unreadable stored text.
    QVariant ViewValue(int row, int field) const;
    // Its text form (AsString); for an unreadable stored text, the text as stored.
    QString ViewText(int row, int field) const;
    // The element text stored for a field of a record (empty when missing).
    QString StoredText(int record, int field) const;
    // The same as the document's UTF-8 bytes, without a copy where it can
    // (else in scratch); valid until the record changes. For exports that
    // read every field of every record.
    QByteArrayView StoredUtf8(int record, int field, QByteArray *scratch) const;

    // ---- Notifications ----
    // Adds a listener for data changes; returns its id.
    int AddDataChangeListener(std::function<void(const TDataChange &)> listener);
    void RemoveDataChangeListener(int id);

    // ---- Events ----
    TEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TEvent BeforeInsert, AfterInsert, OnNewRecord;
    TEvent BeforeEdit, AfterEdit;
    TEvent BeforePost, AfterPost;
    TEvent BeforeCancel, AfterCancel;
    TEvent BeforeDelete, AfterDelete;
    TEvent BeforeScroll, AfterScroll;

private:
    friend class TField;

    void LoadDocument(const QString &path);
    void RecoverJournal(const QString &resolved);
    void ReplayInMemory(const QString &resolved);
    void ReportDeferredSave(const QString &resolved, const std::exception_ptr &failure);
    // Writes the file at resolved (the journal's fold mark first) and
    // removes the journal.
    void WriteFile(const QString &resolved);
    void RequireLock();
    void RequireDocument() const;
    void RequireActive() const;
    void RequireWritable() const;
    void ReleaseFields();
    void BuildFields();
    void PostOrCancelPending();
    void BeginInsert(bool append);
    void ReadCurrent();
    // ReadCurrent, leaving the defaults in the buffer when the stored text
    // does not convert (the record shows its stored text and says what is
    // wrong when it is edited).
    void TryReadCurrent();
    void NotifyStateAndCurrent();
    void ReadRecord(int index, std::vector<QVariant> &buffer) const;
    QVariant ReadStoredValue(int record, int field) const;
    void SetFieldValue(TField &field, const QVariant &value);
    void RunComputedRule(TField &field);
    void Journal(const TJournalEntry &entry);
    void SetDocumentAttribute(const char *name, const QString &value);
    QString StoredKeyText(const std::vector<QVariant> &buffer) const;
    void Notify(const TDataChange &change);
    void NotifyRows(TDataChange::Kind kind, int first, int last, int field = -1);
    void Fire(const TEvent &event);
    bool ValueMatches(const TField &field, const QVariant &stored, const QVariant &wanted,
                      const QString &wantedText, TLocateOptions options) const;

    QString fileName_;
    QString accMonth_;
    QString keyFields_;
    TReportDocument document_;
    bool documentDirty_ = false; // changed while closed, not yet saved
    std::unique_ptr<TReportLock> lock_; // before journal_: let go after it is closed
    std::unique_ptr<TReportJournal> journal_;
    // Changes replayed into the document that neither the file nor a live
    // journal holds (their journal was damaged and set aside, and the file
    // could not be written): the next journal starts with them.
    std::vector<TJournalEntry> unsaved_;
    bool openElsewhere_ = false;
    bool fileReadOnly_ = false;
    bool notLockable_ = false;
    bool readOnly_ = false;
    std::unique_ptr<TFieldDefineDocument> defs_;
    std::vector<std::unique_ptr<TField>> fields_;
    QHash<QString, int> fieldIndex_; // upper-case name -> index
    std::vector<QByteArray> fieldNames_; // UTF-8 element names
    std::vector<xmlNodePtr> records_;
    std::vector<QVariant> buffer_;
    TKeyList keyList_;
    TScriptRunner *scriptEngine_ = nullptr;

    TDataSetState state_ = TDataSetState::Inactive;
    int cursor_ = -1;
    int insertRow_ = -1;     // view row of the record being inserted
    bool modified_ = false;
    bool bof_ = true;
    bool eof_ = true;
    int disableCount_ = 0;
    int batchDepth_ = 0;
    bool heldBack_ = false;
    std::set<int> runningRules_;

    struct Listener {
        int id;
        std::function<void(const TDataChange &)> callback;
    };
    std::vector<Listener> listeners_;
    int nextListenerId_ = 1;
};
