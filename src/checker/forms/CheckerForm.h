#pragma once

#include "checker/Checker.h"

#include <QWidget>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

// The checker's main window (objectName "frmMain"): the schema, where the
// declaration is (the removable medium or a folder), the check run with
// its basic information and result list, the detail view and the result
// list's context menu. A view over TCheckerSession: the session decides,
// the window renders what it holds and forwards the clicks. Commands that
// fail show their message through TMessageBox.
class TfrmChecker : public QWidget {
    Q_OBJECT
public:
    explicit TfrmChecker(QWidget *parent = nullptr);
    ~TfrmChecker() override;

    // The window's creation (TCheckerSession::Startup). False when the
    // program is to end: another checker holds the workspace or the script
    // engine cannot be made (the user has been told).
    bool Create();

    TCheckerSession &Session() { return session_; }
    // The result list's context menu; its items' enabling is decided each
    // time it is about to show (UpdateMenu).
    QMenu *PopupMenu() const { return pmReport_; }
    void UpdateMenu();

public slots:
    void btnCheckClick();
    void Button1Click();
    void btnBrowseClick();
    void cbxSchemaChange(int index);
    void miShowDetailsClick();
    void miCopyOneRecClick();
    void miCopyAllRecClick();
    void miSaveToFileClick();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildControls();
    void ApplyMode();
    bool FloppyMode() const;
    QString PathText() const;
    // The schema list and the chosen entry, as the session holds them.
    void RenderSchemas();
    // The basic information, the rows and the current file of the last run.
    void RenderResult();
    // Step 1 of a run: an empty display and the hint panel hidden.
    void ResetDisplay();
    void ShowCurrentFile(const QString &file);
    void PlaceHint();
    QTreeWidgetItem *SelectedRow() const;

    TCheckerSession session_;
    bool shown_ = false;

    QWidget *header_ = nullptr;
    QLabel *lblTitle_ = nullptr;
    QComboBox *cbxSchema_ = nullptr;
    QRadioButton *rbFloppyDisk_ = nullptr;
    QRadioButton *rbSpecifyPath_ = nullptr;
    QLineEdit *edtPath_ = nullptr;
    QPushButton *btnBrowse_ = nullptr;
    QLineEdit *edtPayerCode_ = nullptr;
    QLineEdit *edtAccMonth_ = nullptr;
    QLineEdit *Edit5_ = nullptr;
    QLineEdit *edtPayerName_ = nullptr;
    QLineEdit *edtCollector_ = nullptr;
    QTreeWidget *lvwReport_ = nullptr;
    QLabel *pnlInfo_ = nullptr;
    QLabel *lblCurFile_ = nullptr;
    QLabel *lblStatus_ = nullptr;
    QProgressBar *ProBar_ = nullptr;
    QPushButton *btnCheck_ = nullptr;
    QPushButton *Button1_ = nullptr;
    QPushButton *btnClose_ = nullptr;

    QMenu *pmReport_ = nullptr;
    QAction *miShowDetails_ = nullptr;
    QAction *miCopyOneRec_ = nullptr;
    QAction *miCopyAllRec_ = nullptr;
    QAction *miSaveToFile_ = nullptr;
    QAction *miErrors_ = nullptr;
};
