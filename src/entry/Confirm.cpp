#include "entry/Confirm.h"

#include "reportdata/FieldValue.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace {

TConfirmDialog::Handler *g_handler = nullptr;

std::optional<double> ReadNumber(QString text)
{
    text = text.trimmed();
    // Group separators only between digit groups of three before the point.
    static const QRegularExpression grouped(QStringLiteral("^[+-]?\\d{1,3}(,\\d{3})+(\\.\\d*)?$"));
    if (grouped.match(text).hasMatch())
        text.remove(QLatin1Char(','));
    static const QRegularExpression plain(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    if (!plain.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qlonglong> ReadInteger(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[+-]?\\d+$"));
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<QDate> ReadDay(const QString &text)
{
    static const QRegularExpression separated(QStringLiteral("^(\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})$"));
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    const QString trimmed = text.trimmed();
    QDate date;
    if (const auto m = separated.match(trimmed); m.hasMatch())
        date = QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    else if (const auto c = compact.match(trimmed); c.hasMatch())
        date = QDate(c.captured(1).toInt(), c.captured(2).toInt(), c.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<bool> ReadTruth(const QString &text)
{
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("TRUE") || t == QLatin1String("T") || t == QLatin1String("YES") || t == QLatin1String("Y")
        || t == QLatin1String("1") || t == QStringLiteral("是"))
        return true;
    if (t == QLatin1String("FALSE") || t == QLatin1String("F") || t == QLatin1String("NO") || t == QLatin1String("N")
        || t == QLatin1String("0") || t == QStringLiteral("否"))
        return false;
    return std::nullopt;
}

template <typename T>
bool BothEqual(const std::optional<T> &a, const std::optional<T> &b)
{
    return a && b && *a == *b;
}

} // namespace

int TConfirmDialog::Confim(const std::vector<TColumn> &entries)
{
    return g_handler ? g_handler->Confirm(entries) : -1;
}

void TConfirmDialog::SetHandler(Handler *handler) { g_handler = handler; }

TConfirmDialog::Handler *TConfirmDialog::CurrentHandler() { return g_handler; }

bool ConfirmValueMatches(const TColumn &entry, const QString &typed)
{
    TFieldType type;
    if (!ParseFieldType(entry.dataType.trimmed(), &type))
        return typed.trimmed() == entry.value.trimmed();
    switch (type) {
    case TFieldType::Float:
    case TFieldType::Currency: {
        const std::optional<double> stored = ReadNumber(entry.value);
        const std::optional<double> given = ReadNumber(typed);
        return stored && given && RoundCurrency(*stored) == RoundCurrency(*given);
    }
    case TFieldType::Integer:
        return BothEqual(ReadInteger(entry.value), ReadInteger(typed));
    case TFieldType::Date:
        return BothEqual(ReadDay(entry.value), ReadDay(typed));
    case TFieldType::Boolean:
        return BothEqual(ReadTruth(entry.value), ReadTruth(typed));
    case TFieldType::Text:
        break;
    }
    return typed.trimmed() == entry.value.trimmed();
}
