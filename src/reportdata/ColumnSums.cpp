#include "reportdata/ColumnSums.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr long double kFloatScale = 1e12L;
constexpr long double kCurrencyScale = 100.0L;
// Beyond this magnitude a value times the float scale may not fit the exact total.
constexpr double kExactLimit = 1e25;

bool HasSum(TFieldType type) { return type != TFieldType::Date && type != TFieldType::Boolean; }

long double ScaleOf(TFieldType type)
{
    switch (type) {
    case TFieldType::Integer:
        return 1.0L;
    case TFieldType::Currency:
        return kCurrencyScale;
    default:
        return kFloatScale;
    }
}

// value in units of 1/scale, exactly as long as |value| < kExactLimit: the
// integer part is converted exactly and only the fraction is rounded, so
// the same value always gives the same units.
std::optional<__int128> ToUnits(double value, long double scale)
{
    if (!std::isfinite(value) || std::fabs(value) >= kExactLimit)
        return std::nullopt;
    const double whole = std::trunc(value);
    const double fraction = value - whole;
    return __int128(whole) * __int128(scale) + __int128(std::llroundl(fraction * scale));
}

QString IntegerText(__int128 value)
{
    if (value == 0)
        return QStringLiteral("0");
    const bool negative = value < 0;
    unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(value) : static_cast<unsigned __int128>(value);
    QString digits;
    while (magnitude > 0) {
        digits.prepend(QChar(u'0' + int(magnitude % 10)));
        magnitude /= 10;
    }
    return negative ? u'-' + digits : digits;
}

QString CentsText(__int128 cents)
{
    const bool negative = cents < 0;
    const __int128 magnitude = negative ? -cents : cents;
    const int rest = int(magnitude % 100);
    return (negative ? QStringLiteral("-") : QString()) + IntegerText(magnitude / 100) + u'.'
           + QStringLiteral("%1").arg(rest, 2, 10, QLatin1Char('0'));
}

} // namespace

TColumnSums::TColumnSums(TReader reader)
    : reader_(std::move(reader))
{
}

double TColumnSums::Read(const TColumn &sum, int row, int column) const
{
    QVariant value;
    try {
        value = reader_(row, column);
    } catch (...) {
        return 0;
    }
    if (!value.isValid())
        return 0;
    bool ok = false;
    double number = 0;
    if (value.typeId() == QMetaType::QString) {
        number = QLocale::c().toDouble(value.toString().trimmed(), &ok);
    } else {
        number = value.toDouble(&ok);
    }
    if (!ok)
        return 0;
    if (sum.type == TFieldType::Currency)
        return RoundCurrency(number);
    if (sum.type == TFieldType::Integer && std::isfinite(number))
        return std::trunc(number);
    return number;
}

void TColumnSums::Count(TColumn &sum, double value, int sign)
{
    if (std::isnan(value)) {
        sum.nanCount += sign;
    } else if (std::isinf(value)) {
        (value > 0 ? sum.plusInfCount : sum.minusInfCount) += sign;
    } else if (const std::optional<__int128> units = ToUnits(value, ScaleOf(sum.type))) {
        sum.exact += sign * *units;
    } else {
        sum.apart += sign * static_cast<long double>(value);
        sum.apartCount += sign;
        if (sum.apartCount == 0)
            sum.apart = 0; // what rounding left behind goes with the last large value
    }
}

void TColumnSums::AddColumn(int column, TFieldType type, int rowCount)
{
    TColumn sum;
    sum.type = type;
    if (HasSum(type)) {
        sum.counted.reserve(size_t(std::max(rowCount, 0)));
        for (int row = 0; row < rowCount; ++row) {
            const double value = Read(sum, row, column);
            sum.counted.push_back(value);
            Count(sum, value, 1);
        }
    }
    columns_[column] = std::move(sum);
}

void TColumnSums::RemoveColumn(int column) { columns_.erase(column); }

void TColumnSums::Clear() { columns_.clear(); }

std::vector<int> TColumnSums::Columns() const
{
    std::vector<int> result;
    for (const auto &[column, sum] : columns_)
        result.push_back(column);
    return result;
}

void TColumnSums::Reset(int rowCount)
{
    for (auto &[column, sum] : columns_)
        AddColumn(column, sum.type, rowCount);
}

void TColumnSums::RowsInserted(int first, int last)
{
    for (auto &[column, sum] : columns_) {
        if (!HasSum(sum.type) || first < 0 || last < first || size_t(first) > sum.counted.size())
            continue;
        std::vector<double> values;
        for (int row = first; row <= last; ++row) {
            values.push_back(Read(sum, row, column));
            Count(sum, values.back(), 1);
        }
        sum.counted.insert(sum.counted.begin() + first, values.begin(), values.end());
    }
}

void TColumnSums::RowsRemoved(int first, int last)
{
    for (auto &[column, sum] : columns_) {
        if (first < 0 || last < first || size_t(last) >= sum.counted.size())
            continue;
        for (int row = first; row <= last; ++row)
            Count(sum, sum.counted[size_t(row)], -1);
        sum.counted.erase(sum.counted.begin() + first, sum.counted.begin() + last + 1);
    }
}

void TColumnSums::RowsChanged(int first, int last, int column)
{
    for (auto &[summed, sum] : columns_) {
        if (column >= 0 && column != summed)
            continue;
        const int end = std::min(last, int(sum.counted.size()) - 1);
        for (int row = std::max(first, 0); row <= end; ++row) {
            double &counted = sum.counted[size_t(row)];
            const double value = Read(sum, row, summed);
            if (value == counted || (std::isnan(value) && std::isnan(counted)))
                continue;
            Count(sum, counted, -1);
            Count(sum, value, 1);
            counted = value;
        }
    }
}

QString TColumnSums::Text(int column) const
{
    const auto found = columns_.find(column);
    if (found == columns_.end() || !HasSum(found->second.type))
        return QString();
    const TColumn &sum = found->second;
    if (sum.nanCount > 0 || (sum.plusInfCount > 0 && sum.minusInfCount > 0))
        return FormatGeneral(std::numeric_limits<double>::quiet_NaN());
    if (sum.plusInfCount > 0 || sum.minusInfCount > 0)
        return FormatGeneral(sum.plusInfCount > 0 ? HUGE_VAL : -HUGE_VAL);
    const long double scale = ScaleOf(sum.type);
    if (sum.apartCount > 0) {
        const double approximate = double(sum.apart + static_cast<long double>(sum.exact) / scale);
        return sum.type == TFieldType::Currency ? QString::number(approximate, 'f', 2) : FormatGeneral(approximate);
    }
    switch (sum.type) {
    case TFieldType::Integer:
        return IntegerText(sum.exact);
    case TFieldType::Currency:
        return CentsText(sum.exact);
    default:
        return FormatGeneral(double(static_cast<long double>(sum.exact) / scale));
    }
}
