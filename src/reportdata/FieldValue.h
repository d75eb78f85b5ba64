#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QVariant>

// The six value types of a report field and the text form of their values
// in report data files. Every conversion uses "." as the decimal separator
// and "yyyy-MM-dd" for dates, whatever the locale.
//
// In memory a field value is a QVariant holding QString (TEXT), int
// (INTEGER), double (FLOAT and CURRENCY), QDate (DATE) or bool (BOOLEAN);
// it is never null.

enum class TFieldType { Text, Integer, Float, Currency, Date, Boolean };

// The DATATYPE name of a type: "TEXT", "INTEGER", "FLOAT", "CURRENCY", "DATE", "BOOLEAN".
QString FieldTypeName(TFieldType type);
// Reads a DATATYPE text, letter case ignored. False for any other text.
bool ParseFieldType(const QString &text, TFieldType *type);

// The value of a new record: empty text, 0, 0.0, 0 amount, 1900-01-01, false.
QVariant DefaultFieldValue(TFieldType type);

// General format: up to 15 significant digits, no trailing zeros, plain
// notation when the rounded value has at most 15 integer digits and is at
// least 0.00001 in magnitude, otherwise scientific with "E" and an exponent
// without "+" or leading zeros (1E-6, 1.5E20, 1E15). Not finite: "NAN",
// "INF", "-INF".
QString FormatGeneral(double value);

// A money amount as stored: first the nearest amount with 4 decimals, then
// 2 decimals with halves away from zero (12.345 -> 12.35, -12.345 ->
// -12.35). Amounts too large for the fixed-point form are returned as given.
double RoundCurrency(double value);

// Strict readers of stored text (leading and trailing characters up to and
// including the blank are ignored). Each raises TConversionError naming the
// text when it does not convert.
int ReadIntegerText(QByteArrayView utf8);
double ReadFloatText(QByteArrayView utf8);
QDate ReadDateText(QByteArrayView utf8);
// Tolerant: an amount with up to 4 decimals (more are rounded); text that
// does not convert reads as 0.
double ReadCurrencyText(QByteArrayView utf8);
// True exactly when the trimmed text is "True" in any letter case.
bool ReadBooleanText(QByteArrayView utf8);

// The stored text of a value of the type (see the table in XmlLocalFile.h).
// value must already be of the type's QVariant kind (see ConvertFieldValue).
QString FieldValueText(TFieldType type, const QVariant &value);
// Reads stored text as a value of the type. Raises TConversionError for an
// INTEGER, FLOAT or DATE text that does not convert.
QVariant ReadFieldValueText(TFieldType type, QByteArrayView utf8);
QVariant ReadFieldValueText(TFieldType type, const QString &text);

// Converts an assigned value (from a control, a script or code) to the
// type's QVariant kind. Texts are read like stored text, except that an
// amount that does not convert is an error too. Raises TConversionError.
// A null or invalid value is the caller's business (it means "no value").
QVariant ConvertFieldValue(TFieldType type, const QVariant &value);

// True when text holds only characters an XML document can carry
// (no control characters other than tab, line feed and carriage return,
// no lone surrogates, no U+FFFE or U+FFFF).
bool IsXmlSafeText(const QString &text);
