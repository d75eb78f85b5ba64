#pragma once

#include "documents/XmlTaxPayer.h"

#include <QString>

// The collection type (configuration item "CJLX", letter case ignored)
// decides who the units of the navigation tree are: taxpayers, or the
// collector itself (a tax authority or an intermediary agency), and with
// that the captions of the unit commands and dialog and the code rule.
struct TCollectionTypeTexts {
    QString newUnitCommand;    // context menu and "新增" menu item
    QString deleteUnitCommand; // context menu item
    QString newUnitButton;     // toolbar button
    QString deleteUnitButton;  // toolbar button
    QString dialogCaption;     // new-unit dialog
    QString codeLabel;
    QString nameLabel;
    bool authorityCode = false;  // the code is a tax authority code, not a taxpayer id
    bool searchBoxVisible = true;
    bool singleUnit = false;     // the tree holds at most one unit
};

TCollectionTypeTexts CollectionTypeTexts(const QString &collectionType);

// The code rule's message for a code as typed (not trimmed), or an empty
// text when the code passes: a tax authority code for "CGSK", a taxpayer id
// for every other collection type.
QString UnitCodeError(const QString &collectionType, const QString &code);

// What the new-unit dialog returns on "确定": the unit with the trimmed code
// and name and an empty SWJGDM. Raises TUserError with the rule's message
// when the code fails the rule.
TTaxPayerRec AcceptNewUnit(const QString &collectionType, const QString &code, const QString &name);

// Whether "确定" of the new-unit dialog is enabled: trimmed code and name
// both non-empty.
bool NewUnitComplete(const QString &code, const QString &name);
