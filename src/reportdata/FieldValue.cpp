#include "reportdata/FieldValue.h"

#include "app/utils/Errors.h"

#include <QDateTime>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Blanks and control characters at both ends are not part of a value.
QByteArrayView Trim(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && quint8(text[begin]) <= ' ')
        ++begin;
    while (end > begin && quint8(text[end - 1]) <= ' ')
        --end;
    return text.sliced(begin, end - begin);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

QString Quoted(QByteArrayView utf8) { return QString::fromUtf8(utf8.data(), utf8.size()); }

[[noreturn]] void NotInteger(QByteArrayView text)
{
    throw TConversionError(QStringLiteral("\"%1\"不是有效的整数值").arg(Quoted(text)));
}

[[noreturn]] void NotFloat(QByteArrayView text)
{
    throw TConversionError(QStringLiteral("\"%1\"不是有效的浮点数值").arg(Quoted(text)));
}

[[noreturn]] void NotDate(QByteArrayView text)
{
    throw TConversionError(QStringLiteral("\"%1\"不是有效的日期").arg(Quoted(text)));
}

[[noreturn]] void NotBoolean(const QString &text)
{
    throw TConversionError(QStringLiteral("\"%1\"不是有效的布尔值").arg(text));
}

bool EqualsIgnoringCase(QByteArrayView text, const char *word)
{
    qsizetype i = 0;
    for (; word[i]; ++i) {
        if (i >= text.size())
            return false;
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        char w = word[i];
        if (w >= 'a' && w <= 'z')
            w = char(w - 'a' + 'A');
        if (c != w)
            return false;
    }
    return i == text.size();
}

// A decimal number: [sign] digits [. digits] [E [sign] digits], with at
// least one digit before or after the point. "NAN", "INF" and "-INF" (any
// case) are the forms FormatGeneral writes for values that are not finite.
bool ParseNumber(QByteArrayView raw, double *value)
{
    const QByteArrayView text = Trim(raw);
    if (text.isEmpty())
        return false;
    qsizetype i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        ++i;
    }
    const QByteArrayView body = text.sliced(i);
    if (EqualsIgnoringCase(body, "INF")) {
        *value = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return true;
    }
    if (EqualsIgnoringCase(body, "NAN")) {
        *value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    qsizetype digits = 0;
    qsizetype j = i;
    while (j < text.size() && IsDigit(text[j])) {
        ++j;
        ++digits;
    }
    if (j < text.size() && text[j] == '.') {
        ++j;
        while (j < text.size() && IsDigit(text[j])) {
            ++j;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (j < text.size() && (text[j] == 'e' || text[j] == 'E')) {
        ++j;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        qsizetype exponentDigits = 0;
        while (j < text.size() && IsDigit(text[j])) {
            ++j;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    if (j != text.size())
        return false;
    double parsed = 0;
    const char *first = text.data() + i;
    const char *last = text.data() + text.size();
    const auto result = std::from_chars(first, last, parsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last)
        return false;
    *value = negative ? -parsed : parsed;
    return true;
}

double RoundToFourDecimals(double value)
{
    const double scaled = value * 10000.0;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.0e18)
        return value;
    return double(std::llround(scaled)) / 10000.0;
}

} // namespace

QString FieldTypeName(TFieldType type)
{
    switch (type) {
    case TFieldType::Text:
        return QStringLiteral("TEXT");
    case TFieldType::Integer:
        return QStringLiteral("INTEGER");
    case TFieldType::Float:
        return QStringLiteral("FLOAT");
    case TFieldType::Currency:
        return QStringLiteral("CURRENCY");
    case TFieldType::Date:
        return QStringLiteral("DATE");
    case TFieldType::Boolean:
        return QStringLiteral("BOOLEAN");
    }
    return QString();
}

bool ParseFieldType(const QString &text, TFieldType *type)
{
    static const TFieldType all[] = {TFieldType::Text, TFieldType::Integer, TFieldType::Float,
                                     TFieldType::Currency, TFieldType::Date, TFieldType::Boolean};
    for (const TFieldType candidate : all) {
        if (text.compare(FieldTypeName(candidate), Qt::CaseInsensitive) == 0) {
            *type = candidate;
            return true;
        }
    }
    return false;
}

QVariant DefaultFieldValue(TFieldType type)
{
    switch (type) {
    case TFieldType::Text:
        return QVariant(QString());
    case TFieldType::Integer:
        return QVariant(0);
    case TFieldType::Float:
    case TFieldType::Currency:
        return QVariant(0.0);
    case TFieldType::Date:
        return QVariant(QDate(1900, 1, 1));
    case TFieldType::Boolean:
        return QVariant(false);
    }
    return QVariant();
}

QString FormatGeneral(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");

    // 15 significant digits: d.dddddddddddddde[+-]xx
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view sci(buffer, size_t(result.ptr - buffer));
    const size_t ePos = sci.find('e');
    std::string digits;
    for (size_t i = 0; i < ePos; ++i) {
        if (sci[i] != '.')
            digits += sci[i];
    }
    const int exponent = std::atoi(std::string(sci.substr(ePos + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = value < 0 ? "-" : "";
    if (exponent >= -5 && exponent <= 14) {
        if (exponent >= 0) {
            const size_t integerDigits = size_t(exponent) + 1;
            if (digits.size() <= integerDigits) {
                out += digits;
                out.append(integerDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, integerDigits);
                out += '.';
                out += digits.substr(integerDigits);
            }
        } else {
            out += "0.";
            out.append(size_t(-exponent - 1), '0');
            out += digits;
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent);
    }
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

double RoundCurrency(double value)
{
    const double scaled = value * 10000.0;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.0e18)
        return value;
    const long long fourDecimals = std::llround(scaled);
    const long long magnitude = fourDecimals < 0 ? -fourDecimals : fourDecimals;
    const double twoDecimals = double((magnitude + 50) / 100) / 100.0;
    return fourDecimals < 0 ? -twoDecimals : twoDecimals;
}

int ReadIntegerText(QByteArrayView raw)
{
    const QByteArrayView text = Trim(raw);
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        ++i;
    }
    if (i >= text.size())
        NotInteger(raw);
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i]))
            NotInteger(raw);
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL)
            NotInteger(raw);
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        NotInteger(raw);
    return int(value);
}

double ReadFloatText(QByteArrayView raw)
{
    double value = 0;
    if (!ParseNumber(raw, &value))
        NotFloat(raw);
    return value;
}

double ReadCurrencyText(QByteArrayView raw)
{
    double value = 0;
    if (!ParseNumber(raw, &value) || !std::isfinite(value))
        return 0;
    return RoundToFourDecimals(value);
}

QDate ReadDateText(QByteArrayView raw)
{
    const QByteArrayView text = Trim(raw);
    int parts[3] = {0, 0, 0};
    const int maxDigits[3] = {4, 2, 2};
    qsizetype i = 0;
    for (int part = 0; part < 3; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != '-')
                NotDate(raw);
            ++i;
        }
        int count = 0;
        while (i < text.size() && IsDigit(text[i]) && count < maxDigits[part]) {
            parts[part] = parts[part] * 10 + (text[i] - '0');
            ++i;
            ++count;
        }
        if (count == 0)
            NotDate(raw);
    }
    if (i != text.size())
        NotDate(raw);
    const QDate date(parts[0], parts[1], parts[2]);
    if (!date.isValid() || parts[0] < 1)
        NotDate(raw);
    return date;
}

bool ReadBooleanText(QByteArrayView raw) { return EqualsIgnoringCase(Trim(raw), "True"); }

QString FieldValueText(TFieldType type, const QVariant &value)
{
    switch (type) {
    case TFieldType::Text:
        return value.toString();
    case TFieldType::Integer:
        return QString::number(value.toInt());
    case TFieldType::Float:
        return FormatGeneral(value.toDouble());
    case TFieldType::Currency:
        return FormatGeneral(RoundCurrency(value.toDouble()));
    case TFieldType::Date: {
        const QDate date = value.toDate();
        return QStringLiteral("%1-%2-%3")
            .arg(date.year(), 4, 10, QLatin1Char('0'))
            .arg(date.month(), 2, 10, QLatin1Char('0'))
            .arg(date.day(), 2, 10, QLatin1Char('0'));
    }
    case TFieldType::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    }
    return QString();
}

QVariant ReadFieldValueText(TFieldType type, QByteArrayView utf8)
{
    switch (type) {
    case TFieldType::Text:
        return QVariant(QString::fromUtf8(utf8.data(), utf8.size()));
    case TFieldType::Integer:
        return QVariant(ReadIntegerText(utf8));
    case TFieldType::Float:
        return QVariant(ReadFloatText(utf8));
    case TFieldType::Currency:
        return QVariant(ReadCurrencyText(utf8));
    case TFieldType::Date:
        return QVariant(ReadDateText(utf8));
    case TFieldType::Boolean:
        return QVariant(ReadBooleanText(utf8));
    }
    return QVariant();
}

QVariant ReadFieldValueText(TFieldType type, const QString &text)
{
    if (type == TFieldType::Text)
        return QVariant(text);
    const QByteArray utf8 = text.toUtf8();
    return ReadFieldValueText(type, QByteArrayView(utf8));
}

QVariant ConvertFieldValue(TFieldType type, const QVariant &value)
{
    const int id = value.metaType().id();
    const bool isText = id == QMetaType::QString || id == QMetaType::QByteArray || id == QMetaType::QChar;
    const bool isDate = id == QMetaType::QDate || id == QMetaType::QDateTime;
    const bool isBool = id == QMetaType::Bool;
    bool isNumber = false;
    const double number = (!isText && !isDate) ? value.toDouble(&isNumber) : 0.0;

    switch (type) {
    case TFieldType::Text:
        if (id == QMetaType::Double || id == QMetaType::Float)
            return QVariant(FormatGeneral(value.toDouble()));
        if (isBool)
            return QVariant(value.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
        if (id == QMetaType::QDate)
            return QVariant(FieldValueText(TFieldType::Date, value));
        if (id == QMetaType::QDateTime) {
            const QDateTime moment = value.toDateTime();
            return QVariant(moment.time() == QTime(0, 0) ? FieldValueText(TFieldType::Date, moment.date())
                                                         : moment.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        }
        return QVariant(value.toString());
    case TFieldType::Integer: {
        if (isText) {
            const QByteArray utf8 = value.toString().toUtf8();
            return QVariant(ReadIntegerText(utf8));
        }
        if (isBool)
            return QVariant(value.toBool() ? 1 : 0);
        if (!isNumber || !std::isfinite(number) || std::fabs(number) > 2147483647.0)
            NotInteger(value.toString().toUtf8());
        return QVariant(int(std::llround(number)));
    }
    case TFieldType::Float:
    case TFieldType::Currency: {
        if (isText) {
            const QByteArray utf8 = value.toString().toUtf8();
            return QVariant(ReadFloatText(utf8));
        }
        if (isBool)
            return QVariant(value.toBool() ? 1.0 : 0.0);
        if (!isNumber)
            NotFloat(value.toString().toUtf8());
        return QVariant(number);
    }
    case TFieldType::Date:
        if (id == QMetaType::QDate) {
            if (!value.toDate().isValid())
                NotDate(QByteArrayView());
            return value;
        }
        if (id == QMetaType::QDateTime) {
            const QDate date = value.toDateTime().date();
            if (!date.isValid())
                NotDate(QByteArrayView());
            return QVariant(date);
        }
        {
            const QByteArray utf8 = value.toString().toUtf8();
            return QVariant(ReadDateText(utf8));
        }
    case TFieldType::Boolean:
        if (isBool)
            return QVariant(value.toBool());
        if (isText) {
            const QString text = value.toString().trimmed();
            if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
                return QVariant(true);
            if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
                return QVariant(false);
            double parsed = 0;
            const QByteArray utf8 = text.toUtf8();
            if (ParseNumber(utf8, &parsed))
                return QVariant(parsed != 0);
            NotBoolean(value.toString());
        }
        if (isNumber)
            return QVariant(number != 0);
        NotBoolean(value.toString());
    }
    return QVariant();
}

bool IsXmlSafeText(const QString &text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x20) {
            if (c != '\t' && c != '\n' && c != '\r')
                return false;
        } else if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= size || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if ((c >= 0xDC00 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF) {
            return false;
        }
    }
    return true;
}
