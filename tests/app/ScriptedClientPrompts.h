#pragma once

#include "app/ClientPrompts.h"

#include <QList>
#include <QString>

#include <optional>

// Answers the client's dialogs from a script. An unset answer cancels the
// dialog; every call is counted.
class ScriptedClientPrompts : public TClientPrompts {
public:
    bool loginResult = true;
    std::optional<TTaxPayerInfo> newUnit;
    std::optional<QString> unitName;
    std::optional<QString> period;   // returned unchanged when set to the proposal marker
    bool acceptProposedPeriod = false;
    QString proposedPeriod;          // what the new-report dialog was started with

    std::optional<TOptionsRec> options; // the options dialog's answer
    TOptionsRec optionsShown;           // what it was started with
    bool enterpriseEditorResult = false;
    QString importFile;                 // empty: the file dialog is cancelled

    int logins = 0;
    int newUnitAsks = 0;
    int enterpriseEditorAsks = 0;

    bool ExecuteLogin() override
    {
        ++logins;
        return loginResult;
    }
    bool EditNewUnit(const QString &, TTaxPayerInfo &info) override
    {
        ++newUnitAsks;
        if (!newUnit)
            return false;
        info = *newUnit;
        return true;
    }
    bool EditUnitName(QString &name) override
    {
        if (!unitName)
            return false;
        name = *unitName;
        return true;
    }
    bool EditPeriod(QString &value) override
    {
        proposedPeriod = value;
        if (acceptProposedPeriod)
            return true;
        if (!period)
            return false;
        value = *period;
        return true;
    }
    bool EditPassword(QString &, QString &, QString &) override { return false; }
    bool EditOptions(TOptionsRec &value) override
    {
        optionsShown = value;
        if (!options)
            return false;
        value = *options;
        return true;
    }
    bool EditEnterpriseList(TEnterpriseTable &) override
    {
        ++enterpriseEditorAsks;
        return enterpriseEditorResult;
    }
    bool ChooseImportFile(QString &path) override
    {
        if (importFile.isEmpty())
            return false;
        path = importFile;
        return true;
    }
};
