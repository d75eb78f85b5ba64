#pragma once

#include "reportdata/ReportDocument.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

// The journal of a report file: the changes made to an open report since
// its file was last written, so that a crash or power cut loses none of
// them. It lives beside the report as "<report file name>.journal".
//
// Format (UTF-8 text, one line each):
//   header   "CORVANE-JOURNAL 2 <size> <crc> <name>"  identity of the report
//            file bytes the entries apply to (size in bytes, CRC-32 as 8 hex
//            digits) and the report's file name (escaped as values are).
//            Journals of the first format, "CORVANE-JOURNAL 1 <size> <crc>",
//            name no file and are taken for any file with those bytes.
//   entry    "<crc> <payload>"  crc: CRC-32 of the payload, 8 hex digits
//   payload  fields separated by tabs; in values "\" "tab" "LF" "CR" are
//            written as "\\" "\t" "\n" "\r":
//              A <pkid> (<name> <text>)*          new REC appended
//              E <index> <pkid> (<name> <text>)*  REC at index rewritten
//                                                 (empty pkid: kept)
//              D <index>                          REC at index removed
//              T <attribute> <value>              SWSBH, Version or DSFile set
//              F <size> <crc> <count>             fold mark: the report file
//                                                 with these bytes holds the
//                                                 first count changes
//
// Each entry is written with one write() and flushed with fdatasync()
// before the operation that made it returns. A fold mark is written the
// same way just before a new report file replaces the old one, so that a
// journal left behind by a crash after the replacement is known to be in
// the file already. The writer holds an exclusive flock() on the file.
//
// A crash can leave only a torn last line (no line end); any other line
// that fails its checksum or does not parse is damage.

struct TJournalEntry {
    enum class Kind { Append, Edit, Delete, Attribute };
    Kind kind = Kind::Append;
    int index = -1;                 // Edit, Delete
    QString pkid;                   // Append, Edit
    QString name;                   // Attribute: SWSBH, Version or DSFile
    QString value;                  // Attribute
    std::vector<std::pair<QByteArray, QString>> fields; // element name (UTF-8), text
};

class TReportJournal {
public:
    // The journal path of a report file.
    static QString PathFor(const QString &reportPath);

    // What the journal beside a report holds for the bytes the report was
    // loaded from.
    struct TScan {
        enum class Kind {
            Missing, // no journal
            Empty,   // no complete first line: the writer died before it began
            Current, // it names these bytes (and this file, or no file)
            Folded,  // a fold mark says these bytes hold its first Folded changes
            Foreign, // another file's or other bytes' journal, or no journal at all
        };
        Kind kind = Kind::Missing;
        bool inUse = false;  // another writer holds it open
        std::vector<TJournalEntry> entries; // the intact changes before the first damaged line, in order
        std::vector<qint64> entryEnds;      // the offset after each of them
        qint64 headerEnd = 0;               // the offset after the first line
        qint64 completeLength = 0;          // the offset after the last complete line
        int changes = 0;     // complete change lines, damaged ones included (fold marks are none)
        int folded = 0;      // Folded: how many of the changes the file holds
        // The end of the first n intact changes (n <= entries.size()).
        qint64 EndOf(size_t n) const { return n == 0 ? headerEnd : entryEnds[n - 1]; }
    };
    // Reads the journal beside reportPath for a document loaded with
    // identity; changes nothing. Raises TFileError when it exists but
    // cannot be read.
    static TScan Scan(const QString &reportPath, const TFileIdentity &identity);

    // Deletes the journal beside reportPath. A missing journal is no error.
    // Raises TFileError.
    static void DeleteFor(const QString &reportPath);
    // Renames the journal beside reportPath to "<journal>.stale" (or
    // ".stale.1", ".stale.2", ... when taken) and returns the new path.
    // Raises TFileError.
    static QString SetAsideFor(const QString &reportPath);

    // Applies one entry to the document's records; records is the REC list
    // in order and is kept in step. False when the entry does not apply
    // (index out of range, unknown attribute): nothing was changed.
    static bool Apply(const TJournalEntry &entry, TReportDocument &document, std::vector<xmlNodePtr> &records);

    // Starts a new journal for a report file whose bytes have identity base,
    // holding at once the changes already made to the document in memory
    // (replayed from an earlier journal that could not be kept). Raises
    // TFileError when it cannot be created (also when one exists).
    TReportJournal(const QString &reportPath, const TFileIdentity &base,
                   const std::vector<TJournalEntry> &replayed = {});
    // Goes on with the journal beside reportPath: cuts it to its first
    // length bytes (a torn end, entries not applied), which hold count
    // changes. Raises TFileError.
    static std::unique_ptr<TReportJournal> Reopen(const QString &reportPath, qint64 length, int count);
    // Closes the file; the journal stays on disk.
    ~TReportJournal();
    TReportJournal(const TReportJournal &) = delete;
    TReportJournal &operator=(const TReportJournal &) = delete;

    // Writes the entry and flushes it to disk, or with sync false leaves
    // the flush to a later Sync (a batch of changes shares one flush). A
    // write that fails is cut off again and the journal refuses further
    // entries; every such refusal raises TFileError with "日志文件写入失败,
    // 请关闭报表后重新打开", saying first that the disk is full when it is.
    void Append(const TJournalEntry &entry, bool sync = true);
    // Flushes the entries written without sync to disk; nothing when there
    // are none. When the flush fails, the journal refuses further entries
    // and TFileError is raised as for Append: whether those entries reached
    // the disk is unknown, so only the document in memory (written at the
    // next Save or Close) is sure to hold them.
    void Sync();
    // Entries written since the last flush.
    bool Unsynced() const { return unsynced_; }
    // How many times the journal was flushed to disk since it was opened.
    int Flushes() const { return flushes_; }
    // Writes the fold mark for a new report file with bytes written that
    // holds the first count changes, before it replaces the report. Also
    // after a refused Append. Raises TAtomicFileError (the mark is then cut
    // off again).
    void MarkFolded(const TFileIdentity &written, int count);
    // The changes the journal holds.
    int Count() const { return count_; }
    // Deletes the journal file (after its changes were saved into the report).
    void Remove();
    QString Path() const { return path_; }

private:
    TReportJournal() = default;
    // Writes line at the end and (with sync) flushes it; on failure cuts it
    // off again and returns the error number.
    int WriteLine(const QByteArray &line, bool sync = true);

    QString path_;
    int fd_ = -1;
    qint64 length_ = 0; // bytes known good
    int count_ = 0;
    bool failed_ = false;
    bool failedFull_ = false;
    bool unsynced_ = false;
    int flushes_ = 0;
};
