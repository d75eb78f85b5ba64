#pragma once

#include <QString>
#include <QVariantList>

class TXmlDataSet;

// Argument arrays for script functions, read from the dataset's current
// record buffer (so values not yet posted count). Field values are QString
// (TEXT), int (INTEGER), double (FLOAT, CURRENCY), QDateTime at the start of
// the day (DATE) and bool (BOOLEAN), in field order.

// [0] PeriodEndDate(AccMonth) as QDateTime, [1] RecNo, [2..] the field
// values. Raises TConversionError when AccMonth is not a period.
QVariantList BuildRecordArguments(const TXmlDataSet &dataSet);

// [0] swjgdm, [1] swsbh, [2] PeriodEndDate(AccMonth), [3] RecNo, [4..] the
// field values. Raises like BuildRecordArguments.
QVariantList BuildCheckValueArguments(const TXmlDataSet &dataSet, const QString &swjgdm, const QString &swsbh);
