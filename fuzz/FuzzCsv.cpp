// CSV files and pasted cells from outside: any bytes give rows, never a
// crash; every row has the line it begins on, lines ascend; and rows
// written back with every cell quoted read back as the same rows.

#include "entry/CsvReader.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

QString Quoted(const QList<QStringList> &rows)
{
    QString text;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (QString cell : row)
            cells << QLatin1Char('"') + cell.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        text += cells.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    }
    return text;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<int> lines;
    const QList<QStringList> rows = ReadCsvText(bytes, &lines);
    Check(lines.size() == rows.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        Check(lines.at(i) >= 1);
        Check(i == 0 || lines.at(i) > lines.at(i - 1));
        Check(!rows.at(i).isEmpty());
    }
    Check(ParseTabText(Quoted(rows)) == rows);
    (void)ParseTabText(DecodeCsvBytes(bytes));
    return 0;
}
