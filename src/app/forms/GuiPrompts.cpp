#include "app/forms/GuiPrompts.h"

#include "access/forms/LoginForm.h"
#include "access/forms/ModifyPwdForm.h"
#include "workspace/forms/NewFileForm.h"
#include "workspace/forms/RenameForm.h"
#include "workspace/forms/TaxPayerForm.h"

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
