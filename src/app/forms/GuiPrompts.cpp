#include "app/forms/GuiPrompts.h"

#include "access/forms/LoginForm.h"
#include "access/forms/ModifyPwdForm.h"
#include "entry/forms/OptionsForm.h"
#include "export/forms/DataExportForm.h"
#include "workspace/forms/QYXXForm.h"
#include "workspace/forms/NewFileForm.h"
#include "workspace/forms/RenameForm.h"
#include "workspace/forms/TaxPayerForm.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

bool TGuiPrompts::ExecuteLogin() { return ::ExecuteLogin(parent_); }

bool TGuiPrompts::EditNewUnit(const QString &collectionType, TTaxPayerInfo &info)
{
    return ExecuteNewUnit(parent_, collectionType, info);
}

bool TGuiPrompts::EditUnitName(QString &name) { return ExecuteRename(parent_, name); }

bool TGuiPrompts::EditPeriod(QString &period) { return ExecuteNewFile(parent_, period); }

bool TGuiPrompts::EditPassword(QString &oldPassword, QString &newPassword, QString &confirmation)
{
    return ExecuteModifyPwd(parent_, oldPassword, newPassword, confirmation);
}

bool TGuiPrompts::EditOptions(TOptionsRec &options) { return ::ExecuteOptions(parent_, options); }

bool TGuiPrompts::EditEnterpriseList(TEnterpriseTable &table) { return ExecuteEnterpriseEditor(parent_, table); }

bool TGuiPrompts::ChooseImportFile(QString &path)
{
    // The folder of the last import, else the documents folder.
    if (lastImportFolder_.isEmpty())
        lastImportFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString chosen = QFileDialog::getOpenFileName(parent_, QStringLiteral("导入数据"), lastImportFolder_,
                                                        QStringLiteral("CSV 文件 (*.csv *.CSV);;所有文件 (*)"));
    if (chosen.isEmpty())
        return false;
    lastImportFolder_ = QFileInfo(chosen).absolutePath();
    path = chosen;
    return true;
}

bool TGuiPrompts::ExecuteDataExport(const QString &collectionType, TExportBaseInfo &info, TXmlDataSet &dataSet)
{
    return ::ExecuteDataExport(parent_, collectionType, info, dataSet);
}
