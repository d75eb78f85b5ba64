// The data grid over a real report: the footer row under its columns, edit
// and view modes, Enter, the date and text editors, check boxes and column
// layouts.

#include "components/ButtonLineEdit.h"
#include "components/FooterGrid.h"
#include "components/FooterStrip.h"
#include "reportdata/DataSetModel.h"
#include "reportdata/FooterRole.h"

#include "../reportdata/ReportFixtures.h"
#include "DialogDriver.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using namespace fixtures;

enum Column { kName, kQty, kPrice, kAmount, kDay, kPaid, kTotal };

class GridTest : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        QList<Rec> records;
        for (int i = 0; i < 30; ++i)
            records << Invoice(QStringLiteral("R%1").arg(i), i);
        report = Open(InvoiceReport(records));
        model = std::make_unique<TDataSetModel>(*report);
        model->SetFooter(kName, TDataSetModel::TFooterKind::Text, QStringLiteral("合计"));
        model->SetFooter(kQty, TDataSetModel::TFooterKind::Sum);
        model->SetFooter(kAmount, TDataSetModel::TFooterKind::Sum);
        grid = std::make_unique<TFooterGrid>();
        grid->resize(420, 300);
        grid->setModel(model.get());
        grid->SetColumnEditor(kName, TCellEditor::Text, 10);
        grid->SetColumnEditor(kDay, TCellEditor::Date);
        ASSERT_TRUE(ShowActive(grid.get()));
    }
    void TearDown() override
    {
        grid.reset();
        model.reset();
        report.reset();
    }

    QRect CellRect(int row, int column) const { return grid->visualRect(model->index(row, column)); }
    void Click(int row, int column, bool twice = false)
    {
        const QPoint at = CellRect(row, column).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        if (twice) // the widget variant sends the double click alone
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }
    QLineEdit *Editor() const { return qobject_cast<QLineEdit *>(grid->OpenEditor()); }
    // Where a column's header section starts, in footer strip coordinates.
    int HeaderLeft(int column) const
    {
        const QHeaderView *header = grid->horizontalHeader();
        return header->mapTo(grid.get(), QPoint(header->sectionViewportPosition(column), 0)).x()
               - grid->FooterStrip()->x();
    }

    std::unique_ptr<TXmlDataSet> report;
    std::unique_ptr<TDataSetModel> model;
    std::unique_ptr<TFooterGrid> grid;
};

} // namespace

// The strip sits between the rows and the horizontal scroll bar and draws
// each footer under its column: after a column is moved and resized, and
// after scrolling sideways, cell and header start at the same x.
TEST_F(GridTest, FooterFollowsColumns)
{
    const TFooterStrip *strip = grid->FooterStrip();
    EXPECT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->geometry().top(), grid->viewport()->geometry().bottom() + 1);
    EXPECT_EQ(strip->CellText(kQty), QStringLiteral("435"));
    EXPECT_EQ(strip->CellText(kName), QStringLiteral("合计"));
    EXPECT_EQ(strip->CellRect(kQty).left(), HeaderLeft(kQty));

    grid->horizontalHeader()->moveSection(grid->horizontalHeader()->visualIndex(kAmount), 0);
    grid->horizontalHeader()->resizeSection(kAmount, 150);
    EXPECT_EQ(strip->CellRect(kAmount).left(), HeaderLeft(kAmount));
    EXPECT_EQ(strip->CellRect(kAmount).width(), 150);
    EXPECT_EQ(strip->CellRect(kQty).left(), HeaderLeft(kQty));

    ASSERT_GT(grid->horizontalScrollBar()->maximum(), 0);
    grid->horizontalScrollBar()->setValue(60);
    EXPECT_EQ(strip->CellRect(kQty).left(), HeaderLeft(kQty));
    EXPECT_EQ(strip->CellRect(kQty).width(), grid->columnWidth(kQty));

    // The last row can be scrolled fully into view above the strip.
    grid->scrollToBottom();
    EXPECT_LE(CellRect(29, kQty).bottom(), grid->viewport()->height());

    grid->grab().save(QStringLiteral("/tmp/footer-grid.png"));
}

// Enter moves along the visual columns and on to the next row, without an
// editor and from one (committing it first).
TEST_F(GridTest, EnterMovesToTheNextCell)
{
    QHeaderView *header = grid->horizontalHeader();
    header->moveSection(header->visualIndex(kTotal), 0); // TOTAL first, PAID last
    grid->setCurrentIndex(model->index(0, kPaid));
    QTest::keyClick(grid.get(), Qt::Key_Return);
    EXPECT_EQ(grid->currentIndex(), model->index(1, kTotal));
    QTest::keyClick(grid.get(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(grid->currentIndex(), model->index(1, kName));

    QTest::keyClick(grid.get(), Qt::Key_X); // typing starts editing
    ASSERT_NE(Editor(), nullptr);
    QTest::keyClick(Editor(), Qt::Key_Y);
    QTest::keyClick(Editor(), Qt::Key_Return);
    EXPECT_EQ(grid->currentIndex(), model->index(1, kQty));
    EXPECT_EQ(model->index(1, kName).data().toString(), QStringLiteral("xy"));
}

// View mode: whole rows selected, no editor by typing, F2 or a double click,
// check boxes stay as they are; the double click is still told.
TEST_F(GridTest, ViewModeRefusesEditing)
{
    grid->SetViewMode(true);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QSignalSpy doubleClicks(grid.get(), &QAbstractItemView::doubleClicked);
    Click(2, kQty, true);
    EXPECT_EQ(grid->OpenEditor(), nullptr);
    EXPECT_EQ(doubleClicks.count(), 1);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(2, QModelIndex()));
    QTest::keyClicks(grid.get(), "5");
    QTest::keyClick(grid.get(), Qt::Key_F2);
    EXPECT_EQ(grid->OpenEditor(), nullptr);
    Click(2, kPaid);
    QTest::keyClick(grid.get(), Qt::Key_Space);
    EXPECT_EQ(model->index(2, kPaid).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    QSignalSpy pastes(grid.get(), &TFooterGrid::PasteRequested);
    QTest::keyClick(grid.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(pastes.count(), 0);

    grid->SetViewMode(false);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectItems);
    Click(3, kPaid);
    EXPECT_EQ(model->index(3, kPaid).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    QTest::keyClick(grid.get(), Qt::Key_Space);
    EXPECT_EQ(model->index(3, kPaid).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    QTest::keyClick(grid.get(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(pastes.count(), 1);
    Click(2, kQty, true);
    EXPECT_NE(grid->OpenEditor(), nullptr);
    grid->grab().save(QStringLiteral("/tmp/footer-grid-edit.png"));
    grid->SetViewMode(true);
    grid->scrollTo(model->index(3, kTotal));
    grid->grab().save(QStringLiteral("/tmp/footer-grid-view.png"));
}

// The date editor shows yyyy-MM-dd under its mask, keeps itself open on
// Enter while its text is no date, and commits a date.
TEST_F(GridTest, DateEditorRefusesWhatIsNoDate)
{
    grid->setCurrentIndex(model->index(0, kDay));
    QTest::keyClick(grid.get(), Qt::Key_F2);
    QLineEdit *edit = Editor();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("2006-01-31"));
    EXPECT_EQ(edit->inputMask(), QStringLiteral("0000-99-99;_"));
    edit->selectAll();
    QTest::keyClicks(edit, "20061345");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(grid->OpenEditor(), edit) << "the editor stays open";
    EXPECT_EQ(model->index(0, kDay).data(Qt::EditRole).toDate(), QDate(2006, 1, 31));
    edit->selectAll();
    QTest::keyClicks(edit, "20070228");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(grid->OpenEditor(), nullptr);
    EXPECT_EQ(model->index(0, kDay).data(Qt::EditRole).toDate(), QDate(2007, 2, 28));
    EXPECT_EQ(model->index(0, kDay).data().toString(), QStringLiteral("2007-02-28"));
}

// A Text editor takes no more GBK bytes than the field holds.
TEST_F(GridTest, TextEditorLimitsGbkBytes)
{
    grid->setCurrentIndex(model->index(0, kName));
    QTest::keyClick(grid.get(), Qt::Key_F2);
    QLineEdit *edit = Editor();
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    for (const QChar c : QStringLiteral("纳税人识别号码"))
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("纳税人识别"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(model->index(0, kName).data().toString(), QStringLiteral("纳税人识别"));
}

// The drop-down button of a ButtonEdit cell, and F4 in it, tell the window
// which cell and editor; the picked text goes into the editor.
TEST_F(GridTest, ButtonEditTellsTheWindow)
{
    grid->SetColumnEditor(kName, TCellEditor::ButtonEdit, 10);
    QSignalSpy buttons(grid.get(), &TFooterGrid::ButtonClicked);
    grid->setCurrentIndex(model->index(4, kName));
    QTest::keyClick(grid.get(), Qt::Key_F2);
    auto *edit = qobject_cast<TButtonLineEdit *>(grid->OpenEditor());
    ASSERT_NE(edit, nullptr);
    QTest::mouseClick(edit->Button(), Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_F4);
    ASSERT_EQ(buttons.count(), 2);
    EXPECT_EQ(buttons.at(0).at(0).value<QModelIndex>(), model->index(4, kName));
    EXPECT_EQ(buttons.at(0).at(1).value<QWidget *>(), edit);
    grid->SetEditorText(QStringLiteral("110101"));
    grid->grab().save(QStringLiteral("/tmp/footer-grid-button.png"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(model->index(4, kName).data().toString(), QStringLiteral("110101"));
}

// With the option on, the editor opens when a cell becomes current.
TEST_F(GridTest, AlwaysShowEditor)
{
    grid->SetAlwaysShowEditor(true);
    grid->setCurrentIndex(model->index(1, kQty));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), QStringLiteral("1"));
    grid->SetViewMode(true);
    EXPECT_EQ(grid->OpenEditor(), nullptr);
    grid->setCurrentIndex(model->index(2, kQty));
    EXPECT_EQ(grid->OpenEditor(), nullptr);
}

// A captured layout restores order, widths and the sort marker on a grid
// whose schema gained a column (it follows the restored ones) and lost
// another (skipped); fields match whatever their letter case.
TEST(FooterGridLayout, RoundTripWithAGainedColumn)
{
    const auto makeModel = [](const QStringList &fields) {
        auto *model = new QStandardItemModel(3, int(fields.size()));
        for (int c = 0; c < fields.size(); ++c) {
            model->setHeaderData(c, Qt::Horizontal, fields[c]);
            model->setHeaderData(c, Qt::Horizontal, fields[c], kFieldNameRole);
        }
        return model;
    };
    std::unique_ptr<QStandardItemModel> before(makeModel({"FPDM", "FPHM", "JE", "SE"}));
    TFooterGrid first;
    first.setModel(before.get());
    QHeaderView *header = first.horizontalHeader();
    header->moveSection(header->visualIndex(3), 0); // SE FPDM FPHM JE
    header->resizeSection(2, 123);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(1, Qt::DescendingOrder);
    const std::vector<TColumnLayout> layout = first.CaptureLayout();
    ASSERT_EQ(layout.size(), 4u);
    EXPECT_EQ(layout[0].field, QStringLiteral("SE"));
    EXPECT_EQ(layout[3].width, 123);
    EXPECT_EQ(layout[2].sortOrder, 2);

    // FPHM is gone, "Bz" is new, "je" changed its case.
    std::unique_ptr<QStandardItemModel> after(makeModel({"Bz", "fpdm", "je", "SE"}));
    TFooterGrid second;
    second.setModel(after.get());
    second.ApplyLayout(layout);
    const QHeaderView *restored = second.horizontalHeader();
    EXPECT_EQ(restored->logicalIndex(0), 3); // SE
    EXPECT_EQ(restored->logicalIndex(1), 1); // fpdm
    EXPECT_EQ(restored->logicalIndex(2), 2); // je
    EXPECT_EQ(restored->logicalIndex(3), 0); // Bz after the restored columns
    EXPECT_EQ(restored->sectionSize(2), 123);
    EXPECT_FALSE(restored->isSortIndicatorShown()) << "the sorted column is gone";
    EXPECT_EQ(after->rowCount(), 3);

    second.ApplyLayout({{QStringLiteral("JE"), 0, 90, 1}});
    EXPECT_TRUE(restored->isSortIndicatorShown());
    EXPECT_EQ(restored->sortIndicatorSection(), 2);
    EXPECT_EQ(restored->sortIndicatorOrder(), Qt::AscendingOrder);
}
