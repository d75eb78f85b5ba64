#include "Utils.h"

#include "Errors.h"

#include <QUuid>

namespace {

bool AllOf(const QString &text, bool (*accept)(QChar))
{
    for (QChar c : text) {
        if (!accept(c))
            return false;
    }
    return true;
}

bool IsAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool IsAsciiUpperOrDigit(QChar c) { return IsAsciiDigit(c) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')); }

// Converts like a strict decimal integer conversion: optional sign, digits only.
bool ToInt(const QString &text, int &value)
{
    bool ok = false;
    value = text.toInt(&ok, 10);
    return ok;
}

QDate PeriodFirstDay(const QString &period)
{
    if (!IsValidPeriod(period))
        throw TConversionError(QStringLiteral("\"%1\"不是有效的所属期").arg(period));
    return QDate(period.left(4).toInt(), period.mid(4, 2).toInt(), 1);
}

} // namespace

bool IsValidTaxpayerCode(const QString &text)
{
    const QString upper = text.toUpper();
    return upper.size() >= 15 && upper.size() <= 20 && AllOf(upper, IsAsciiUpperOrDigit);
}

bool IsValidAuthorityCode(const QString &text)
{
    const QString upper = text.toUpper();
    return (upper.size() == 7 || upper.size() == 9) && AllOf(upper, IsAsciiDigit);
}

bool IsValidPeriod(const QString &text)
{
    int year = 0;
    int month = 0;
    if (!ToInt(text.left(4), year) || !ToInt(text.mid(4, 2), month))
        return false;
    return text.size() == 6 && AllOf(text, IsAsciiDigit) && year >= 1980 && year <= 9999 && month >= 1
        && month <= 12;
}

QString NextPeriod(const QString &period)
{
    return PeriodFirstDay(period).addMonths(1).toString(QStringLiteral("yyyyMM"));
}

QDateTime PeriodEndDate(const QString &period)
{
    const QDate first = PeriodFirstDay(period);
    return QDateTime(QDate(first.year(), first.month(), first.daysInMonth()), QTime(23, 59, 59, 999));
}

QString PeriodOfFileName(const QString &fileName)
{
    QString stem = fileName;
    const qsizetype dot = stem.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        stem.truncate(dot);
    return stem.size() <= 6 ? stem : stem.right(6);
}

QString ReportFileName(const QString &schemaName, const QString &period)
{
    return schemaName + period + QStringLiteral(".xml");
}

QString InterfaceFilePath(const QString &schemaName, const QString &declareFolder, const QString &taxpayerCode,
                          const QString &period)
{
    QString folder = declareFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + schemaName + period + QLatin1Char('_') + taxpayerCode + QStringLiteral("_JK.xml");
}

QString NewGuidText() { return QUuid::createUuid().toString(QUuid::WithBraces).toUpper(); }

bool SameTextIgnoringAsciiCase(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= u'a' && x <= u'z')
            x = char16_t(x - u'a' + u'A');
        if (y >= u'a' && y <= u'z')
            y = char16_t(y - u'a' + u'A');
        if (x != y)
            return false;
    }
    return true;
}

bool TextToBool(const QString &text)
{
    return SameTextIgnoringAsciiCase(text.trimmed(), QStringLiteral("True"));
}

QString BoolToText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

QString FormatFixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals); // QString::number never uses the locale
}

QString FormatText(const QString &format, const QVariantList &args)
{
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        if (format.at(i + 1) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        // %[width][.precision]type
        qsizetype j = i + 1;
        while (j < format.size() && (format.at(j).isDigit() || format.at(j) == QLatin1Char('.')))
            ++j;
        if (j >= format.size()) {
            out += format.mid(i);
            break;
        }
        const QString spec = format.mid(i + 1, j - i - 1);
        const QChar type = format.at(j).toLower();
        const QVariant arg = next < args.size() ? args.at(next) : QVariant();
        if (type == QLatin1Char('s')) {
            out += arg.toString();
        } else if (type == QLatin1Char('d')) {
            out += QString::number(arg.toLongLong());
        } else if (type == QLatin1Char('f')) {
            const qsizetype dot = spec.indexOf(QLatin1Char('.'));
            const int decimals = dot >= 0 ? spec.mid(dot + 1).toInt() : 2;
            QString number = FormatFixed(arg.toDouble(), decimals);
            const int width = spec.left(dot >= 0 ? dot : spec.size()).toInt();
            out += number.rightJustified(width, QLatin1Char(' '));
        } else {
            out += format.mid(i, j - i + 1);
            i = j;
            continue;
        }
        ++next;
        i = j;
    }
    return out;
}
