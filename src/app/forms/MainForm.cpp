#include "app/forms/MainForm.h"

#include "app/forms/MenuMirror.h"
#include "app/forms/ReportPanel.h"
#include "app/forms/TreePanel.h"
#include "app/utils/CommandRunner.h"
#include "app/utils/MessageBox.h"
#include "app/utils/Utils.h"
#include "components/FooterGrid.h"
#include "entry/ReportGrid.h"
#include "reportdata/DataSetModel.h"
#include "reportdata/XmlDataSet.h"
#include "widgets/AboutForm.h"
#include "widgets/Icons.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QAction *NamedAction(QObject *owner, const char *name, const QString &text, const QIcon &icon = QIcon())
{
    auto *action = new QAction(icon, text, owner);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

TfrmMain::TfrmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(AppIcon());
    prompts_ = std::make_unique<TGuiPrompts>(this);
    session_ = std::make_unique<TClientSession>(*prompts_);
    BuildMenus();
    BuildToolBars();
    BuildCentre();
    BuildStatusBar();
    ConnectSession();
}

TfrmMain::~TfrmMain()
{
    // The grid lets go of the open report first; the session closes it.
    DetachReport();
    session_->Shutdown();
    // Nothing the session announces from here on reaches this window.
    session_->disconnect(this);
    session_->Grid().disconnect(this);
    reportPanel_->disconnect(this);
}

TDataSetModel *TfrmMain::GridModel() const { return reportPanel_->Model(); }

bool TfrmMain::Create()
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    btnPrint_->setEnabled(false);
    return session_->Startup() == TClientSession::TStartup::Ready;
}

// ---------------------------------------------------------------- building

void TfrmMain::BuildMenus()
{
    // The tree's context menu; "操作(&O)" mirrors it each time it opens.
    pmTree_ = new QMenu(this);
    pmTree_->setObjectName(QStringLiteral("pmTree"));
    pmiNewUnit_ = NamedAction(this, "pmiNewUnit", QStringLiteral("新增企业(&N)"), CommandIcon(TCommandIcon::NewUnit));
    pmiEditUnit_ = NamedAction(this, "pmiEditUnit", QStringLiteral("更改属性(&P)"));
    pmiDeleteUnit_ = NamedAction(this, "pmiDeleteUnit", QStringLiteral("删除企业(&D)"), CommandIcon(TCommandIcon::DeleteUnit));
    pmiSep1_ = new QAction(this);
    pmiSep1_->setSeparator(true);
    pmiNewReport_ = NamedAction(this, "pmiNewReport", QStringLiteral("新增报表(&N)"), CommandIcon(TCommandIcon::NewReport));
    pmiEditReport_ = NamedAction(this, "pmiEditReport", QStringLiteral("修改报表(&E)"));
    pmiViewReport_ = NamedAction(this, "pmiViewReport", QStringLiteral("查看报表(&V)"));
    pmiDeleteReport_ = NamedAction(this, "pmiDeleteReport", QStringLiteral("删除报表(&D)"), CommandIcon(TCommandIcon::DeleteReport));
    pmiSep2_ = new QAction(this);
    pmiSep2_->setSeparator(true);
    pmiDataExport_ = NamedAction(this, "pmiDataExport", QStringLiteral("数据申报(&B)"), CommandIcon(TCommandIcon::Declare));
    pmiUnDataExport_ = NamedAction(this, "pmiUnDataExport", QStringLiteral("修改申报(&G)"), CommandIcon(TCommandIcon::Undeclare));
    pmTree_->addActions({pmiNewUnit_, pmiEditUnit_, pmiDeleteUnit_, pmiSep1_, pmiNewReport_, pmiEditReport_,
                         pmiViewReport_, pmiDeleteReport_, pmiSep2_, pmiDataExport_, pmiUnDataExport_});

    QMenuBar *bar = menuBar();
    QMenu *control = bar->addMenu(QStringLiteral("控制(&C)"));
    control->setObjectName(QStringLiteral("miControl"));
    miOptions_ = control->addAction(QStringLiteral("选项(&P)"));
    miOptions_->setObjectName(QStringLiteral("miOptions"));
    QAction *password = control->addAction(QStringLiteral("修改口令"));
    password->setObjectName(QStringLiteral("N7"));
    control->addSeparator();
    QAction *exit = control->addAction(QStringLiteral("退出(&X)"));
    exit->setObjectName(QStringLiteral("miExit"));

    QMenu *view = bar->addMenu(QStringLiteral("视图(&V)"));
    view->setObjectName(QStringLiteral("miView"));
    miFolders_ = view->addAction(QStringLiteral("文件夹(&J)"));
    miFolders_->setObjectName(QStringLiteral("miFolders"));
    miFolders_->setCheckable(true);
    miFolders_->setChecked(true);

    miOperate_ = bar->addMenu(QStringLiteral("操作(&O)"));
    miOperate_->setObjectName(QStringLiteral("miOperate"));

    QMenu *help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("miHelp"));
    QAction *contents = help->addAction(QStringLiteral("目录(&C)"));
    contents->setObjectName(QStringLiteral("miContents"));
    QMenu *support = help->addMenu(QStringLiteral("技术支持网站(&S)"));
    support->setObjectName(QStringLiteral("miSupport"));
    QAction *site = support->addAction(TClientSession::SupportSite());
    site->setObjectName(QStringLiteral("miSupportSite"));
    help->addSeparator();
    QAction *about = help->addAction(QStringLiteral("关于(&A)"));
    about->setObjectName(QStringLiteral("miAbout"));

    connect(miOperate_, &QMenu::aboutToShow, this, [this] { MirrorMenu(pmTree_, miOperate_); });
    connect(password, &QAction::triggered, this, [this] { Run([this] { session_->ChangePassword(); }); });
    connect(miOptions_, &QAction::triggered, this, [this] { Run([this] { session_->ExecuteOptions(); }); });
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(miFolders_, &QAction::triggered, this, [this](bool checked) { SetTreePanelVisible(checked); });
    connect(contents, &QAction::triggered, this, [this] { Run([this] { session_->OpenHelp(); }); });
    connect(site, &QAction::triggered, this, [this] { Run([this] { session_->OpenSupportSite(); }); });
    connect(about, &QAction::triggered, this, [this] { ShowAbout(this); });

    connect(pmiNewUnit_, &QAction::triggered, this, [this] { Run([this] { session_->NewUnit(); }); });
    connect(pmiEditUnit_, &QAction::triggered, this, [this] { Run([this] { session_->RenameUnit(); }); });
    connect(pmiDeleteUnit_, &QAction::triggered, this, [this] { Run([this] { session_->DeleteUnit(); }); });
    connect(pmiNewReport_, &QAction::triggered, this, [this] { Run([this] { session_->NewReport(); }); });
    connect(pmiEditReport_, &QAction::triggered, this, [this] { Run([this] { session_->OpenSelectedForEdit(); }); });
    connect(pmiViewReport_, &QAction::triggered, this, [this] { Run([this] { session_->OpenSelectedForView(); }); });
    connect(pmiDeleteReport_, &QAction::triggered, this, [this] { Run([this] { session_->DeleteReport(); }); });
    connect(pmiDataExport_, &QAction::triggered, this, [this] { Run([this] { session_->Declare(); }); });
    connect(pmiUnDataExport_, &QAction::triggered, this, [this] { Run([this] { session_->Undeclare(); }); });
}

void TfrmMain::BuildToolBars()
{
    QToolBar *commands = addToolBar(QStringLiteral("报表命令"));
    commands->setObjectName(QStringLiteral("tbCommands"));
    commands->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    commands->setMovable(false);
    btnNewUnit_ = NamedAction(this, "btnNewUnit", QStringLiteral("新增企业"), CommandIcon(TCommandIcon::NewUnit));
    btnDeleteUnit_ = NamedAction(this, "btnDeleteUnit", QStringLiteral("删除企业"), CommandIcon(TCommandIcon::DeleteUnit));
    btnNewReport_ = NamedAction(this, "btnNewReport", QStringLiteral("新增报表"), CommandIcon(TCommandIcon::NewReport));
    btnDeleteReport_ = NamedAction(this, "btnDeleteReport", QStringLiteral("删除报表"), CommandIcon(TCommandIcon::DeleteReport));
    btnDataExport_ = NamedAction(this, "btnDataExport", QStringLiteral("数据申报"), CommandIcon(TCommandIcon::Declare));
    btnUnDataExport_ = NamedAction(this, "btnUnDataExport", QStringLiteral("修改申报"), CommandIcon(TCommandIcon::Undeclare));
    commands->addActions({btnNewUnit_, btnDeleteUnit_});
    commands->addSeparator();
    commands->addActions({btnNewReport_, btnDeleteReport_});
    commands->addSeparator();
    commands->addActions({btnDataExport_, btnUnDataExport_});
    commands->addSeparator();
    btnQYXX_ = NamedAction(this, "btnQYXX", QStringLiteral("企业信息"), CommandIcon(TCommandIcon::Find));
    commands->addAction(btnQYXX_);
    connect(btnQYXX_, &QAction::triggered, this, [this] { Run([this] { session_->EditEnterpriseList(); }); });
    for (QAction *button : {btnNewUnit_, btnDeleteUnit_, btnNewReport_, btnDeleteReport_, btnDataExport_, btnUnDataExport_})
        button->setEnabled(false);
    connect(btnNewUnit_, &QAction::triggered, pmiNewUnit_, &QAction::trigger);
    connect(btnDeleteUnit_, &QAction::triggered, pmiDeleteUnit_, &QAction::trigger);
    connect(btnNewReport_, &QAction::triggered, pmiNewReport_, &QAction::trigger);
    connect(btnDeleteReport_, &QAction::triggered, pmiDeleteReport_, &QAction::trigger);
    connect(btnDataExport_, &QAction::triggered, pmiDataExport_, &QAction::trigger);
    connect(btnUnDataExport_, &QAction::triggered, pmiUnDataExport_, &QAction::trigger);

    // The record commands get a row of their own, so that none of them hides
    // behind the tool bar's overflow button on a narrow screen.
    addToolBarBreak();
    QToolBar *records = addToolBar(QStringLiteral("记录"));
    records->setObjectName(QStringLiteral("tbRecords"));
    records->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    records->setMovable(false);
    const auto command = [this](const char *name, const QString &text, TCommandIcon icon,
                                void (TReportGrid::*run)()) {
        QAction *action = NamedAction(this, name, text, CommandIcon(icon));
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, [this, run] {
            Run([this, run] { (session_->Grid().*run)(); });
            reportPanel_->ShowCurrentRecord();
        });
        return action;
    };
    btnRecFirst_ = command("btnRecFirst", QStringLiteral("首条"), TCommandIcon::First, &TReportGrid::First);
    btnRecPrior_ = command("btnRecPrior", QStringLiteral("上条"), TCommandIcon::Prior, &TReportGrid::Prior);
    btnRecNext_ = command("btnRecNext", QStringLiteral("下条"), TCommandIcon::Next, &TReportGrid::Next);
    btnRecLast_ = command("btnRecLast", QStringLiteral("末条"), TCommandIcon::Last, &TReportGrid::Last);
    btnRecNew_ = command("btnRecNew", QStringLiteral("新增"), TCommandIcon::Append, &TReportGrid::Append);
    btnRecPost_ = command("btnRecPost", QStringLiteral("保存"), TCommandIcon::Post, &TReportGrid::Post);
    btnRecDelete_ = command("btnRecDelete", QStringLiteral("删除"), TCommandIcon::Delete, &TReportGrid::Delete);
    btnRecEdit_ = NamedAction(this, "btnRecEdit", QStringLiteral("纵向编辑"), CommandIcon(TCommandIcon::Edit));
    btnRecEdit_->setEnabled(false);
    connect(btnRecEdit_, &QAction::triggered, this, [this] { reportPanel_->OpenRecordEditor(); });
    btnRecImport_ = NamedAction(this, "btnRecImport", QStringLiteral("导入"));
    btnRecImport_->setToolTip(QStringLiteral("从 CSV 文件导入记录"));
    btnRecImport_->setEnabled(false);
    connect(btnRecImport_, &QAction::triggered, this, [this] {
        Run([this] { session_->ImportRecords(); });
        reportPanel_->ShowCurrentRecord();
    });
    records->addActions({btnRecFirst_, btnRecPrior_, btnRecNext_, btnRecLast_});
    records->addSeparator();
    records->addActions({btnRecNew_, btnRecPost_, btnRecDelete_, btnRecEdit_});
    records->addSeparator();
    records->addAction(btnRecImport_);
    records->addSeparator();
    btnPrint_ = NamedAction(this, "btnPrint", QStringLiteral("打印清单"), CommandIcon(TCommandIcon::Print));
    records->addAction(btnPrint_);
    connect(btnPrint_, &QAction::triggered, this, [this] { Run([this] { session_->Print(); }); });
    QAction *close = NamedAction(this, "btnClose", QStringLiteral("退出"));
    records->addAction(close);
    connect(close, &QAction::triggered, this, &QWidget::close);
}

void TfrmMain::BuildCentre()
{
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("Splitter1"));
    treePanel_ = new TTreePanel(session_->Tree(), splitter_);
    splitter_->addWidget(treePanel_);

    reportPanel_ = new TReportPanel(*session_, splitter_);
    reportPanel_->Run = [this](const std::function<void()> &command) { Run(command); };
    splitter_->addWidget(reportPanel_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({fontMetrics().horizontalAdvance(QLatin1Char('M')) * 22, 1000});
    setCentralWidget(splitter_);

    connect(treePanel_, &TTreePanel::NodeChosen, this, [this](TTreeNode *node) {
        if (!commandRunning_)
            Run([this, node] { session_->Select(node); });
    });
    connect(treePanel_, &TTreePanel::ContextMenuAsked, this, [this](const QPoint &pos) { pmTree_->popup(pos); });
    connect(treePanel_, &TTreePanel::SearchAsked, this,
            [this](const QString &text) { Run([this, text] { session_->FindTaxPayer(text); }); });
    connect(treePanel_, &TTreePanel::CloseAsked, this, [this] { SetTreePanelVisible(false); });
}

void TfrmMain::BuildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    const int stretch[4] = {3, 1, 0, 1};
    for (int i = 0; i < 4; ++i) {
        statusPanels_[i] = new QLabel(bar);
        statusPanels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        statusPanels_[i]->setFrameShape(QFrame::StyledPanel);
        statusPanels_[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(statusPanels_[i], stretch[i]);
    }
    statusPanels_[2]->setMinimumWidth(170);
    statusPanels_[2]->setAlignment(Qt::AlignCenter);
    statusPanels_[0]->setText(session_->StatusPanel(0));
}

void TfrmMain::ConnectSession()
{
    TClientSession *s = session_.get();
    connect(s, &TClientSession::CaptionChanged, this, &QWidget::setWindowTitle);
    connect(s, &TClientSession::StatusPanelChanged, this,
            [this](int index, const QString &text) { statusPanels_[index]->setText(text); });
    connect(s, &TClientSession::CollectionTypeApplied, this, &TfrmMain::ApplyCollectionTexts);
    connect(s, &TClientSession::TreeBuilt, this, [this] { treePanel_->ExpandAll(); });
    connect(s, &TClientSession::NodeExpanded, this, [this](TTreeNode *node) { treePanel_->Expand(node); });
    connect(s, &TClientSession::SelectionChanged, this, [this](TTreeNode *node) { treePanel_->ShowSelected(node); });
    connect(s, &TClientSession::OfferChanged, this, &TfrmMain::ApplyOffer);
    connect(s, &TClientSession::PrintEnabledChanged, btnPrint_, &QAction::setEnabled);
    connect(s, &TClientSession::ReportClosing, this, &TfrmMain::DetachReport);
    connect(s, &TClientSession::ReportOpened, this, &TfrmMain::AttachReport);
    connect(s, &TClientSession::ReportTitleChanged, reportPanel_, &TReportPanel::SetTitle);
    connect(s, &TClientSession::ViewModeChanged, reportPanel_, &TReportPanel::ApplyViewMode);
    connect(s, &TClientSession::ReportBound, reportPanel_, &TReportPanel::Bind);
    connect(s, &TClientSession::SaveGridLayoutRequested, reportPanel_, &TReportPanel::SaveLayout);
    connect(s, &TClientSession::AlwaysShowEditorChanged, reportPanel_, &TReportPanel::SetAlwaysShowEditor);
    connect(&s->Grid(), &TReportGrid::StateChanged, this, &TfrmMain::ApplyRecordState);
    connect(s, &TClientSession::FocusTree, this, [this] { treePanel_->TreeView()->setFocus(); });
}

// ---------------------------------------------------------------- rendering

void TfrmMain::Run(const std::function<void()> &command)
{
    // What is typed into a cell counts for every command.
    reportPanel_->Grid()->CommitEditor();
    const bool nested = commandRunning_;
    commandRunning_ = true;
    RunCommand(command);
    commandRunning_ = nested;
    if (!nested && session_->Selected())
        treePanel_->ShowSelected(session_->Selected());
}

void TfrmMain::ApplyCollectionTexts()
{
    const TCollectionTypeTexts &texts = session_->CollectionTexts();
    pmiNewUnit_->setText(texts.newUnitCommand);
    pmiDeleteUnit_->setText(texts.deleteUnitCommand);
    btnNewUnit_->setText(texts.newUnitButton);
    btnDeleteUnit_->setText(texts.deleteUnitButton);
    treePanel_->SetSearchVisible(texts.searchBoxVisible);
}

void TfrmMain::ApplyOffer()
{
    const TCommandOffer &offer = session_->Offer();
    const auto apply = [](QAction *item, const TMenuItemState &state) {
        item->setVisible(state.visible);
        item->setEnabled(state.enabled);
    };
    apply(pmiNewUnit_, offer.newUnit);
    apply(pmiEditUnit_, offer.editUnit);
    apply(pmiDeleteUnit_, offer.deleteUnit);
    apply(pmiSep1_, offer.separator1);
    apply(pmiNewReport_, offer.newReport);
    apply(pmiEditReport_, offer.openForEdit);
    apply(pmiViewReport_, offer.openForView);
    apply(pmiDeleteReport_, offer.deleteReport);
    apply(pmiSep2_, offer.separator2);
    apply(pmiDataExport_, offer.declare);
    apply(pmiUnDataExport_, offer.undeclare);
    btnNewUnit_->setEnabled(offer.newUnitButton);
    btnDeleteUnit_->setEnabled(offer.deleteUnitButton);
    btnNewReport_->setEnabled(offer.newReportButton);
    btnDeleteReport_->setEnabled(offer.deleteReportButton);
    btnDataExport_->setEnabled(offer.declareButton);
    btnUnDataExport_->setEnabled(offer.undeclareButton);
}

void TfrmMain::AttachReport(TXmlDataSet *report)
{
    reportPanel_->Attach(report);
    ApplyRecordState();
}

void TfrmMain::DetachReport()
{
    reportPanel_->Detach();
    ApplyRecordState();
}

void TfrmMain::ApplyRecordState()
{
    const TReportGrid &grid = session_->Grid();
    const TRecordCommands commands = grid.Commands();
    btnRecFirst_->setEnabled(commands.first);
    btnRecPrior_->setEnabled(commands.prior);
    btnRecNext_->setEnabled(commands.next);
    btnRecLast_->setEnabled(commands.last);
    btnRecNew_->setEnabled(commands.append);
    btnRecPost_->setEnabled(commands.post);
    btnRecDelete_->setEnabled(commands.remove);
    btnRecEdit_->setEnabled(commands.edit);
    btnRecImport_->setEnabled(commands.append);
    statusPanels_[2]->setText(grid.RecordPosition());
}

void TfrmMain::SetTreePanelVisible(bool visible)
{
    treePanel_->setVisible(visible);
    miFolders_->setChecked(visible);
}

// ---------------------------------------------------------------- window events

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous() || firstShown_)
        return;
    firstShown_ = true;
    treePanel_->TreeView()->setFocus();
    ApplyRecordState();
    session_->Shown();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    reportPanel_->Grid()->CommitEditor();
    bool canClose = false;
    if (!RunCommand([this, &canClose] { canClose = session_->CanClose(); }) || !canClose) {
        event->ignore();
        return;
    }
    session_->Closing();
    event->accept();
}
