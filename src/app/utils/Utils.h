#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantList>

// Text conventions shared by both programs: periods, codes, booleans,
// record identifiers and file names.

// Taxpayer identification number: 15 to 20 characters of 0-9 and A-Z,
// letter case ignored. Never raises.
bool IsValidTaxpayerCode(const QString &text);
// Tax authority code: exactly 7 or 9 digits. Never raises.
bool IsValidAuthorityCode(const QString &text);
// Period "yyyyMM": year 1980 to 9999, month 01 to 12. Never raises.
bool IsValidPeriod(const QString &text);

// The month after period as "yyyyMM". Raises TConversionError when period
// is not a period.
QString NextPeriod(const QString &period);
// The last moment (23:59:59.999) of the period's last day. Raises
// TConversionError when period is not a period.
QDateTime PeriodEndDate(const QString &period);

// The file name without its extension, last 6 characters (all of it when shorter).
QString PeriodOfFileName(const QString &fileName);
// Schema name + period + ".xml".
QString ReportFileName(const QString &schemaName, const QString &period);
// folder + schema name + period + "_" + taxpayer code + "_JK.xml".
QString InterfaceFilePath(const QString &schemaName, const QString &declareFolder,
                          const QString &taxpayerCode, const QString &period);

// A new record identifier: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, 38 characters.
QString NewGuidText();

// Equal texts when ASCII letters are compared without regard to case (the
// workspace's rule for codes, schema names, item names and file names;
// other characters must match exactly).
bool SameTextIgnoringAsciiCase(const QString &a, const QString &b);

// "True" in any letter case, after trimming, is true; anything else false.
bool TextToBool(const QString &text);
QString BoolToText(bool value);

// Formats text with the placeholders the messages use: "%S"/"%s" (a text),
// "%D"/"%d" (an integer), "%w.pf" (a number with p decimals, "." as the
// decimal separator) and "%%". Arguments are taken in order.
QString FormatText(const QString &format, const QVariantList &args);

// A number formatted like "%w.pf" with "." as decimal separator, whatever the locale.
QString FormatFixed(double value, int decimals);
