#pragma once

#include "export/DataExport.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TXmlDataSet;

// "申报文件导出": where the declaration goes (the removable medium, or a
// folder typed or picked) and the export itself with its progress. It
// starts in floppy mode with the declaration folder of the period in the
// path box. "开始导出" runs RunDataExport: a refusal before anything is
// written (an empty or impossible folder, a missing template) is shown and
// the dialog stays open, as it does when the floppy question is cancelled;
// otherwise the dialog closes, with Accepted only when the files were
// written. Its buttons are disabled while the export runs; Esc and "取消"
// close it with Rejected.
class TfrmDataExport : public QDialog {
    Q_OBJECT
public:
    // info and dataSet must outlive the dialog; info receives the files'
    // paths when the export succeeds.
    TfrmDataExport(const QString &collectionType, TExportBaseInfo &info, TXmlDataSet &dataSet,
                   QWidget *parent = nullptr);

    bool FloppyMode() const;
    // Whether the last export wrote its files.
    bool Exported() const { return exported_; }

public slots:
    void btnExportClick();
    void btnOpenClick();
    void reject() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The look of the chosen mode: the note, the path box and the folder button.
    void ApplyMode();
    void SetProgress(int percent);

    TExportBaseInfo &info_;
    TXmlDataSet &dataSet_;
    bool running_ = false;
    bool exported_ = false;
    QWidget *header_;
    QLabel *lblTitle_;
    QLabel *lblNote_;
    QRadioButton *rbFloppy_;
    QRadioButton *rbFolder_;
    QLineEdit *edtExportPath_;
    QPushButton *btnOpen_;
    QProgressBar *ProgressBar_;
    QPushButton *btnExport_;
    QPushButton *btnCancel_;
};

// Runs the export dialog modally over parent; true when it exported the
// files (info then names them with their folder).
bool ExecuteDataExport(QWidget *parent, const QString &collectionType, TExportBaseInfo &info, TXmlDataSet &dataSet);
