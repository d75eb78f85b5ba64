#pragma once

#include "app/ClientSession.h"
#include "app/forms/GuiPrompts.h"

#include <QList>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class TDataSetModel;
class TReportPanel;
class TTreePanel;

// The collection client's main window: a view of its TClientSession. It
// builds the menus, tool bars, the tree panel, the report area and the
// status bar, renders what the session announces and forwards every click
// to the session through the command runner.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The creation steps: takes the desktop's work area, then runs the
    // session's start-up (documents, tree, version, script engine, login).
    // False when the program is to end without showing the window.
    bool Create();

    TClientSession &Session() { return *session_; }
    // The grid's model over the open report, or nullptr.
    TDataSetModel *GridModel() const;
    TReportPanel *ReportPanel() const { return reportPanel_; }
    // The tree's context menu (mirrored into "操作(&O)").
    QMenu *TreeMenu() const { return pmTree_; }
    QMenu *OperateMenu() const { return miOperate_; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildMenus();
    void BuildToolBars();
    void BuildCentre();
    void BuildStatusBar();
    void ConnectSession();

    // Runs a command of the session; while it runs, selections the tree
    // view makes on its own (after a node is removed) are not forwarded,
    // and afterwards the view shows the session's selection.
    void Run(const std::function<void()> &command);
    void ApplyCollectionTexts();
    void ApplyOffer();
    void AttachReport(TXmlDataSet *report);
    void DetachReport();
    // The record commands and the record position, as the report area says.
    void ApplyRecordState();
    void SetTreePanelVisible(bool visible);

    std::unique_ptr<TGuiPrompts> prompts_;
    std::unique_ptr<TClientSession> session_;
    bool commandRunning_ = false;
    bool firstShown_ = false;

    // Menus.
    QMenu *miOperate_ = nullptr;
    QMenu *pmTree_ = nullptr;
    QAction *miOptions_ = nullptr;
    QAction *miFolders_ = nullptr;
    // Tree context menu items.
    QAction *pmiNewUnit_ = nullptr;
    QAction *pmiEditUnit_ = nullptr;
    QAction *pmiDeleteUnit_ = nullptr;
    QAction *pmiSep1_ = nullptr;
    QAction *pmiNewReport_ = nullptr;
    QAction *pmiEditReport_ = nullptr;
    QAction *pmiViewReport_ = nullptr;
    QAction *pmiDeleteReport_ = nullptr;
    QAction *pmiSep2_ = nullptr;
    QAction *pmiDataExport_ = nullptr;
    QAction *pmiUnDataExport_ = nullptr;
    // Tool bar buttons.
    QAction *btnNewUnit_ = nullptr;
    QAction *btnDeleteUnit_ = nullptr;
    QAction *btnNewReport_ = nullptr;
    QAction *btnDeleteReport_ = nullptr;
    QAction *btnDataExport_ = nullptr;
    QAction *btnUnDataExport_ = nullptr;
    QAction *btnPrint_ = nullptr;
    QAction *btnQYXX_ = nullptr;
    // The record tool bar.
    QAction *btnRecFirst_ = nullptr;
    QAction *btnRecPrior_ = nullptr;
    QAction *btnRecNext_ = nullptr;
    QAction *btnRecLast_ = nullptr;
    QAction *btnRecNew_ = nullptr;
    QAction *btnRecPost_ = nullptr;
    QAction *btnRecDelete_ = nullptr;
    QAction *btnRecEdit_ = nullptr;
    QAction *btnRecImport_ = nullptr;

    TTreePanel *treePanel_ = nullptr;
    QSplitter *splitter_ = nullptr;
    TReportPanel *reportPanel_ = nullptr;
    QLabel *statusPanels_[4] = {};
};
