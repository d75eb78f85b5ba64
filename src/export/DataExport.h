#pragma once

#include "export/XmlDataTransfer.h"

#include <QString>

#include <functional>

class TXmlDataSet;

// One export of a declaration, as the export dialog's "开始导出" runs it and
// the command-line tool runs it without a dialog: the export folder, the
// interface file converted from the open report through the schema's
// transfer template and saved atomically, and its CRC document beside it.
// Widget-free; notices and questions go through TMessageBox.

// Where the files go: the removable medium (the dialog's "传到软盘(&A):"),
// or a folder typed or picked ("指定路径(&D):").
enum class TExportTarget { Floppy, Folder };

// What happens to what is on the removable medium before the export: the
// floppy question asks the operator; the command line keeps it.
enum class TMediumContent { Ask, Keep };

enum class TExportOutcome {
    // The interface file and the CRC document are written; info's
    // interfaceFile and the returned paths name them with their folder.
    Exported,
    // The floppy question was answered Cancel: nothing was written and the
    // dialog stays open for another attempt.
    Stopped,
    // The conversion, the save or the CRC document failed: the error has
    // been shown ("数据传出过程中发生错误，传出申报文件失败！..."), what this run
    // wrote into the export folder is removed again, and the declaration
    // must end here.
    Failed,
};

struct TExportRun {
    TExportOutcome outcome = TExportOutcome::Stopped;
    QString folder;        // the export folder, ending in "/"
    QString interfacePath; // folder + info.interfaceFile's name
    QString crcPath;       // folder + info.crcFileName
};

struct TExportRequest {
    TExportTarget target = TExportTarget::Floppy;
    QString folderText; // folder mode: the path box's text (trimmed here)
    TMediumContent mediumContent = TMediumContent::Ask;
    // The percentage of records converted, whenever it changes.
    std::function<void(int percent)> progress;
};

// The export dialog's captions of the taxpayer boxes by collection type
// (letter case ignored): "CGDK" the intermediary agency's, "CGSK" the tax
// authority's, any other the taxpayer's.
struct TExportCaptions {
    QString codeLabel;
    QString nameLabel;
};
TExportCaptions ExportCaptions(const QString &collectionType);

// Runs one export of the open report dataSet described by info (its
// declaration date is set to today; interfaceFile receives the full path
// once the file is written).
//
// Before anything is written, raises TUserError (the dialog stays open):
// "导出的路径不能为空!" for an empty folder, "系统不能创建传出路径 "%S" ,请先建
// 立路径后再传出!" for a folder that cannot be created (or no single
// removable medium), a refusal to empty a folder that is no removable
// medium, and the XML layer's error for a transfer template that is
// missing or not well-formed. In floppy mode with TMediumContent::Ask the
// floppy question is asked first: Yes empties the medium, No keeps it,
// Cancel gives TExportOutcome::Stopped.
//
// A previous interface file of the same name stays until the new one
// replaces it whole; a CRC document already there is updated in place.
// Success is told with "恭喜您，申报文件已经成功传出！..." (information icon).
TExportRun RunDataExport(TExportBaseInfo &info, TXmlDataSet &dataSet, const TExportRequest &request);
