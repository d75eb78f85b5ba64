#include "entry/ScriptResult.h"

#include <QDateTime>
#include <QVariantList>

#include <cmath>
#include <optional>

QString ScriptFunctionName(const QString &schemaName, const QString &suffix)
{
    QString name = schemaName;
    for (QChar &c : name) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return name + suffix;
}

namespace {

bool IsNumberType(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

// Text read as the script language's ToNumber reads it; nullopt for NaN.
std::optional<double> TextAsNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0.0;
    bool ok = false;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const qulonglong value = trimmed.mid(2).toULongLong(&ok, 16);
        return ok ? std::optional<double>(static_cast<double>(value)) : std::nullopt;
    }
    if (trimmed == QLatin1String("Infinity") || trimmed == QLatin1String("+Infinity"))
        return INFINITY;
    if (trimmed == QLatin1String("-Infinity"))
        return -INFINITY;
    const double value = trimmed.toDouble(&ok);
    if (!ok || std::isnan(value) || trimmed.contains(QLatin1Char(','))
        || trimmed.contains(QLatin1String("inf"), Qt::CaseInsensitive))
        return std::nullopt;
    return value;
}

} // namespace

bool ScriptResultIs(const QVariant &result, double number)
{
    if (!result.isValid())
        return number == 0;
    const int type = result.metaType().id();
    if (type == QMetaType::Bool)
        return (result.toBool() ? -1.0 : 0.0) == number;
    if (IsNumberType(result))
        return result.toDouble() == number;
    if (type == QMetaType::QString) {
        const std::optional<double> value = TextAsNumber(result.toString());
        return value && *value == number;
    }
    return false;
}

namespace {

QString NumberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    return QString::number(value, 'g', 15);
}

} // namespace

QString ScriptResultText(const QVariant &result)
{
    if (!result.isValid())
        return QString();
    const int type = result.metaType().id();
    switch (type) {
    case QMetaType::Nullptr:
        return QString();
    case QMetaType::Bool:
        return result.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QString:
        return result.toString();
    case QMetaType::QDate:
        return result.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime: {
        const QDateTime moment = result.toDateTime().toLocalTime();
        if (moment.time() == QTime(0, 0))
            return moment.toString(QStringLiteral("yyyy-MM-dd"));
        return moment.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    case QMetaType::QVariantList: {
        QStringList items;
        for (const QVariant &item : result.toList())
            items << ScriptResultText(item);
        return items.join(QLatin1Char(','));
    }
    default:
        break;
    }
    if (IsNumberType(result))
        return NumberText(result.toDouble());
    return result.toString();
}
