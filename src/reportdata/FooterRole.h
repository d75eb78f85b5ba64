#pragma once

#include "reportdata/FieldValue.h"

#include <Qt>
#include <QVariant>

// Header roles of the programs' table models, asked through
// headerData(column, Qt::Horizontal, role). Views use them to draw the footer
// row and to store column layouts by field; any model may answer them (the
// report model, the checker's in-memory table).

// The footer text of a column (QString; empty or invalid: no footer).
constexpr int kFooterRole = Qt::UserRole + 100;
// How the footer text is aligned (int, Qt::Alignment): sums of numbers to
// the right, texts to the left.
constexpr int kFooterAlignmentRole = Qt::UserRole + 101;
// The field name a column shows (QString): the key of stored layouts.
constexpr int kFieldNameRole = Qt::UserRole + 102;

// The answers both field tables give alike, whatever holds their values.

// TextAlignmentRole of a cell: numbers (INTEGER, FLOAT, CURRENCY) to the
// right; invalid (the view's default) for the other types.
inline QVariant FieldCellAlignment(TFieldType type)
{
    if (type == TFieldType::Integer || type == TFieldType::Float || type == TFieldType::Currency)
        return QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    return QVariant();
}

// CheckStateRole of a BOOLEAN cell holding value (invalid: no value, shown
// unchecked).
inline QVariant FieldCheckState(const QVariant &value)
{
    return value.isValid() && value.toBool() ? Qt::Checked : Qt::Unchecked;
}

// kFooterAlignmentRole of a column: sums to the right, texts to the left.
inline int FooterAlignment(bool sums)
{
    return int((sums ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}
