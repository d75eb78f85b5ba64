#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files "in the system code page" are GBK on every machine, whatever
// the locale: code page 936 as Windows writes it. That is GB18030's one-
// and two-byte part except for the euro sign, which code page 936 writes
// as the single byte 0x80 (GB18030: A2 E3). Characters code page 936
// cannot hold are written as GB18030's four-byte sequences, so nothing is
// lost; Windows would write "?" for them.

// Reads code page 936 bytes: 0x80 standing alone is the euro sign; every
// other byte sequence reads as GB18030 reads it (A2 E3, which older files
// of this program hold for the euro sign, included).
QString DecodeGbk(const QByteArray &bytes);
// The bytes of text in code page 936 as Windows writes them (the euro sign
// as 0x80), with GB18030's four-byte sequences for characters code page
// 936 cannot hold. These are the bytes report files store, and the bytes
// key digests are computed over.
QByteArray EncodeGbk(const QString &text);
// Whether code page 936 holds every character of text (EncodeGbk then
// writes no four-byte sequence).
bool GbkCanHold(const QString &text);

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
