#include "cli/CliPrompts.h"

#include "app/utils/Errors.h"
#include "app/utils/Utils.h"
#include "export/DataExport.h"
#include "workspace/CollectionType.h"

bool TCliPrompts::EditNewUnit(const QString &collectionType, TTaxPayerInfo &info)
{
    info = AcceptNewUnit(collectionType, answers_.code, answers_.name);
    return true;
}

bool TCliPrompts::EditUnitName(QString &name)
{
    name = answers_.name.trimmed();
    return true;
}

bool TCliPrompts::EditPeriod(QString &period)
{
    if (answers_.period.isEmpty())
        return true;
    if (!IsValidPeriod(answers_.period))
        throw TUserError(QStringLiteral("所属区间的格式错误,请检查!"));
    period = answers_.period;
    return true;
}

bool TCliPrompts::ExecuteDataExport(const QString &, TExportBaseInfo &info, TXmlDataSet &dataSet)
{
    TExportRequest request;
    request.target = answers_.floppy ? TExportTarget::Floppy : TExportTarget::Folder;
    request.folderText = answers_.exportFolder;
    request.mediumContent = TMediumContent::Keep;
    return RunDataExport(info, dataSet, request).outcome == TExportOutcome::Exported;
}

TCliMessages::TCliMessages(QTextStream &err, bool confirmed) : err_(err), confirmed_(confirmed)
{
    TMessageBox::SetHandler(this);
}

TCliMessages::~TCliMessages() { TMessageBox::SetHandler(nullptr); }

int TCliMessages::Ask(const QString &, const QString &text, int flags)
{
    if (confirmed_ && (flags == TMessageBox::WarningOkCancelDefaultCancel || flags == TMessageBox::QuestionOkCancel))
        return TMessageBox::IdOk;
    ++notices_;
    if ((flags & 0xF0) == 0x10) // the error icon
        errorShown_ = true;
    err_ << "corvane-cli: " << text << Qt::endl;
    return TMessageBox::DefaultButton(flags);
}
