#pragma once

#include "app/ClientPrompts.h"
#include "export/DataExport.h"

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

    // The export dialog: runs the export into exportFolder (or onto the
    // removable medium with exportFloppy, the floppy question answered by
    // the message script); unset cancels the dialog.
    std::optional<QString> exportFolder;
    bool exportFloppy = false;
    QString exportCollectionType;       // what the dialog was started with
    TExportBaseInfo exportInfoShown;
    TExportRun lastExport;

    int logins = 0;
    int exportAsks = 0;
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
    bool ExecuteDataExport(const QString &collectionType, TExportBaseInfo &info, TXmlDataSet &dataSet) override
    {
        ++exportAsks;
        exportCollectionType = collectionType;
        exportInfoShown = info;
        if (!exportFolder && !exportFloppy)
            return false;
        TExportRequest request;
        request.target = exportFloppy ? TExportTarget::Floppy : TExportTarget::Folder;
        request.folderText = exportFolder.value_or(QString());
        lastExport = RunDataExport(info, dataSet, request);
        return lastExport.outcome == TExportOutcome::Exported;
    }
    bool ChooseImportFile(QString &path) override
    {
        if (importFile.isEmpty())
            return false;
        path = importFile;
        return true;
    }
};
