#pragma once

#include <QByteArray>
#include <QString>

// Writes a file without ever leaving it half-written. The bytes go to a
// temporary file in the same folder; Commit() flushes it to disk and renames
// it over the target. Until then the old file is untouched; destroying an
// uncommitted TAtomicFile removes the temporary file. Every failure raises
// TFileError with the system's message.
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

private:
    [[noreturn]] void Fail(int error);

    QString path_;
    QByteArray tempPath_;
    int fd_ = -1;
};
