#include "export/DataExport.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Clock.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Paths.h"
#include "app/utils/RemovableMedia.h"
#include "app/utils/Utils.h"
#include "export/XmlCrcFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kCannotCreate = QStringLiteral("系统不能创建传出路径 \"%S\" ,请先建立路径后再传出!");

const QString kFloppyQuestion = QStringLiteral(
    "系统将向软盘传出申报文件，请选择：\r\n\r\n按【是】系统将先删除软盘中的数据，\r\n按【否】系统将保留软盘中的数据，\r\n按【取消】系统将中止复制数据。");

// Other spellings of path's name in its folder ("_JK.xml" beside "_JK.XML"):
// on a file system that tells them apart they would be a second, stale
// interface file that readers could take for the new one.
void RemoveCaseVariants(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    for (const QString &entry : QDir(info.path()).entryList(QDir::Files | QDir::Hidden)) {
        if (entry != name && SameTextIgnoringAsciiCase(entry, name))
            QFile::remove(JoinPath(info.path(), entry));
    }
}

QString ExportFolder(const TExportRequest &request, bool &stopped)
{
    stopped = false;
    if (request.target == TExportTarget::Folder) {
        const QString folder = request.folderText.trimmed();
        if (folder.isEmpty())
            throw TUserError(QStringLiteral("导出的路径不能为空!"));
        return folder;
    }
    const QString medium = RemovableMediumFolder();
    if (request.mediumContent == TMediumContent::Ask) {
        switch (TMessageBox::Show(kFloppyQuestion, TMessageBox::WarningYesNoCancelDefaultNo)) {
        case TMessageBox::IdYes: EmptyRemovableMedium(medium); break;
        case TMessageBox::IdNo: break;
        default: stopped = true; break;
        }
    }
    return medium;
}

} // namespace

TExportCaptions ExportCaptions(const QString &collectionType)
{
    if (SameTextIgnoringAsciiCase(collectionType, QStringLiteral("CGDK")))
        return {QStringLiteral("中介机构代码:"), QStringLiteral("中介机构名称:")};
    if (SameTextIgnoringAsciiCase(collectionType, QStringLiteral("CGSK")))
        return {QStringLiteral("税务机关代码:"), QStringLiteral("税务机关名称:")};
    return {QStringLiteral("纳税人识别号(&H):"), QStringLiteral("纳税人名称(&N):")};
}

TExportRun RunDataExport(TExportBaseInfo &info, TXmlDataSet &dataSet, const TExportRequest &request)
{
    TExportRun run;
    bool stopped = false;
    const QString folderText = ExportFolder(request, stopped);
    if (stopped)
        return run;
    try {
        run.folder = TApplicationInfo::EnsureDir(folderText);
    } catch (const TFileError &) {
        throw TUserError(FormatText(kCannotCreate, {folderText}));
    }
    const QString interfaceName = FileNamePart(info.interfaceFile);
    const QString crcName = FileNamePart(info.crcFileName);
    run.interfacePath = run.folder + interfaceName;
    // An older CRC document under another letter case is the one to update.
    run.crcPath = ResolveCaseInsensitive(run.folder + crcName);

    const std::unique_ptr<TXMLDocument> templateDocument =
        TXMLDocument::LoadFile(ResolveInFolder(TApplicationInfo::DSDir(), info.transferTemplate));

    const bool crcExisted = QFileInfo::exists(run.crcPath);
    bool saved = false;
    try {
        info.declarationDate = TClock::Today();
        TXmlDataTransfer transfer;
        transfer.SetTemplateDocument(templateDocument.get());
        transfer.SetDataSet(&dataSet);
        transfer.SetBaseInfo(info);
        transfer.OnProgress = request.progress;
        transfer.Execute();
        transfer.SaveTo(run.interfacePath);
        saved = true;
        RemoveCaseVariants(run.interfacePath);
        UpdateCrcDocument(run.crcPath, run.interfacePath);
    } catch (...) {
        // Nothing half-done stays behind: the interface file this run wrote,
        // and a CRC document this run created. An older CRC document is
        // only ever replaced whole, so it is as it was.
        if (saved)
            QFile::remove(run.interfacePath);
        if (!crcExisted)
            QFile::remove(run.crcPath);
        try {
            throw;
        } catch (const TUserError &e) {
            TMessageBox::ShowFmt(QStringLiteral("数据传出过程中发生错误，传出申报文件失败！\r\n错误信息:%S"), {e.Message()},
                                 TMessageBox::ErrorOk);
        } catch (const std::bad_alloc &) {
            TMessageBox::ShowFmt(QStringLiteral("数据传出过程中发生错误，传出申报文件失败！\r\n错误信息:%S"),
                                 {QStringLiteral("内存不足")}, TMessageBox::ErrorOk);
        }
        run.outcome = TExportOutcome::Failed;
        return run;
    }
    info.interfaceFile = run.interfacePath;
    info.crcFileName = run.crcPath;
    run.outcome = TExportOutcome::Exported;
    TMessageBox::ShowFmt(QStringLiteral("恭喜您，申报文件已经成功传出！\r\n\r\n导出的文件为:\r\n%S\r\n%S"),
                         {interfaceName, crcName}, TMessageBox::InformationOk);
    return run;
}
