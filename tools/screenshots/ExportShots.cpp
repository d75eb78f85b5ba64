// The export dialog of the declare command, in floppy mode as it opens and
// in folder mode halfway through an export, with the workspace's first
// unit and the transport invoice schema.

#include "Shots.h"

#include "app/utils/ApplicationInfo.h"
#include "export/forms/DataExportForm.h"
#include "reportdata/XmlDataSet.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

namespace {

// What the dialog describes; kept for the tool's lifetime (the dialog only
// refers to it, and no export runs).
struct TDeclaration {
    TExportBaseInfo info;
    TXmlDataSet report;
};

TDeclaration &Declaration(const TShotContext &context)
{
    static TDeclaration declaration;
    TExportBaseInfo &info = declaration.info;
    info.period = QStringLiteral("200602");
    info.schemaName = QStringLiteral("YSFPCGL");
    info.schemaCaption = QStringLiteral("运输发票清单");
    info.taxpayerId = QStringLiteral("370211600123456");
    info.taxpayerName = context.firstUnitName.isEmpty() ? QStringLiteral("青岚机械制造有限公司") : context.firstUnitName;
    return declaration;
}

std::unique_ptr<QWidget> FloppyMode(const TShotContext &context)
{
    TDeclaration &d = Declaration(context);
    return std::make_unique<TfrmDataExport>(context.collectionType, d.info, d.report);
}

std::unique_ptr<QWidget> FolderMode(const TShotContext &context)
{
    TDeclaration &d = Declaration(context);
    auto dialog = std::make_unique<TfrmDataExport>(context.collectionType, d.info, d.report);
    dialog->findChild<QRadioButton *>(QStringLiteral("rbFolder"))->setChecked(true);
    dialog->findChild<QLineEdit *>(QStringLiteral("edtExportPath"))->setText(QStringLiteral("/media/operator/申报盘/2006年2月"));
    dialog->findChild<QProgressBar *>(QStringLiteral("ProgressBar"))->setValue(66);
    return dialog;
}

} // namespace

QList<TShot> ExportShots()
{
    return {
        {QStringLiteral("export-floppy"), FloppyMode},
        {QStringLiteral("export-folder"), FolderMode},
    };
}
