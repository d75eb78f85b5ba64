#pragma once

#include "app/ClientPrompts.h"

#include <QString>

class QWidget;

// Answers the session's dialogs with the real dialogs, over parent.
class TGuiPrompts : public TClientPrompts {
public:
    explicit TGuiPrompts(QWidget *parent) : parent_(parent) {}

    bool ExecuteLogin() override;
    bool EditNewUnit(const QString &collectionType, TTaxPayerInfo &info) override;
    bool EditUnitName(QString &name) override;
    bool EditPeriod(QString &period) override;
    bool EditPassword(QString &oldPassword, QString &newPassword, QString &confirmation) override;
    bool EditOptions(TOptionsRec &options) override;
    bool EditEnterpriseList(TEnterpriseTable &table) override;
    bool ChooseImportFile(QString &path) override;
    bool ExecuteDataExport(const QString &collectionType, TExportBaseInfo &info, TXmlDataSet &dataSet) override;

private:
    QWidget *parent_;
    QString lastImportFolder_;
};
