#pragma once

#include "Errors.h"

#include <QByteArray>
#include <QString>

// Writes a file without ever leaving it half-written. The bytes go to a
// temporary file in the same folder; Commit() flushes it to disk and renames
// it over the target. Until then the old file is untouched; destroying an
// uncommitted TAtomicFile removes the temporary file. Every failure raises
// TAtomicFileError with the system's message.
//
// The temporary file of target "<folder>/<name>" is the hidden
// "<folder>/.<name>.~<pid>.XXXXXX" (pid: the writing process, XXXXXX: six
// random letters and digits); versions before the pid was added wrote
// "<folder>/.<name>.XXXXXX". A process killed while writing leaves it
// behind; RemoveStaleTemporaries() clears such leftovers.
//
// (QSaveFile is not used: it commits a file whose buffered write failed.)
class TAtomicFile {
public:
    explicit TAtomicFile(const QString &path);
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile &) = delete;
    TAtomicFile &operator=(const TAtomicFile &) = delete;

    void Write(const char *data, qint64 size);
    void Write(const QByteArray &bytes) { Write(bytes.constData(), bytes.size()); }
    void Commit();

    // Removes the temporary files that TAtomicFile writers of target left
    // behind, and nothing else: only names of the scheme above for exactly
    // this target. A temporary is removed when its writer is gone: for
    // names with a pid, no process of that pid runs, or the one that runs
    // started after the temporary was last written (the pid was reused),
    // or it is this process and no TAtomicFile of it writes that file; for
    // the older names without a pid, when it was last written more than a
    // minute ago. A temporary that a live process may be writing right now
    // is never touched. Returns how many were removed; failures to list or
    // remove are skipped silently (the next call tries again).
    static int RemoveStaleTemporaries(const QString &target);

private:
    [[noreturn]] void Fail(int error);

    QString path_;
    QByteArray tempPath_;
    int fd_ = -1;
};

// A failure of TAtomicFile (and of other direct file writes), with the
// system's error number.
class TAtomicFileError : public TFileError {
public:
    TAtomicFileError(const QString &path, int error);
    int Error() const { return error_; }
    // The file system has no room left for the write (ENOSPC, EDQUOT, or
    // EFBIG: the file may not grow any further).
    bool DiskFull() const { return IsDiskFullError(error_); }
    static bool IsDiskFullError(int error);

private:
    int error_;
};
