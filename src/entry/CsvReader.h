#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Rows of outside tables: CSV files saved by spreadsheets and other
// programs, and cells pasted from a spreadsheet.
//
// Fields are separated by "," (CSV) or a tab (pasted cells); rows end with
// CR LF, LF or a lone CR. A field that begins with '"' is quoted: it runs
// to the next '"' that is not doubled, may hold separators and line ends,
// and "" in it stands for one '"'; text after its closing quote up to the
// separator is kept as it is. A '"' inside an unquoted field is an
// ordinary character. A line end at the very end starts no further row;
// an empty line inside is a row of one empty field, so that row numbers
// stay those of the file's lines. Cells are not trimmed.

// Parses CSV bytes. The encoding: UTF-8 after a UTF-8 byte order mark,
// UTF-16 after a UTF-16 one, else UTF-8 when the bytes are valid UTF-8,
// else GBK (code page 936). When firstLines is given it receives, for each
// row, the 1-based line of the file on which the row begins (rows with
// line ends inside quotes span several lines).
QList<QStringList> ReadCsvText(const QByteArray &bytes, QList<int> *firstLines = nullptr);

// ReadCsvText of a file's bytes. Raises TFileError when it cannot be read.
QList<QStringList> ReadCsvFile(const QString &path, QList<int> *firstLines = nullptr);

// Parses cells pasted from a spreadsheet: tab separated, quoted as above.
QList<QStringList> ParseTabText(const QString &text, QList<int> *firstLines = nullptr);

// The text as a string: see ReadCsvText.
QString DecodeCsvBytes(const QByteArray &bytes);
