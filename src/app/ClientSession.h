#pragma once

#include "app/ClientPrompts.h"
#include "documents/QYXX.h"
#include "entry/ReportGrid.h"
#include "workspace/EnterpriseTable.h"
#include "documents/XmlConfig.h"
#include "documents/XmlFileManager.h"
#include "documents/XmlSchemaManager.h"
#include "documents/XmlTaxPayer.h"
#include "workspace/CollectionType.h"
#include "workspace/CommandOffer.h"
#include "workspace/NavigationTree.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class TGridLayoutStore;
class TRecordValidator;
class TScriptHost;
class TWorkspaceLock;
class TXmlDataSet;
struct TImportResult;
enum class TFixedAssetChoice;

// The collection client's main-window state and every command it runs,
// without a window: the five workspace documents, the enterprise table, the
// navigation tree and its selection, the open report, the script engine and
// the preferences. The main window owns one, renders what it announces and
// forwards clicks; tests and the command-line tool drive it directly.
//
// Commands report failures by raising TUserError (the text to show) or
// TSilentAbort (already told); the caller runs them through RunCommand.
// Dialogs are reached through the TClientPrompts given at construction,
// notices through TMessageBox and the wait panel through TWaitPanel.
class TClientSession : public QObject {
    Q_OBJECT
public:
    explicit TClientSession(TClientPrompts &prompts, QObject *parent = nullptr);
    // Runs Shutdown when it has not run.
    ~TClientSession() override;

    // ---- Start-up, in the window's creation order ----
    enum class TStartup { Ready, Terminate };
    // The creation steps after the window's own sizing: the workspace lock
    // (a workspace another program holds is refused, after saying who holds
    // it), documents,
    // collection type, tree, preferences and title, data version, script
    // engine (with the "RegOcx.sh" fallback), print default, login. An
    // error in a step is shown and the later steps are skipped, except the
    // login, which always runs. Terminate: the script engine could not be
    // created (after its message) or the login failed.
    TStartup Startup();

    // The single steps, also used by the command-line tool.
    // Takes the workspace until Shutdown or CloseWorkspace; raises
    // TUserError naming who holds it.
    void LockWorkspace();
    void LoadRegisterDocuments();
    void ApplyCollectionType();
    void BuildTree();
    void ReadPreferences();
    // Reads "VERSION", runs the data layout upgrade below 2.0, steps the
    // version up to 2.40 (writing each step) and sets the caption. Returns
    // the version reached.
    double RunDataVersion();
    // Creates the script engine on "Script.js"; on failure runs "RegOcx.sh"
    // with sh, waits 5000 ms and tries once more. False after the second
    // failure, when the message has been shown.
    bool CreateScriptEngine();
    void ApplyPrintDefault();

    // When the window is first shown: loads the enterprise table (stopping
    // at the first item its row checks refuse, after saying why).
    void Shown();
    // Whether the window may close: asks about a record being edited or
    // added. Raises when posting fails (the window then stays open).
    bool CanClose();
    // The same questions before the open report is let go for another one:
    // true when the record was posted or given up (or none was pending).
    bool SettlePendingRecord();
    // When the window closes: asks the view to store the grid layout of the
    // schema shown and writes the enterprise table to "QYXX.xml".
    void Closing();
    // When the window is destroyed: closes the open report (writing it),
    // releases the engine and the tree, writes the two preferences and
    // closes the documents. Every step runs even when an earlier one fails.
    void Shutdown();
    // Closes the open report and the documents without writing preferences
    // (the command-line tool's end).
    void CloseWorkspace();

    // ---- State ----
    TTaxPayerRegistry &TaxPayers() { return taxpayers_; }
    TSchemaRegister &Schemas() { return schemas_; }
    TFileRegister &Files() { return files_; }
    TConfigDocument &Config() { return config_; }
    TEnterpriseList &EnterpriseList() { return enterpriseList_; }
    TEnterpriseTable &EnterpriseTable() { return enterpriseTable_; }
    // The report area: the open report as the grid shows it.
    TReportGrid &Grid() { return grid_; }
    // "GridLayout.ini": the grids' column layouts by schema (null before the
    // start-up step that opens it).
    TGridLayoutStore *GridLayouts() const { return gridLayouts_.get(); }
    // The checks before a record of the open report is posted (null when
    // no report is open).
    TRecordValidator *Validator() const { return validator_.get(); }
    TNavigationTree &Tree() { return tree_; }
    TScriptHost *ScriptEngine() const { return scriptEngine_.get(); }
    // The report shown in the grid, or nullptr.
    TXmlDataSet *OpenReportDataSet() const { return openReport_.get(); }

    QString CollectionType() const { return collectionType_; }
    const TCollectionTypeTexts &CollectionTexts() const { return collectionTexts_; }
    bool AutoCopy() const { return grid_.AutoCopy(); }
    void SetAutoCopy(bool on) { grid_.SetAutoCopy(on); }
    bool AlwaysShowEditor() const { return grid_.AlwaysShowEditor(); }
    void SetAlwaysShowEditor(bool on);
    QString Caption() const { return caption_; }
    QString GridLayoutSection() const { return gridLayoutSection_; }
    QString CurrentSchemaName() const { return currentSchemaName_; }
    // taxpayer\schema\period of the report in the grid; empty when none.
    QString CurrentReport() const { return currentReport_; }
    QString OpenReportTaxPayer() const { return openSWSBH_; }
    QString OpenReportPeriod() const { return openPeriod_; }
    QString ReportTitle() const { return reportTitle_; }
    // The four status bar panels.
    QString StatusPanel(int index) const;
    bool ViewMode() const { return viewMode_; }
    bool PrintEnabled() const { return printEnabled_; }
    TTreeNode *Selected() const { return selected_; }
    const TCommandOffer &Offer() const { return offer_; }

    // ---- Selection ----
    // The tree's selection handling: decides the offered commands and, for
    // a report node, opens the report (for editing when its STATUS is 1).
    // Nothing happens for nullptr.
    void Select(TTreeNode *node);
    // The search box: selects the unit whose SWSBH matches the trimmed text,
    // or says "没有找到此纳税人识别号!". Blank text does nothing.
    void FindTaxPayer(const QString &text);
    // "修改报表(&E)" / "查看报表(&V)" on the selected report node.
    void OpenSelectedForEdit();
    void OpenSelectedForView();
    // Releases the open report and opens the data file at path into the
    // grid. A report opened for viewing only is read-only: it refuses edits
    // and is not written back when it closes.
    void OpenReport(const QString &path, const QString &period, bool viewOnly = false);

    // ---- Commands (on the selected node where they need one) ----
    void NewUnit();
    void RenameUnit();
    void DeleteUnit();
    void NewReport();
    void DeleteReport();
    void ChangePassword();
    // "选项(&P)": the options dialog; on "确定" PRINTXSLT is written at once
    // and the two preferences take effect (they are written at shutdown).
    void ExecuteOptions();
    // "企业信息": the enterprise list's editor; "QYXX.xml" is written when it
    // closes confirmed.
    void EditEnterpriseList();
    // Appends the rows of a CSV file (first row: field names or captions)
    // to the open report through the checks of a post, without the
    // double-entry confirmation; refused rows are listed, not posted.
    // Refused with a message when no report is open for editing.
    TImportResult ImportFile(const QString &path);
    // "导入(&I)": asks for the file, imports it and shows the outcome.
    void ImportRecords();
    // Rows pasted into the grid (tab-separated text) as new records, mapped
    // to the grid's columns from the current one on unless the first row
    // names the fields; refused rows are listed.
    void PasteRows(const QString &text);
    // The outcome of an import in one notice: how many rows came in and
    // each refused row with its line and reason.
    static QString ImportSummary(const TImportResult &result);
    // "目录(&C)": opens "Manual.chm" with the desktop's program for it, or
    // says that the file is missing or that nothing could open it.
    void OpenHelp();
    // The support web site's item: opens the address in the browser, or
    // says where to go when no browser could be started.
    void OpenSupportSite();
    static QString SupportSite();

    // ---- Declaring and printing (the selected report, which is the open one) ----
    // "数据申报(&B)": posts a record being edited (a refusal ends it), exports
    // the report through the export dialog (ExecuteDataExport), copies the
    // schema's "JK.DTD" beside the interface file, audits the file with
    // "<name>_OnAuditFile", archives interface file and DTD into the
    // declaration folder of the period, then sets STATUS 9 and SBRQ today,
    // refreshes node and commands and shows the report in view mode.
    // Nothing happens without an open report. A cancelled or failed export
    // ends the command with the status unchanged; a refusing audit is said
    // ("申报文件检查结果中发现错误...") and removes the three exported files;
    // both of these and an audit script error raise TSilentAbort. A
    // declaration folder that cannot be created raises TUserError.
    void Declare();
    // The last declaration that ran to its end: its description with the
    // interface file and CRC document as full paths.
    const TExportBaseInfo &LastDeclaration() const { return lastDeclaration_; }
    // "修改申报(&G)": after the question, STATUS 1 and SBRQ today, the report
    // editable again. No file is deleted. Does nothing for a report awaiting
    // declaration.
    void Undeclare();
    // Writes "print.xml" for the open declared report and renders it to
    // "print.html" with its style sheet; returns the HTML's path. choice
    // answers the fixed-asset question (TFixedAssetChoice::Ask asks it).
    // Raises "数据文件“%S”不存在！" when the archived interface file is
    // missing, and the style sheet's errors.
    QString PreparePrintPage(TFixedAssetChoice choice);
    // "打印清单": PreparePrintPage (asking) and the HTML opened in the
    // desktop's browser. The print button is disabled while it runs and
    // enabled again afterwards, also after an error.
    void Print();

signals:
    void CaptionChanged(const QString &caption);
    // A status bar panel (0..3) shows another text.
    void StatusPanelChanged(int index, const QString &text);
    void CollectionTypeApplied();
    // The tree was built: expand it all.
    void TreeBuilt();
    void NodeExpanded(TTreeNode *node);
    // The selected node changed (the view makes it current).
    void SelectionChanged(TTreeNode *node);
    void OfferChanged();
    void PrintEnabledChanged(bool enabled);
    // The open report is about to be released: the grid lets go of it.
    void ReportClosing();
    // A report was opened and is shown from now on.
    void ReportOpened(TXmlDataSet *report);
    void ReportTitleChanged(const QString &title);
    void ViewModeChanged(bool viewMode);
    // The report opened last is bound to the report area (Grid() holds its
    // column presentation now).
    void ReportBound();
    // The grid keeps its cell editor open as the cursor enters a cell, or not.
    void AlwaysShowEditorChanged(bool on);
    // The grid is bound to a schema's report; its stored column layout is
    // section.
    void GridBound(const QString &section);
    // The grid should store its column layout under section now.
    void SaveGridLayoutRequested(const QString &section);
    // The search found a unit: the tree takes the focus.
    void FocusTree();

private:
    TTreeNode *RequireSelected(TNodeKind kind) const;
    void PublishOffer();
    void SetCaption(const QString &caption);
    void SetStatusPanel(int index, const QString &text);
    void SetCurrentReport(const QString &text, const QString &key = QString());
    bool IsCurrentReport(const TTreeNode *reportNode) const;
    void ShowStatus(const QString &text);
    void SetViewMode(bool viewMode);
    void SetPrintEnabled(bool enabled);
    void OpenReportNode(TTreeNode *node, bool editing);
    void SelectReport(TTreeNode *node);
    // Lets the grid go of the open report, closes it (writing it) and
    // releases it; a failed write is raised after the release.
    void ReleaseReport();
    // Binds the report just opened to the report area and installs the
    // checks before posting for its schema and taxpayer.
    void BindOpenReport(const QString &schemaName, const QString &swsbh);
    void RequireEditableReport() const;
    bool InterfaceFileExists(const TXmlFileRec &report) const;
    // The report node whose report is open, or a silent abort.
    TTreeNode *OpenReportNodeOrAbort() const;
    TExportBaseInfo DeclarationInfo(const TTreeNode *node) const;
    // The audit of the exported files; false when it refused them (said,
    // and the files are removed).
    bool AuditDeclaration(const QString &schemaName, const QString &interfacePath, const QString &crcPath,
                          const QString &dtdPath);
    void ArchiveDeclaration(const QString &period, const QString &interfacePath, const QString &dtdPath);
    // The register, the node, the commands and the grid's mode after the
    // status changed.
    void ChangeReportStatus(TTreeNode *node, int status);
    void CloseRegisterDocuments();

    TClientPrompts &prompts_;
    std::unique_ptr<TWorkspaceLock> lock_;
    TTaxPayerRegistry taxpayers_;
    TSchemaRegister schemas_;
    TFileRegister files_;
    TConfigDocument config_;
    TEnterpriseList enterpriseList_;
    TEnterpriseTable enterpriseTable_;
    bool enterpriseTableLoaded_ = false;
    TNavigationTree tree_;
    std::unique_ptr<TScriptHost> scriptEngine_;
    std::unique_ptr<TXmlDataSet> openReport_;
    std::unique_ptr<TRecordValidator> validator_;
    std::unique_ptr<TGridLayoutStore> gridLayouts_;
    TReportGrid grid_;

    QString collectionType_;
    TCollectionTypeTexts collectionTexts_;
    QString caption_;
    QString gridLayoutSection_;
    QString currentSchemaName_;
    QString currentReport_;
    // Which file the current report is: captions alone can repeat (two units
    // of one name), the taxpayer, schema and file name cannot.
    QString currentReportKey_;
    QString openSWSBH_;
    QString openPeriod_;
    QString reportTitle_;
    QString statusPanels_[4];
    bool viewMode_ = true;
    bool printEnabled_ = false;
    TTreeNode *selected_ = nullptr;
    TCommandOffer offer_;
    TExportBaseInfo lastDeclaration_;
    bool preferencesRead_ = false;
    bool shutDown_ = false;
};

// Moves a workspace of the old layout (definition files and taxpayer
// folders directly in the workspace) into the current one: files whose
// names begin with a schema prefix go to "DS/", every other folder except
// "数据上报", "DS" and "Data" under "Data/". Says "移动文件失败！(path)" and
// returns false at the first file or folder that cannot be moved.
bool UpgradeDataLayout();
