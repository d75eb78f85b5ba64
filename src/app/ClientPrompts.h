#pragma once

#include "documents/XmlTaxPayer.h"
#include "entry/ReportGrid.h"
#include "export/XmlDataTransfer.h"

class TEnterpriseTable;
class TXmlDataSet;

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

    // The options dialog, started with options; returns the choices.
    virtual bool EditOptions(TOptionsRec &options)
    {
        (void)options;
        return false;
    }

    // The enterprise list's editor over the table itself (its changes stay
    // in the table either way); true when it closed with "确定(&O)".
    virtual bool EditEnterpriseList(TEnterpriseTable &table)
    {
        (void)table;
        return false;
    }

    // A file dialog for the CSV file to import; returns its full path.
    virtual bool ChooseImportFile(QString &path)
    {
        (void)path;
        return false;
    }

    // The export dialog ("申报文件导出") for the collection type: exports
    // dataSet, described by info, to the removable medium or a folder
    // (RunDataExport). True only when the interface file and its CRC
    // document were written; info then holds them with their folder
    // (interfaceFile, crcFileName). A cancelled dialog and a failed export
    // (already reported) give false.
    virtual bool ExecuteDataExport(const QString &collectionType, TExportBaseInfo &info, TXmlDataSet &dataSet)
    {
        (void)collectionType;
        (void)info;
        (void)dataSet;
        return false;
    }
};
