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

#include <functional>
#include <memory>
#include <set>
#include <vector>

class TScriptRunner;
class TReportJournal;
struct TJournalEntry;
class TXmlDataSet;

enum class TDataSetState { Inactive, Browse, Edit, Insert };

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
// after which the journal is removed. Loading a report whose journal
// survived a crash replays the journal and saves the report at once.
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
    // case), replaying and folding in a journal left by a crash; when no
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
    // a TUserError and does not write the file at Close (for tools that only
    // read a report). A report whose journal is held by another process
    // (open there) is always read-only.
    bool ReadOnly() const { return readOnly_ || journalBusy_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

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
    // writes the file (unless read-only) and clears the key list. The
    // dataset is closed even when writing fails; the error is then raised.
    void Close();
    // Writes the document to FileName and removes the journal. Raises
    // TFileError (the journal then stays).
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
    std::unique_ptr<TReportJournal> journal_;
    bool journalBusy_ = false;
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
    bool heldBack_ = false;
    std::set<int> runningRules_;

    struct Listener {
        int id;
        std::function<void(const TDataChange &)> callback;
    };
    std::vector<Listener> listeners_;
    int nextListenerId_ = 1;
};
