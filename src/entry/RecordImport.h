#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

class TRecordValidator;
class TXmlDataSet;

// Rows brought into the open report from outside: a CSV file, or cells
// pasted from a spreadsheet. Every row becomes a new record through the
// dataset and is posted through the record validation like a typed record,
// except that nothing is shown and there is no double-entry confirmation:
// a row that fails is left out and listed with its line and the reason.

// A row that was not imported: its line (1-based, as the operator counts
// lines of the file or of the pasted text) and why.
struct TImportRefusal {
    int line = 0;
    QString message;
};

struct TImportResult {
    int imported = 0;
    std::vector<TImportRefusal> refused;
};

// Imports rows into dataSet. fields names the field each cell column goes
// to (an empty name: the column is skipped); rows[i] is on line
// firstLine + i. For each row that is not blank: Append, each non-blank
// cell set on its field from text with the field's conversion (so that
// computed-value rules run; blank cells keep the new record's defaults),
// then Post through validator, with confirmation off and not interactive.
// A row that fails (a cell that does not convert, a non-blank cell beyond
// the mapped columns, a rule's refusal, a script error, a key held by
// another record of the report or of the rows before it, the learning
// step's refusal) is cancelled and listed; the rows after it go on.
//
// A record being edited when the import starts is posted first, through
// the validator as it is set. The whole import is one journal batch
// (TXmlDataSet::BeginBatch); the validator's settings are restored at the
// end. Afterwards the dataset is in browse state and the last imported
// record is current (the current record is unchanged when none was).
//
// Raises TUserError when fields names a field the dataset lacks, and the
// journal's TFileError when the report's changes cannot be written to its
// journal (the rows imported up to then stay in the report in memory).
TImportResult ImportRows(TXmlDataSet &dataSet, TRecordValidator &validator, const QList<QStringList> &rows,
                         const QStringList &fields, int firstLine);

// The fields a header row names: each cell, trimmed, names a field by its
// NAME or its caption (CHSNAME), letter case ignored; an empty cell skips
// its column (an empty name in the result). Raises TUserError
// "第1行的列名“%S”不是报表的字段!" for a cell that names no field, and
// "第1行的列名“%S”重复!" for a second cell naming the same field.
QStringList MapHeader(const TXmlDataSet &dataSet, const QStringList &header);

// Imports a CSV file (ReadCsvFile) whose first row is a header (MapHeader);
// lines are numbered as in the file, the header being line 1. Raises
// TFileError when the file cannot be read and TUserError "文件“%S”中没有
// 数据!" for a file without a header row.
TImportResult ImportCsvFile(TXmlDataSet &dataSet, TRecordValidator &validator, const QString &path);

// Imports cells pasted from a spreadsheet (ParseTabText). When every
// non-empty cell of the first row names a field (see MapHeader) the first
// row is a header; otherwise the cells go, from the left, to
// columnFieldsFromCurrent: the grid's fields in display order from the
// current column on. Lines are those of the pasted text.
TImportResult PasteRows(TXmlDataSet &dataSet, TRecordValidator &validator, const QString &text,
                        const QStringList &columnFieldsFromCurrent);
