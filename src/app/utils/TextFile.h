#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files "in the system code page" are GBK on every machine, whatever
// the locale. GB18030 is used for the conversion: it is a superset of GBK,
// so every GBK file reads unchanged and no character is lost on writing.

QString DecodeGbk(const QByteArray &bytes);
QByteArray EncodeGbk(const QString &text);

// Reads a whole file's bytes. Raises TFileError when it cannot be read.
QByteArray ReadFileBytes(const QString &path);

// Reads a GBK text file and returns its lines without line ends (CR LF, LF
// or CR). A final line end does not start another line.
QStringList ReadGbkLines(const QString &path);

// Reads a GBK text file the way scripts are loaded: every line followed by
// CR LF, the last one included.
QString LoadTextFile(const QString &path);

// Writes bytes to path without ever leaving a half-written file: the bytes
// go to a temporary file in the same folder, which is flushed and renamed
// over the old file. On failure the old file is intact and TFileError
// carries the system's message.
void WriteFileAtomically(const QString &path, const QByteArray &bytes);

// Writes lines as GBK text, each followed by CR LF, atomically.
void WriteGbkLines(const QString &path, const QStringList &lines);
