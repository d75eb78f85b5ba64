#pragma once

#include <QModelIndex>
#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TClientSession;
class TDataSetModel;
class TFooterGrid;
class TXmlDataSet;

// The right-hand side of the main window: the title, the locate bar, the
// record grid with its footer row and the hint area. A view of the
// session's report area (TReportGrid): it shows the open report, tells the
// report area where the grid's cursor goes and forwards the grid's
// commands (locate, pick an enterprise, paste, the vertical editor).
class TReportPanel : public QWidget {
    Q_OBJECT
public:
    TReportPanel(TClientSession &session, QWidget *parent = nullptr);
    ~TReportPanel() override;

    TFooterGrid *Grid() const { return grdInvoices_; }
    TDataSetModel *Model() const { return model_; }
    // Runs the window's command runner (set by the main window).
    std::function<void(const std::function<void()> &)> Run;

    // Shows a report just opened; lets go of it before it closes.
    void Attach(TXmlDataSet *report);
    void Detach();
    // The session bound the report: presentation, locate list, layout.
    void Bind();
    void SetTitle(const QString &title);
    void ApplyViewMode(bool viewMode);
    void SetAlwaysShowEditor(bool on);
    // Stores the grid's column layout under the schema section.
    void SaveLayout(const QString &section);
    // Opens the vertical record editor when the grid may.
    void OpenRecordEditor();
    // Moves the grid's cursor to the report's current record.
    void ShowCurrentRecord();

private:
    void BuildLocateBar(QWidget *bar);
    void OnCurrentCellChanged(const QModelIndex &current, const QModelIndex &previous);
    void OnButtonClicked(const QModelIndex &index, QWidget *editor);
    void PublishColumnOrder();
    void Locate();

    TClientSession &session_;
    QLabel *lblTitle_;
    QComboBox *cbxFieldList_;
    QLineEdit *edtContent_;
    QPushButton *btnLocate_;
    TFooterGrid *grdInvoices_;
    QPlainTextEdit *memo1_;
    TDataSetModel *model_ = nullptr;
    bool following_ = false; // the grid's cursor is being moved to the report's
};
