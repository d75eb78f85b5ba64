#pragma once

#include "documents/XmlTaxPayer.h"

#include <QString>

// The dialogs the client's commands ask, as a seam: the main window answers
// with real dialogs, tests and the command-line tool with scripted answers.
// Each returns false when the dialog was cancelled; values come back through
// the reference arguments.
class TClientPrompts {
public:
    virtual ~TClientPrompts() = default;

    // The login dialog; true when a password was accepted. Cancel and three
    // wrong passwords give false.
    virtual bool ExecuteLogin() = 0;

    // The new-unit dialog for the collection type. On "确定" info holds the
    // unit (code and name trimmed, SWJGDM empty) after the code passed the
    // collection type's rule.
    virtual bool EditNewUnit(const QString &collectionType, TTaxPayerInfo &info) = 0;

    // The rename dialog, started with the current name; returns the trimmed
    // new name.
    virtual bool EditUnitName(QString &name) = 0;

    // The new-report dialog, started with the proposed period; returns a
    // valid period "yyyyMM".
    virtual bool EditPeriod(QString &period) = 0;

    // The password change dialog; returns the three texts as typed.
    virtual bool EditPassword(QString &oldPassword, QString &newPassword, QString &confirmation) = 0;
};
