#pragma once

#include <Qt>

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
