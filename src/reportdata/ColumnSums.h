#pragma once

#include "reportdata/FieldValue.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <vector>

// Running totals of chosen columns of a table, kept in step with the
// table's change notices so that a change costs the same at any table size:
// each summed column keeps the value it counted for every row, and a changed
// row subtracts that and adds the new value. (A row inserted or removed in
// the middle shifts the cache entries after it, a memory move.)
//
// Totals are exact: INTEGER in whole numbers, CURRENCY in cents (values
// rounded as amounts are stored), FLOAT and numeric TEXT in fixed point with
// twelve decimals, so that adding and taking away values leaves no binary
// noise behind. Values too large for that (magnitude 1E25 and more) and
// values that are not finite are counted apart and make the total an
// approximation (or NAN, INF, -INF). TEXT cells that are no number count
// nothing; DATE and BOOLEAN columns have no sum (empty text).
class TColumnSums {
public:
    // The value a cell shows (as the table's data role gives it). An invalid
    // value, or an exception, counts as nothing.
    using TReader = std::function<QVariant(int row, int column)>;

    explicit TColumnSums(TReader reader);

    // Sums column, its cells read as type, over rows 0..rowCount-1
    // (replacing an earlier sum of the column).
    void AddColumn(int column, TFieldType type, int rowCount);
    void RemoveColumn(int column);
    void Clear();
    bool Sums(int column) const { return columns_.count(column) > 0; }
    std::vector<int> Columns() const;

    // The table changed as a whole (opened, closed, sorted): every summed
    // column is read again over rowCount rows.
    void Reset(int rowCount);
    // Rows first..last appeared (the rows from first on moved down).
    void RowsInserted(int first, int last);
    // Rows first..last went away.
    void RowsRemoved(int first, int last);
    // Values of rows first..last changed in column (-1: in every column).
    void RowsChanged(int first, int last, int column = -1);

    // The total as the footer shows it: INTEGER as an integer, CURRENCY
    // with two decimals, FLOAT and TEXT in general format (FormatGeneral).
    // Empty for a column without a sum or of a type without one.
    QString Text(int column) const;

private:
    struct TColumn {
        TFieldType type = TFieldType::Float;
        std::vector<double> counted; // per row: the value in the total
        __int128 exact = 0;          // in units of the type's scale
        long double apart = 0;       // finite values too large for exact
        int apartCount = 0;
        int nanCount = 0;
        int plusInfCount = 0;
        int minusInfCount = 0;
    };

    double Read(const TColumn &sum, int row, int column) const;
    static void Count(TColumn &sum, double value, int sign);

    TReader reader_;
    std::map<int, TColumn> columns_;
};
