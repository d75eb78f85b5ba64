#include "DialogDriver.h"
#include "ScriptedPrompts.h"
#include "TempWorkspace.h"

#include "app/forms/MainForm.h"
#include "app/forms/ReportPanel.h"
#include "app/utils/MessageBox.h"
#include "app/utils/SystemProcess.h"
#include "components/FooterGrid.h"
#include "entry/Confirm.h"
#include "reportdata/DataSetModel.h"
#include "reportdata/FooterRole.h"
#include "reportdata/XmlDataSet.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QRadioButton>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

QStringList Texts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { workspace.CopyDemo(); }

    // Creates the window and logs in with the initial password.
    void Start()
    {
        window = std::make_unique<TfrmMain>();
        WhenModal([](QWidget *dialog) {
            Child<QLineEdit>(dialog, "edtPwd")->setText(QStringLiteral("570319"));
            Child<QPushButton>(dialog, "btnOK")->click();
        });
        ASSERT_TRUE(window->Create());
        window->show();
        tree = Child<QTreeView>(window.get(), "tvwFiles");
    }

    // Makes the tree row of a node path (row numbers from the root) current.
    void Choose(std::initializer_list<int> rows)
    {
        QModelIndex index = tree->model()->index(0, 0);
        for (int row : rows)
            index = tree->model()->index(row, 0, index);
        ASSERT_TRUE(index.isValid());
        tree->setCurrentIndex(index);
    }

    QString Panel(int i) { return Child<QLabel>(window.get(), qPrintable(QStringLiteral("StatusPanel%1").arg(i)))->text(); }

    TempWorkspace workspace;
    ScriptedMessages messages;
    std::unique_ptr<TfrmMain> window;
    QTreeView *tree = nullptr;
};

TEST_F(MainWindowTest, LogsInAndShowsAReportWithItsStatus)
{
    Start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("抵扣凭证数据采集系统V2.40"));
    EXPECT_EQ(tree->model()->rowCount(tree->model()->index(0, 0)), 3);
    EXPECT_TRUE(tree->isExpanded(tree->model()->index(0, 0, tree->model()->index(0, 0))));
    EXPECT_TRUE(Child<QLineEdit>(window.get(), "edtSearch")->isVisibleTo(window.get()));

    Choose({0, 0, 1}); // 青岚机械制造有限公司 / 运输发票清单 / 200602
    auto *grid = Child<QTableView>(window.get(), "grdInvoices");
    ASSERT_NE(window->GridModel(), nullptr);
    EXPECT_EQ(grid->model(), window->GridModel());
    EXPECT_EQ(grid->model()->rowCount(), window->Session().OpenReportDataSet()->RecordCount());
    EXPECT_GT(grid->model()->rowCount(), 0);
    EXPECT_NE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(Panel(0), QStringLiteral("当前报表: 青岚机械制造有限公司\\运输发票清单\\200602"));
    EXPECT_EQ(Panel(1), QStringLiteral("状态: 待申报"));
    EXPECT_EQ(Child<QLabel>(window.get(), "lblTitle")->text(), QStringLiteral("运输发票清单"));
    EXPECT_FALSE(Child<QAction>(window.get(), "btnPrint")->isEnabled());

    // The declared report opens read-only and can be printed.
    Choose({0, 0, 0});
    EXPECT_EQ(Panel(1), QStringLiteral("状态: 已申报"));
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(window->GridModel()->flags(window->GridModel()->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(Child<QAction>(window.get(), "btnPrint")->isEnabled());
    EXPECT_TRUE(Child<QAction>(window.get(), "btnUnDataExport")->isEnabled());
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
}

TEST_F(MainWindowTest, TheOperateMenuMirrorsTheVisibleContextItemsEachTimeItOpens)
{
    Start();
    Choose({0, 0, 1});
    QMenu *operate = window->OperateMenu();
    const QStringList expected{QStringLiteral("修改报表(&E)"), QStringLiteral("删除报表(&D)"), QStringLiteral("-"),
                               QStringLiteral("数据申报(&B)")};
    emit operate->aboutToShow();
    EXPECT_EQ(Texts(operate), expected);
    EXPECT_FALSE(operate->actions().first()->isEnabled()); // the report is open already
    emit operate->aboutToShow();
    EXPECT_EQ(Texts(operate), expected);

    // Another selection offers other items.
    Choose({0});
    emit operate->aboutToShow();
    EXPECT_EQ(Texts(operate), (QStringList{QStringLiteral("更改属性(&P)"), QStringLiteral("删除企业(&D)")}));
}

TEST_F(MainWindowTest, AMirroredItemRunsItsCommand)
{
    Start();
    Choose({2, 0}); // 丰禾 / 运输发票清单, no reports
    QMenu *operate = window->OperateMenu();
    emit operate->aboutToShow();
    ASSERT_EQ(Texts(operate), QStringList{QStringLiteral("新增报表(&N)")});
    WhenModal([](QWidget *dialog) { Child<QPushButton>(dialog, "btnOK")->click(); });
    operate->actions().first()->trigger();
    TTreeNode *selected = window->Session().Selected();
    ASSERT_EQ(selected->Kind(), TNodeKind::Report);
    EXPECT_EQ(tree->currentIndex().data().toString(), selected->Caption());
    EXPECT_NE(window->GridModel(), nullptr);
}

TEST_F(MainWindowTest, TheKeyboardOpensTheMenuOfTheCurrentNode)
{
    Start();
    Choose({1, 1}); // 澄川 / 海关完税凭证
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1), tree->viewport()->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(tree->viewport(), &event);
    EXPECT_TRUE(window->TreeMenu()->isVisible());
    EXPECT_EQ(window->Session().Selected()->Caption(), QStringLiteral("海关完税凭证")); // not the node at (1, 1)
    window->TreeMenu()->hide();
}

TEST_F(MainWindowTest, ClosingWhileARecordIsAddedAsksAndCanStayOpen)
{
    Start();
    Choose({0, 0, 1});
    window->Session().OpenReportDataSet()->Append();
    messages.Answer(TMessageBox::IdNo);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(messages.last(), QStringLiteral("数据输入框中正在添加记录，确定放弃吗？"));
    EXPECT_EQ(window->Session().OpenReportDataSet()->State(), TDataSetState::Insert);
    messages.Answer(TMessageBox::IdYes);
    EXPECT_TRUE(window->close());
}

// Answers every double-entry confirmation with "all confirmed".
class ConfirmAll : public TConfirmDialog::Handler {
public:
    ConfirmAll() { TConfirmDialog::SetHandler(this); }
    ~ConfirmAll() override { TConfirmDialog::SetHandler(nullptr); }
    int Confirm(const std::vector<TColumn> &) override { return 0; }
};

QString Footer(TfrmMain &window, const QString &field)
{
    TXmlDataSet *report = window.Session().OpenReportDataSet();
    return window.GridModel()->headerData(report->FieldByName(field).Index(), Qt::Horizontal, kFooterRole).toString();
}

TEST_F(MainWindowTest, TheGridShowsFootersThatFollowPostsAndDeletes)
{
    ConfirmAll confirm;
    Start();
    Choose({0, 0, 1});
    EXPECT_EQ(Footer(*window, QStringLiteral("FPDM")), QStringLiteral("合计"));
    EXPECT_EQ(Footer(*window, QStringLiteral("YFJE")), QStringLiteral("4635.55"));
    EXPECT_EQ(Footer(*window, QStringLiteral("FPHM")), QString());
    EXPECT_EQ(Panel(2), QStringLiteral("记录位置: 1/3"));
    EXPECT_TRUE(Child<QAction>(window.get(), "btnRecNew")->isEnabled());
    EXPECT_FALSE(Child<QAction>(window.get(), "btnRecPost")->isEnabled());

    Child<QAction>(window.get(), "btnRecLast")->trigger();
    EXPECT_EQ(Panel(2), QStringLiteral("记录位置: 3/3"));
    Child<QAction>(window.get(), "btnRecDelete")->trigger();
    EXPECT_EQ(Footer(*window, QStringLiteral("YFJE")), QStringLiteral("3135.55"));
    EXPECT_EQ(Panel(2), QStringLiteral("记录位置: 2/2"));
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
}

TEST_F(MainWindowTest, ADeclaredReportRefusesEditingAndTheRecordEditor)
{
    Start();
    Choose({0, 0, 0});
    auto *grid = Child<TFooterGrid>(window.get(), "grdInvoices");
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(Child<QAction>(window.get(), "btnRecNew")->isEnabled());
    EXPECT_FALSE(Child<QAction>(window.get(), "btnRecEdit")->isEnabled());
    // A double click opens nothing (a modal editor would block here).
    const QModelIndex cell = grid->model()->index(0, 0);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, TheRecordEditorSavesAndAddsThenCancels)
{
    ConfirmAll confirm;
    Start();
    Choose({0, 0, 1});
    TXmlDataSet &report = *window->Session().OpenReportDataSet();
    window->Session().SetAutoCopy(false);
    WhenModal([](QWidget *dialog) {
        const auto set = [dialog](const char *name, const QString &text) {
            auto *edit = Child<QLineEdit>(dialog, name);
            edit->setFocus();
            edit->setText(text);
            emit edit->editingFinished();
        };
        Child<QPushButton>(dialog, "btnSave")->click(); // posts nothing yet, appends
        set("edtFPDM", QStringLiteral("237006110013"));
        set("edtFPHM", QStringLiteral("00060001"));
        auto *date = Child<QDateEdit>(dialog, "edtKPRQ");
        date->setDate(QDate(2006, 2, 20));
        emit date->editingFinished();
        set("edtCYRSWSBH", QStringLiteral("370203588812345")); // a listed carrier: the name is filled
        EXPECT_EQ(Child<QLineEdit>(dialog, "edtCYRMC")->text(), QStringLiteral("远驰运输有限公司"));
        set("edtYSHWMC", QStringLiteral("机床"));
        set("edtYFJE", QStringLiteral("500"));
        EXPECT_EQ(Child<QLineEdit>(dialog, "edtKCSE")->text(), QStringLiteral("35"));
        Child<QPushButton>(dialog, "btnSave")->click();
        // The new empty record: cancel asks nothing and closes.
        Child<QPushButton>(dialog, "btnCancel")->click();
    });
    Child<QAction>(window.get(), "btnRecEdit")->trigger();
    EXPECT_EQ(report.RecordCount(), 4);
    EXPECT_EQ(report.State(), TDataSetState::Browse);
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
}

TEST_F(MainWindowTest, PastedSpreadsheetRowsBecomeRecords)
{
    Start();
    Choose({0, 0, 1});
    auto *grid = Child<TFooterGrid>(window.get(), "grdInvoices");
    grid->setCurrentIndex(grid->model()->index(0, 0));
    const QString rows = QStringLiteral(
        "237006110014\t00070001\t2006-02-05\t370203588812345\t远驰运输有限公司\t木材\t1.5\t100\t300\r\n"
        "237006110014\t00070002\t2006-02-06\t370203588812345\t远驰运输有限公司\t木材\t2\t100\t400\r\n");
    emit grid->PasteRequested(rows);
    EXPECT_EQ(window->Session().OpenReportDataSet()->RecordCount(), 5);
    EXPECT_EQ(Footer(*window, QStringLiteral("YFJE")), QStringLiteral("5335.55"));
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
}

TEST_F(MainWindowTest, OptionsComeFromAndGoToTheSession)
{
    Start();
    WhenModal([](QWidget *dialog) {
        EXPECT_TRUE(Child<QCheckBox>(dialog, "cbxAutoCopy")->isChecked());
        Child<QCheckBox>(dialog, "cbxAlwaysShowEditor")->setChecked(true);
        Child<QRadioButton>(dialog, "rbtXP")->setChecked(true);
        Child<QPushButton>(dialog, "btnOK")->click();
    });
    Child<QAction>(window.get(), "miOptions")->trigger();
    EXPECT_TRUE(window->Session().AlwaysShowEditor());
    EXPECT_EQ(window->Session().Config().GetConfigValue(QStringLiteral("PRINTXSLT")), QStringLiteral("XP"));
}

TEST_F(MainWindowTest, TheLocateBarFindsARecord)
{
    Start();
    Choose({0, 0, 1});
    auto *fields = Child<QComboBox>(window.get(), "cbxFieldList");
    EXPECT_EQ(fields->count(), 12);
    fields->setCurrentText(QStringLiteral("承运人名称"));
    Child<QLineEdit>(window.get(), "edtContent")->setText(QStringLiteral("远驰运输有限公司"));
    Child<QPushButton>(window.get(), "btnLocate")->click();
    EXPECT_EQ(Child<TFooterGrid>(window.get(), "grdInvoices")->currentIndex().row(), 2);
    EXPECT_EQ(Panel(2), QStringLiteral("记录位置: 3/3"));
}

TEST_F(MainWindowTest, DownOnTheLastRowAddsARecordAndEscGivesItUp)
{
    Start();
    Choose({0, 0, 1});
    auto *grid = Child<TFooterGrid>(window.get(), "grdInvoices");
    TXmlDataSet &report = *window->Session().OpenReportDataSet();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(2, 1));
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(report.State(), TDataSetState::Insert);
    EXPECT_EQ(grid->currentIndex().row(), 3);
    EXPECT_EQ(Panel(2), QStringLiteral("记录位置: 4/3"));
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(report.State(), TDataSetState::Browse);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
}

TEST_F(MainWindowTest, TheToolBarRemembersTheIdOfTheRecordItMovesTo)
{
    Start();
    Choose({0, 0, 1});
    auto *grid = Child<TFooterGrid>(window.get(), "grdInvoices");
    TXmlDataSet &report = *window->Session().OpenReportDataSet();
    const int id = report.FieldByName(QStringLiteral("CYRSWSBH")).Index();
    grid->setCurrentIndex(grid->model()->index(0, id));
    Child<QAction>(window.get(), "btnRecNext")->trigger();
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(window->Session().Grid().Focus().rememberedId, QStringLiteral("370213556677889X"));
}

TEST_F(MainWindowTest, WhatIsTypedInACellCountsWhenTheWindowCloses)
{
    Start();
    Choose({0, 0, 1});
    auto *grid = Child<TFooterGrid>(window.get(), "grdInvoices");
    const int column = window->Session().OpenReportDataSet()->FieldByName(QStringLiteral("YSHWMC")).Index();
    grid->setCurrentIndex(grid->model()->index(0, column));
    grid->edit(grid->currentIndex());
    auto *editor = qobject_cast<QLineEdit *>(grid->OpenEditor());
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("铸件"));
    messages.Answer(TMessageBox::IdCancel);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(messages.last(), QStringLiteral("数据输入框中当前记录已经更改，确定保存吗？"));
    EXPECT_EQ(window->Session().OpenReportDataSet()->FieldByName(QStringLiteral("YSHWMC")).AsString(),
              QStringLiteral("铸件"));
}

TEST_F(MainWindowTest, ACellValueThatIsNoNumberIsSaid)
{
    Start();
    Choose({0, 0, 1});
    const int column = window->Session().OpenReportDataSet()->FieldByName(QStringLiteral("YSLC")).Index();
    EXPECT_FALSE(window->GridModel()->setData(window->GridModel()->index(0, column), QStringLiteral("12a")));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().last().flags, int(TMessageBox::ErrorOk));
}

TEST_F(MainWindowTest, CancelledLoginEndsTheStart)
{
    window = std::make_unique<TfrmMain>();
    WhenModal([](QWidget *dialog) { Child<QPushButton>(dialog, "btnClose")->click(); });
    EXPECT_FALSE(window->Create());
}

// Records what would have been opened instead of opening it.
class OpenedDocuments : public TSystemProcess::Launcher {
public:
    OpenedDocuments() { TSystemProcess::SetLauncher(this); }
    ~OpenedDocuments() override { TSystemProcess::SetLauncher(nullptr); }
    bool OpenDocument(const QString &target) override
    {
        opened << target;
        return true;
    }
    bool StartDetached(const QString &, const QStringList &) override { return true; }
    bool RunAndWait(const QString &, const QStringList &) override { return true; }
    QStringList opened;
};

TEST_F(MainWindowTest, DeclaringThroughTheExportDialogAndTakingItBack)
{
    Start();
    Choose({0, 0, 1}); // 青岚机械制造有限公司 / 运输发票清单 / 200602, awaiting
    QTemporaryDir out;
    WhenModal([&out](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("申报文件导出"));
        Child<QRadioButton>(dialog, "rbFolder")->click();
        Child<QLineEdit>(dialog, "edtExportPath")->setText(out.path());
        Child<QPushButton>(dialog, "btnExport")->click();
    });
    Child<QAction>(window.get(), "pmiDataExport")->trigger();
    EXPECT_TRUE(messages.last().startsWith(QStringLiteral("恭喜您，申报文件已经成功传出！"))) << messages.last().toStdString();
    EXPECT_TRUE(QFileInfo::exists(out.path() + QStringLiteral("/YSFPCGL200602_370211600123456_JK.XML")));
    EXPECT_EQ(Panel(1), QStringLiteral("状态: 已申报"));
    EXPECT_EQ(Child<QTableView>(window.get(), "grdInvoices")->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(Child<QAction>(window.get(), "btnPrint")->isEnabled());
    EXPECT_TRUE(Child<QAction>(window.get(), "btnUnDataExport")->isEnabled());

    messages.Answer(TMessageBox::IdOk);
    Child<QAction>(window.get(), "btnUnDataExport")->trigger();
    EXPECT_EQ(Panel(1), QStringLiteral("状态: 待申报"));
    EXPECT_FALSE(Child<QAction>(window.get(), "btnPrint")->isEnabled());
    EXPECT_NE(Child<QTableView>(window.get(), "grdInvoices")->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(MainWindowTest, ThePrintButtonOpensTheRenderedList)
{
    OpenedDocuments launcher;
    Start();
    Choose({0, 0, 0}); // declared in the demo
    messages.Answer(TMessageBox::IdCancel); // the list of the other records
    Child<QAction>(window.get(), "btnPrint")->trigger();
    ASSERT_EQ(launcher.opened.size(), 1) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(QFileInfo(launcher.opened[0]).fileName(), QStringLiteral("print.html"));
    EXPECT_TRUE(Child<QAction>(window.get(), "btnPrint")->isEnabled());
}

} // namespace
