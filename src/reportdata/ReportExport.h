#pragma once

#include <QIODevice>

class TXmlDataSet;

enum class TExportFormat {
    Csv, // UTF-8 with a byte-order mark, RFC 4180 quoting, CR LF line ends
    Tab, // UTF-8, tab-separated, LF line ends; tabs and line breaks in values become spaces
};

// Writes the stored records of an open report to out: a header row of the
// fields' display labels, then one row per record in record order, values
// in their text form (amounts as stored; a stored text that does not
// convert is written as stored). An unposted edit is not included; the
// cursor does not move. Raises TUserError when the dataset is not open and
// TFileError when out cannot be written.
void ExportReport(const TXmlDataSet &dataSet, QIODevice &out, TExportFormat format);
