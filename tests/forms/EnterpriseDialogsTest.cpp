#include "app/utils/MessageBox.h"
#include "workspace/EnterpriseTable.h"
#include "workspace/forms/QYXXForm.h"
#include "workspace/forms/SelQYXXForm.h"
#include "DialogDriver.h"
#include "ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

using Entry = TEnterpriseList::Entry;

inline bool operator==(const Entry &a, const Entry &b) { return a.SWSBH == b.SWSBH && a.NSRMC == b.NSRMC; }
inline void PrintTo(const Entry &e, std::ostream *os)
{
    *os << "(" << e.SWSBH.toStdString() << ", " << e.NSRMC.toStdString() << ")";
}

namespace {

const QString kInvalid = QStringLiteral("纳税人识别号错误！必须是15位至20位0..9,A..Z,a-z的字符组成！");
const QString kA = QStringLiteral("370212MA3C4D5E6F");
const QString kB = QStringLiteral("110101000000001");
const QString kC = QStringLiteral("44030019800101123X");

// ---- the editor ---------------------------------------------------------------

class EnterpriseEditorTest : public ::testing::Test {
protected:
    // Enter in a cell editor: the grid takes the text once the key is handled.
    static void Enter(QWidget *editor)
    {
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    // Types text into the cell of the editor's grid as an operator does: the
    // first key opens the cell editor, the rest goes to it, Tab leaves it.
    void Type(TQYXXFrom &dialog, int row, int column, const QString &text)
    {
        auto *grid = Child<QTableView>(&dialog, "grdQYXX");
        grid->setCurrentIndex(grid->model()->index(row, column));
        grid->setFocus();
        const bool keys = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (keys)
            QTest::keyClicks(grid, text.left(1));
        else
            grid->edit(grid->currentIndex()); // the test library types ASCII only
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        ASSERT_TRUE(editor) << "no cell editor opened";
        if (keys) {
            QTest::keyClicks(editor, text.mid(1));
        } else {
            editor->selectAll();
            editor->insert(text);
        }
        Enter(editor);
    }

    QString Cell(TQYXXFrom &dialog, int row, int column)
    {
        auto *grid = Child<QTableView>(&dialog, "grdQYXX");
        return grid->model()->index(row, column).data().toString();
    }

    ScriptedMessages messages;
    TEnterpriseTable table;
};

TEST_F(EnterpriseEditorTest, EmptyListAddDoesNothingAndATypedFirstRowIsStored)
{
    TQYXXFrom dialog(table);
    ASSERT_TRUE(ShowActive(&dialog));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("企业信息"));
    auto *grid = Child<QTableView>(&dialog, "grdQYXX");
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("税务识别号"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("企业名称"));
    ASSERT_EQ(grid->model()->rowCount(), 1); // the row to type into

    QTest::mouseClick(Child<QPushButton>(&dialog, "btnAdd"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(&dialog, "btnDelete"), Qt::LeftButton);
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(table.Count(), 0);

    Type(dialog, 0, 0, kA);
    Type(dialog, 0, 1, QStringLiteral("青岚机械制造有限公司"));
    EXPECT_EQ(table.Count(), 0) << "stored before the row was left";
    QTest::mouseClick(Child<QPushButton>(&dialog, "btnOK"), Qt::LeftButton);

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(table.Rows(), (QList<Entry>{{kA, QStringLiteral("青岚机械制造有限公司")}}));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(EnterpriseEditorTest, ARefusedRowStaysInEditingWithTheOperatorsText)
{
    table.Load({{kA, QStringLiteral("青岚机械")}});
    TQYXXFrom dialog(table);
    ASSERT_TRUE(ShowActive(&dialog));
    QTest::mouseClick(Child<QPushButton>(&dialog, "btnAdd"), Qt::LeftButton);
    Type(dialog, 1, 0, QStringLiteral("37021200000000"));
    Type(dialog, 1, 1, QStringLiteral("短号企业"));

    QTest::mouseClick(Child<QPushButton>(&dialog, "btnOK"), Qt::LeftButton);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().at(0).caption, QStringLiteral("系统错误"));
    EXPECT_EQ(messages.shown().at(0).text, kInvalid);
    EXPECT_EQ(messages.shown().at(0).flags, int(TMessageBox::ErrorOk));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(table.Count(), 1);
    EXPECT_EQ(Cell(dialog, 1, 0), QStringLiteral("37021200000000"));
    EXPECT_EQ(Cell(dialog, 1, 1), QStringLiteral("短号企业"));

    // Leaving the row is refused too: the current row comes back to it.
    auto *grid = Child<QTableView>(&dialog, "grdQYXX");
    QApplication::focusWidget()->clearFocus(); // the cell editor reopened on the refused id
    grid->setCurrentIndex(grid->model()->index(0, 0));
    EXPECT_EQ(messages.shown().size(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 1);

    // A duplicate in other letter case is refused; cancel then closes once
    // the row is corrected, keeping it in the table.
    Type(dialog, 1, 0, kA.toLower());
    QTest::mouseClick(Child<QPushButton>(&dialog, "btnCancel"), Qt::LeftButton);
    EXPECT_EQ(messages.last(), QStringLiteral("当前税务识别号“") + kA.toLower() + QStringLiteral("”已存在！"));
    EXPECT_TRUE(dialog.isVisible());
    Type(dialog, 1, 0, kB);
    QTest::mouseClick(Child<QPushButton>(&dialog, "btnCancel"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(table.Rows(), (QList<Entry>{{kA, QStringLiteral("青岚机械")}, {kB, QStringLiteral("短号企业")}}));
}

TEST_F(EnterpriseEditorTest, RowsAreStoredAsTheCurrentRowMovesAndDeletedWithoutQuestion)
{
    table.Load({{kA, QStringLiteral("青岚机械")}, {kB, QStringLiteral("北辰商贸")}});
    TQYXXFrom dialog(table);
    ASSERT_TRUE(ShowActive(&dialog));
    auto *grid = Child<QTableView>(&dialog, "grdQYXX");

    Type(dialog, 0, 1, QStringLiteral("青岚重工"));
    EXPECT_EQ(table.At(0).NSRMC, QStringLiteral("青岚机械"));
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(table.At(0).NSRMC, QStringLiteral("青岚重工"));

    // Insert puts a new row before the current one.
    QTest::keyClick(grid, Qt::Key_Insert);
    QTest::keyClicks(QApplication::focusWidget(), kC);
    Enter(QApplication::focusWidget());
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(table.Rows(), (QList<Entry>{{kA, QStringLiteral("青岚重工")}, {kC, ""}, {kB, QStringLiteral("北辰商贸")}}));

    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::mouseClick(Child<QPushButton>(&dialog, "btnDelete"), Qt::LeftButton);
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(table.Rows(), (QList<Entry>{{kA, QStringLiteral("青岚重工")}, {kB, QStringLiteral("北辰商贸")}}));

    // A row whose id is emptied is not stored and shows its stored values again.
    grid->setCurrentIndex(grid->model()->index(0, 0));
    grid->edit(grid->currentIndex());
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_TRUE(editor);
    editor->clear();
    Enter(editor);
    EXPECT_EQ(Cell(dialog, 0, 0), QString());
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(table.At(0).SWSBH, kA);
    EXPECT_EQ(Cell(dialog, 0, 0), kA);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(EnterpriseEditorTest, DownFromANewLastRowStoresItAndEscForgetsARefusedOne)
{
    TQYXXFrom dialog(table);
    ASSERT_TRUE(ShowActive(&dialog));
    auto *grid = Child<QTableView>(&dialog, "grdQYXX");
    Type(dialog, 0, 0, kA);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(table.Count(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 1);

    Type(dialog, 1, 0, QStringLiteral("1234"));
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(messages.last(), kInvalid);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    QTest::keyClick(grid, Qt::Key_Escape); // forgets the row in editing
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Cell(dialog, 1, 0), QString());
    QTest::keyClick(grid, Qt::Key_Escape); // now cancels
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(table.Rows(), (QList<Entry>{{kA, ""}}));
}

TEST_F(EnterpriseEditorTest, LongStoredNameIsNotCutByOpeningItsCell)
{
    const QString longName(130, QChar(0x540D));
    table.Load({{kA, longName}});
    TQYXXFrom dialog(table);
    ASSERT_TRUE(ShowActive(&dialog));
    auto *grid = Child<QTableView>(&dialog, "grdQYXX");
    grid->setCurrentIndex(grid->model()->index(0, 1));
    grid->edit(grid->currentIndex());
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), longName);
    Enter(editor);
    QTest::mouseClick(Child<QPushButton>(&dialog, "btnOK"), Qt::LeftButton);
    EXPECT_EQ(table.At(0).NSRMC, longName);
}

// ---- the picker ---------------------------------------------------------------

class EnterprisePickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table.Load({{kA, QStringLiteral("青岚机械制造有限公司")},
                    {kB, QStringLiteral("北辰商贸有限公司")},
                    {kC, QStringLiteral("南岭物流")}});
    }

    ScriptedMessages messages;
    TEnterpriseTable table;
};

TEST_F(EnterprisePickerTest, KeyboardPicksTheCurrentRow)
{
    TSelQYXXForm picker(table);
    ASSERT_TRUE(ShowActive(&picker));
    auto *search = Child<QLineEdit>(&picker, "edtSearch");
    EXPECT_EQ(QApplication::focusWidget(), search);
    QTest::keyClick(search, Qt::Key_Down);
    auto *grid = Child<QTableView>(&picker, "grdQYXX");
    EXPECT_EQ(QApplication::focusWidget(), grid);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(picker.Picked(), (Entry{kB, QStringLiteral("北辰商贸有限公司")}));
}

TEST_F(EnterprisePickerTest, SearchNarrowsOnlyThisPicker)
{
    std::optional<Entry> picked;
    WhenModal([](QWidget *modal) {
        auto *kind = Child<QToolButton>(modal, "btnSearchKind");
        EXPECT_EQ(kind->text(), QStringLiteral("税务识别号"));
        auto *byId = modal->findChild<QAction *>("miById");
        auto *byName = modal->findChild<QAction *>("miByName");
        ASSERT_TRUE(byId && byName);
        EXPECT_TRUE(byId->isChecked());
        byName->trigger();
        EXPECT_EQ(kind->text(), QStringLiteral("企业名称"));
        EXPECT_TRUE(byName->isChecked());
        EXPECT_FALSE(byId->isChecked());

        auto *search = Child<QLineEdit>(modal, "edtSearch");
        search->insert(QStringLiteral("商贸"));
        QTest::keyClick(search, Qt::Key_Return);
        auto *grid = Child<QTableView>(modal, "grdQYXX");
        EXPECT_EQ(grid->model()->rowCount(), 1);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
    });
    picked = PickEnterprise(nullptr, table, QRect(100, 100, 120, 22));
    EXPECT_EQ(picked, (Entry{kB, QStringLiteral("北辰商贸有限公司")}));

    // The next picker starts with every row; Esc returns nothing.
    WhenModal([](QWidget *modal) {
        EXPECT_EQ(modal->pos(), QPoint(40, 60));
        EXPECT_EQ(Child<QTableView>(modal, "grdQYXX")->model()->rowCount(), 3);
        EXPECT_EQ(Child<QToolButton>(modal, "btnSearchKind")->text(), QStringLiteral("税务识别号"));
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    EXPECT_EQ(PickEnterpriseAt(nullptr, table, QPoint(40, 60)), std::nullopt);
    EXPECT_EQ(table.Count(), 3);
}

TEST_F(EnterprisePickerTest, OkWithoutACurrentRowWarnsAndStaysOpen)
{
    TSelQYXXForm picker(table);
    ASSERT_TRUE(ShowActive(&picker));
    auto *search = Child<QLineEdit>(&picker, "edtSearch");
    QTest::keyClicks(search, QStringLiteral("ma3c")); // ids differing in case are not found
    QTest::mouseClick(Child<QPushButton>(&picker, "btnSearch"), Qt::LeftButton);
    EXPECT_EQ(Child<QTableView>(&picker, "grdQYXX")->model()->rowCount(), 0);

    QTest::mouseClick(Child<QPushButton>(&picker, "btnOK"), Qt::LeftButton);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().at(0).caption, QStringLiteral("系统警告"));
    EXPECT_EQ(messages.shown().at(0).text, QStringLiteral("请选择纳税人信息！"));
    EXPECT_EQ(messages.shown().at(0).flags, int(TMessageBox::WarningOk));
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(picker.Picked(), std::nullopt);

    QTest::mouseClick(Child<QPushButton>(&picker, "btnCancel"), Qt::LeftButton);
    EXPECT_EQ(picker.result(), QDialog::Rejected);
}

} // namespace
