#pragma once

#include "reportdata/ReportDocument.h"

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

// The journal of a report file: the changes made to an open report since
// its file was last written, so that a crash or power cut loses none of
// them. It lives beside the report as "<report file name>.journal".
//
// Format (UTF-8 text, one line each):
//   header   "CORVANE-JOURNAL 1 <size> <crc>"  identity of the report file
//            bytes the entries apply to (size in bytes, CRC-32 as 8 hex digits)
//   entry    "<crc> <payload>"  crc: CRC-32 of the payload, 8 hex digits
//   payload  fields separated by tabs; in values "\" "tab" "LF" "CR" are
//            written as "\\" "\t" "\n" "\r":
//              A <pkid> (<name> <text>)*          new REC appended
//              E <index> <pkid> (<name> <text>)*  REC at index rewritten
//                                                 (empty pkid: kept)
//              D <index>                          REC at index removed
//              T <attribute> <value>              SWSBH, Version or DSFile set
//
// Each entry is written with one write() and flushed with fdatasync()
// before the operation that made it returns. The writer holds an exclusive
// lock on the file while the report is open.
//
// Recovery (when a report file is loaded): a journal whose header names
// other bytes than the file's (the journal was folded into the file, or the
// file was replaced) is renamed aside to "<journal>.stale" (".stale.1", ...)
// and not applied. Otherwise its entries are applied in order up to the
// first one that is torn (no line end, a bad checksum) or does not apply;
// the caller then saves the report and removes the journal.

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

    struct TRecovery {
        bool found = false;        // a journal exists beside the report
        bool matches = false;      // it applies to the loaded bytes
        bool inUse = false;        // another process holds it open (its report is open there)
        QString setAsidePath;      // where a journal for other bytes was moved
        std::vector<TJournalEntry> entries; // the intact entries, in order
    };
    // Looks at the journal beside reportPath for a document loaded with
    // identity; moves a journal for other bytes aside (unless in use).
    // Raises TFileError when the journal exists but cannot be read or moved.
    static TRecovery Recover(const QString &reportPath, const TFileIdentity &identity);

    // Deletes the journal beside reportPath (after its entries were saved
    // into the report). A missing journal is no error.
    static void DeleteFor(const QString &reportPath);
    // Renames the journal beside reportPath aside (see above) and returns
    // the new path. Raises TFileError.
    static QString SetAsideFor(const QString &reportPath);

    // Applies one entry to the document's records; records is the REC list
    // in order and is kept in step. False when the entry does not apply
    // (index out of range, unknown attribute): nothing was changed.
    static bool Apply(const TJournalEntry &entry, TReportDocument &document, std::vector<xmlNodePtr> &records);

    // Starts a new journal for a report file whose bytes have identity base.
    // Raises TFileError when it cannot be created (also when one exists).
    TReportJournal(const QString &reportPath, const TFileIdentity &base);
    // Closes the file; the journal stays on disk.
    ~TReportJournal();
    TReportJournal(const TReportJournal &) = delete;
    TReportJournal &operator=(const TReportJournal &) = delete;

    // Writes the entry and flushes it to disk. Raises TFileError; a failed
    // entry may be left torn at the end, which recovery ignores, and the
    // journal refuses further entries.
    void Append(const TJournalEntry &entry);
    // Deletes the journal file (after its changes were saved into the report).
    void Remove();
    QString Path() const { return path_; }

private:
    QString path_;
    int fd_ = -1;
    bool failed_ = false;
};
