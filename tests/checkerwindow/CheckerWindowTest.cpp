#include "DialogDriver.h"
#include "ScriptedPrompts.h"
#include "TempWorkspace.h"

#include "app/utils/TextFile.h"
#include "checker/Checker.h"
#include "checker/DetailTable.h"
#include "checker/forms/CheckerForm.h"
#include "checker/forms/DetailForm.h"
#include "components/FooterGrid.h"
#include "components/FooterStrip.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// The checker on a copy of the demo workspace (its "Check.js"), pointed at
// a copy of one golden folder of declarations.
class CheckerWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        workspace.CopyDemo();
        window = std::make_unique<TfrmChecker>();
        ASSERT_TRUE(window->Create());
        ASSERT_TRUE(ShowActive(window.get()));
    }
    void TearDown() override
    {
        window->close();
        window.reset();
    }

    // Copies the golden folder name and makes it the checked path.
    QString UseFolder(const char *name)
    {
        const QString from = QStringLiteral(CHECKER_GOLDEN "/") + QString::fromUtf8(name) + QLatin1Char('/');
        const QString to = source.path() + QLatin1Char('/') + QString::fromUtf8(name) + QLatin1Char('/');
        QDir().mkpath(to);
        for (const QString &file : QDir(from).entryList(QDir::Files)) {
            if (file != QStringLiteral("expected.txt")) {
                EXPECT_TRUE(QFile::copy(from + file, to + file));
            }
        }
        Child<QRadioButton>(window.get(), "rbSpecifyPath")->setChecked(true);
        Child<QLineEdit>(window.get(), "edtPath")->setText(QDir::toNativeSeparators(to));
        return to;
    }
    void ChooseSchema(const QString &name)
    {
        auto *schemas = Child<QComboBox>(window.get(), "cbxSchema");
        const int index = schemas->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        schemas->setCurrentIndex(index);
        window->cbxSchemaChange(index);
    }
    QTreeWidget *List() const { return Child<QTreeWidget>(window.get(), "lvwReport"); }
    QAction *Item(const char *name) const
    {
        auto *action = window->findChild<QAction *>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }
    // The items' enabled states as the menu opens: details, copy one, copy all, save.
    std::vector<bool> Enabled()
    {
        emit window->PopupMenu()->aboutToShow();
        return {Item("miShowDetails")->isEnabled(), Item("miCopyOneRec")->isEnabled(),
                Item("miCopyAllRec")->isEnabled(), Item("miSaveToFile")->isEnabled()};
    }

    TempWorkspace workspace;
    QTemporaryDir source;
    ScriptedMessages messages;
    std::unique_ptr<TfrmChecker> window;
};

TEST_F(CheckerWindowTest, StartsInFloppyModeWithTheSchemaListAndTheFirstSchemaChosen)
{
    EXPECT_EQ(window->objectName(), QStringLiteral("frmMain"));
    EXPECT_TRUE(Child<QRadioButton>(window.get(), "rbFloppyDisk")->isChecked());
    EXPECT_FALSE(Child<QLineEdit>(window.get(), "edtPath")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(window.get(), "btnBrowse")->isEnabled());
    auto *schemas = Child<QComboBox>(window.get(), "cbxSchema");
    ASSERT_GT(schemas->count(), 0);
    // A first start without settings chooses the first schema.
    EXPECT_EQ(schemas->currentIndex(), 0);
    EXPECT_EQ(Child<QLabel>(window.get(), "lblTitle")->text(), schemas->itemText(0));
    EXPECT_TRUE(Child<QLabel>(window.get(), "pnlInfo")->isVisible());
    EXPECT_FALSE(Child<QLabel>(window.get(), "lblCurFile")->isVisible());
    EXPECT_GE(window->width(), 522);
    EXPECT_GE(window->height(), 453);
}

TEST_F(CheckerWindowTest, CheckOfAGoodDeclarationFillsTheFieldsAndRows)
{
    const QString folder = UseFolder("good");
    ChooseSchema(QStringLiteral("运输发票清单"));
    Child<QPushButton>(window.get(), "btnCheck")->click();

    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edtPayerCode")->text(), QStringLiteral("370211600123456"));
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edtAccMonth")->text(), QStringLiteral("200601"));
    EXPECT_EQ(Child<QLineEdit>(window.get(), "Edit5")->text(), QStringLiteral("2006-02-08"));
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edtPayerName")->text(), QStringLiteral("青岚机械制造有限公司"));
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edtCollector")->text(), QStringLiteral("青岚机械制造有限公司"));
    ASSERT_EQ(List()->topLevelItemCount(), 4);
    EXPECT_EQ(List()->topLevelItem(0)->text(1), QStringLiteral("合计项"));
    EXPECT_EQ(List()->topLevelItem(0)->text(2), QStringLiteral("记录数=4"));
    EXPECT_FALSE(List()->topLevelItem(0)->icon(0).isNull());
    auto *current = Child<QLabel>(window.get(), "lblCurFile");
    EXPECT_TRUE(current->isVisible());
    EXPECT_EQ(current->text(), QStringLiteral("当前文件: ")
                                   + QDir::toNativeSeparators(folder + QStringLiteral("YSFPCGL200601_370211600123456_JK.XML")));
    EXPECT_EQ(Child<QLabel>(window.get(), "lblStatus")->text(), QStringLiteral("申报文件检查结束。"));
    EXPECT_TRUE(Child<QLabel>(window.get(), "lblStatus")->isVisible());
    EXPECT_FALSE(window->findChild<QWidget *>(QStringLiteral("ProBar"))->isVisible());
    EXPECT_TRUE(Child<QPushButton>(window.get(), "btnCheck")->isEnabled());
    EXPECT_FALSE(Child<QLabel>(window.get(), "pnlInfo")->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Item("miErrors")->text(), QStringLiteral("共发现0项错误"));
}

TEST_F(CheckerWindowTest, ScriptErrorsBecomeErrorRowsAndTheirCount)
{
    UseFolder("script-errors");
    ChooseSchema(QStringLiteral("运输发票清单"));
    Child<QPushButton>(window.get(), "btnCheck")->click();
    const TCheckResult &result = window->Session().Result();
    ASSERT_GT(result.errorCount, 0);
    EXPECT_EQ(Item("miErrors")->text(), QStringLiteral("共发现%1项错误").arg(result.errorCount));
    QTreeWidgetItem *last = List()->topLevelItem(List()->topLevelItemCount() - 1);
    EXPECT_EQ(last->text(1), QStringLiteral("错误"));
}

TEST_F(CheckerWindowTest, MenuItemsFollowTheListAndTheSelection)
{
    // Before any run: an empty list, the count placeholder unformatted.
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(Item("miErrors")->text(), QStringLiteral("共发现%d项错误"));
    EXPECT_EQ(window->PopupMenu()->defaultAction(), Item("miShowDetails"));

    UseFolder("good");
    ChooseSchema(QStringLiteral("运输发票清单"));
    Child<QPushButton>(window.get(), "btnCheck")->click();
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, true, true}));
    List()->setCurrentItem(List()->topLevelItem(1));
    EXPECT_EQ(Enabled(), (std::vector<bool>{true, true, true, true}));

    // A run that fails empties the list; the count keeps the last results' caption.
    UseFolder("changed-byte");
    Child<QPushButton>(window.get(), "btnCheck")->click();
    EXPECT_EQ(messages.last(), QStringLiteral("申报文件的CRC检验值不正确，申报文件数据已被修改或不完整！"));
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(Item("miErrors")->text(), QStringLiteral("共发现0项错误"));
    EXPECT_EQ(Child<QLabel>(window.get(), "lblStatus")->text(), QStringLiteral("申报文件检查结束。"));
    EXPECT_TRUE(Child<QPushButton>(window.get(), "btnCheck")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CheckerWindowTest, CopyPutsTheResultsTextOrOneRowOnTheClipboard)
{
    UseFolder("good");
    ChooseSchema(QStringLiteral("运输发票清单"));
    Child<QPushButton>(window.get(), "btnCheck")->click();

    Item("miCopyAllRec")->trigger();
    EXPECT_EQ(messages.last(), QStringLiteral("成功复制检查结果到剪贴板！"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), ResultsText(window->Session().Result().rows));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("记录号\t检查结果\r\n合计项\t记录数=4\r\n")));

    List()->setCurrentItem(List()->topLevelItem(1));
    const int shown = int(messages.shown().size());
    Item("miCopyOneRec")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("合计项\t") + List()->topLevelItem(1)->text(2));
    EXPECT_EQ(int(messages.shown().size()), shown);
}

TEST_F(CheckerWindowTest, DetailsShowTheSelectedRowsTextInItsDialog)
{
    UseFolder("good");
    ChooseSchema(QStringLiteral("运输发票清单"));
    Child<QPushButton>(window.get(), "btnCheck")->click();
    List()->setCurrentItem(List()->topLevelItem(2));
    QString seen;
    QString caption;
    WhenModal([&](QWidget *dialog) {
        caption = dialog->windowTitle();
        auto *text = Child<QPlainTextEdit>(dialog, "txtContent");
        seen = text->toPlainText();
        EXPECT_TRUE(text->isReadOnly());
        Child<QPushButton>(dialog, "btnOK")->click();
    });
    Item("miShowDetails")->trigger();
    EXPECT_EQ(caption, QStringLiteral("详细内容"));
    EXPECT_EQ(seen, List()->topLevelItem(2)->text(2));
}

TEST_F(CheckerWindowTest, SaveWritesTheResultsTextBesideTheCheckedFile)
{
    const QString folder = UseFolder("good");
    ChooseSchema(QStringLiteral("运输发票清单"));
    Child<QPushButton>(window.get(), "btnCheck")->click();
    Item("miSaveToFile")->trigger();
    const QString path = folder + QStringLiteral("ysfpcgl200601_370211600123456_检查结果.txt");
    EXPECT_EQ(messages.last(), QStringLiteral("成功保存检查结果到文件 “%1”！").arg(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(DecodeGbk(file.readAll()), ResultsText(window->Session().Result().rows));
}

TEST_F(CheckerWindowTest, ViewDataShowsTheFilesRecordsWithFooters)
{
    UseFolder("good");
    ChooseSchema(QStringLiteral("运输发票清单"));
    QString caption;
    int rows = -1;
    QString firstFooter;
    QStringList footers;
    WhenModal([&](QWidget *dialog) {
        caption = dialog->windowTitle();
        auto *grid = Child<TFooterGrid>(dialog, "DBGrid");
        rows = grid->model()->rowCount();
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            footers << grid->FooterStrip()->CellText(column);
        EXPECT_TRUE(grid->ViewMode());
        // Titles in a visible header, widths from DISPWIDTH.
        EXPECT_GT(grid->horizontalHeader()->height(), grid->fontMetrics().height());
        EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("发票代码"));
        EXPECT_EQ(grid->columnWidth(0), 100);
        EXPECT_EQ(dialog->size(), QSize(531, 485));
        Child<QPushButton>(dialog, "btnClose")->click();
    });
    Child<QPushButton>(window.get(), "Button1")->click();
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.last().toStdString();
    EXPECT_EQ(caption, QStringLiteral("运输发票清单[青岚机械制造有限公司]"));
    EXPECT_EQ(rows, 4);
    ASSERT_FALSE(footers.isEmpty());
    EXPECT_EQ(footers.first(), QStringLiteral("合计"));
    EXPECT_TRUE(footers.contains(QStringLiteral("13925.30"))) << footers.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(Child<QLabel>(window.get(), "lblCurFile")->text().endsWith(QStringLiteral("_JK.XML")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CheckerWindowTest, ViewDataWithoutADeclarationSaysSo)
{
    const QString folder = source.path() + QStringLiteral("/empty/");
    QDir().mkpath(folder);
    Child<QRadioButton>(window.get(), "rbSpecifyPath")->setChecked(true);
    Child<QLineEdit>(window.get(), "edtPath")->setText(folder);
    Child<QPushButton>(window.get(), "Button1")->click();
    EXPECT_EQ(messages.last(), QStringLiteral("在路径“%1”下没有发现相关的申报文件，请检查！").arg(folder));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CheckerWindowTest, BrowseReplacesThePathWithThePickedFolder)
{
    ScriptedFolderPicker picker;
    picker.Queue(QStringLiteral("/media/disk"));
    Child<QRadioButton>(window.get(), "rbSpecifyPath")->setChecked(true);
    ASSERT_TRUE(Child<QPushButton>(window.get(), "btnBrowse")->isEnabled());
    Child<QPushButton>(window.get(), "btnBrowse")->click();
    EXPECT_EQ(picker.titles, QStringList{QStringLiteral("请选择申报文件所在的路径:")});
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edtPath")->text(), QStringLiteral("/media/disk"));
}

} // namespace
