// Footer sums: the running totals helper on a plain table, and the report
// model's footers over a real report, kept up by posts, edits and deletes.

#include "reportdata/ColumnSums.h"
#include "reportdata/DataSetModel.h"
#include "reportdata/FooterRole.h"

#include "../reportdata/ReportFixtures.h"
#include "CaseNames.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// A table of one column held in a vector, told to the sums as a model would.
struct Table {
    std::vector<QVariant> cells;
    TColumnSums sums{[this](int row, int) { return cells.at(size_t(row)); }};

    void Insert(int row, const QVariant &value)
    {
        cells.insert(cells.begin() + row, value);
        sums.RowsInserted(row, row);
    }
    void Remove(int row)
    {
        cells.erase(cells.begin() + row);
        sums.RowsRemoved(row, row);
    }
    void Change(int row, const QVariant &value)
    {
        cells[size_t(row)] = value;
        sums.RowsChanged(row, row, 0);
    }
};

} // namespace

// FLOAT totals are exact: tenths add up without binary noise, and a large
// value added and taken away again leaves nothing behind.
TEST(ColumnSums, FloatTotalsHaveNoBinaryNoise)
{
    Table t;
    t.sums.AddColumn(0, TFieldType::Float, 0);
    EXPECT_EQ(t.sums.Text(0), QStringLiteral("0"));
    t.Insert(0, 0.1);
    t.Insert(1, 0.2);
    EXPECT_EQ(t.sums.Text(0), QStringLiteral("0.3"));
    t.Insert(0, 1e15);
    for (int i = 0; i < 1000; ++i)
        t.Change(0, i % 2 ? 1e15 : 123456.789);
    t.Remove(0);
    EXPECT_EQ(t.sums.Text(0), QStringLiteral("0.3"));
    for (int i = 0; i < 10; ++i)
        t.Insert(0, 0.1);
    EXPECT_EQ(t.sums.Text(0), QStringLiteral("1.3"));
    t.Change(0, -1.3);
    EXPECT_EQ(t.sums.Text(0), QStringLiteral("-0.1"));
}

struct SumCase {
    const char *name;
    TFieldType type;
    std::vector<QVariant> cells;
    QString expected;
};

class ColumnSumText : public ::testing::TestWithParam<SumCase> {};

TEST_P(ColumnSumText, ByType)
{
    const SumCase &c = GetParam();
    Table t;
    t.cells = c.cells;
    t.sums.AddColumn(0, c.type, int(c.cells.size()));
    EXPECT_EQ(t.sums.Text(0), c.expected);
    // Kept up row by row, the total is the same as computed at once.
    Table kept;
    kept.sums.AddColumn(0, c.type, 0);
    for (size_t i = 0; i < c.cells.size(); ++i)
        kept.Insert(int(i), c.cells[i]);
    EXPECT_EQ(kept.sums.Text(0), c.expected);
    while (!kept.cells.empty())
        kept.Remove(0);
    const bool summable = c.type != TFieldType::Date && c.type != TFieldType::Boolean;
    EXPECT_EQ(kept.sums.Text(0), !summable                          ? QString()
                                 : c.type == TFieldType::Currency ? QStringLiteral("0.00")
                                                                  : QStringLiteral("0"));
}

const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnSumText,
    ::testing::Values(
        SumCase{"integer", TFieldType::Integer, {5, -2, 2147483647, 2147483647}, QStringLiteral("4294967297")},
        SumCase{"currency two decimals", TFieldType::Currency, {10.25, 0.25, 2.0}, QStringLiteral("12.50")},
        SumCase{"currency rounded as stored", TFieldType::Currency, {12.345, -0.004}, QStringLiteral("12.35")},
        SumCase{"negative currency", TFieldType::Currency, {-0.05}, QStringLiteral("-0.05")},
        SumCase{"float general format", TFieldType::Float, {1.5, 2.25, 1e20}, QStringLiteral("1E20")},
        SumCase{"numeric text", TFieldType::Text, {QStringLiteral(" 1.5 "), QStringLiteral("abc"), QString()},
                QStringLiteral("1.5")},
        SumCase{"unreadable cell counts nothing", TFieldType::Float, {QVariant(), QStringLiteral("x"), 2.0},
                QStringLiteral("2")},
        SumCase{"not a number", TFieldType::Float, {1.0, kNan}, QStringLiteral("NAN")},
        SumCase{"infinite", TFieldType::Float, {1.0, kInf}, QStringLiteral("INF")},
        SumCase{"date has no sum", TFieldType::Date, {QDate(2006, 1, 31)}, QString()},
        SumCase{"boolean has no sum", TFieldType::Boolean, {true}, QString()}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

// ---------------------------------------------------------------- model footers

namespace {

using namespace fixtures;

class FooterModel : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        report = Open(InvoiceReport({Invoice(QStringLiteral("A"), 2), Invoice(QStringLiteral("B"), 3)}));
        model = std::make_unique<TDataSetModel>(*report);
        model->SetFooter(0, TDataSetModel::TFooterKind::Text, QStringLiteral("合计"));
        model->SetFooter(1, TDataSetModel::TFooterKind::Sum);
        model->SetFooter(3, TDataSetModel::TFooterKind::Sum);
    }
    QString Footer(int column) const { return model->headerData(column, Qt::Horizontal, kFooterRole).toString(); }

    std::unique_ptr<TXmlDataSet> report;
    std::unique_ptr<TDataSetModel> model;
};

} // namespace

// Sums follow posts, deletes and the row being edited (with the values it
// shows, back to the stored ones on cancel); views are told when a footer
// text changed and only then.
TEST_F(FooterModel, SumsFollowPostsEditsAndDeletes)
{
    EXPECT_EQ(Footer(0), QStringLiteral("合计"));
    EXPECT_EQ(Footer(1), QStringLiteral("5"));
    EXPECT_EQ(Footer(2), QString());
    EXPECT_EQ(Footer(3), QStringLiteral("20.50"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, kFieldNameRole).toString(), QStringLiteral("QTY"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, kFooterAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);

    std::vector<int> told; // columns whose footer views were told about
    std::vector<std::pair<int, int>> rowsTold; // row headers views were told about
    QObject::connect(model.get(), &QAbstractItemModel::headerDataChanged,
                     [&](Qt::Orientation orientation, int first, int last) {
                         if (orientation == Qt::Horizontal && first == last)
                             told.push_back(first);
                         if (orientation == Qt::Vertical)
                             rowsTold.emplace_back(first, last);
                     });
    report->Append();
    EXPECT_TRUE(told.empty()) << "a new record of zeros changes no total";
    // Only the new row's header changed (to "*"), not every row's.
    EXPECT_EQ(rowsTold, (std::vector<std::pair<int, int>>{{2, 2}}));
    ASSERT_TRUE(model->setData(model->index(2, 1), 10));
    EXPECT_EQ(Footer(1), QStringLiteral("15"));
    EXPECT_EQ(told, std::vector<int>{1});
    ASSERT_TRUE(model->setData(model->index(2, 3), QStringLiteral("0.1")));
    report->Post();
    EXPECT_EQ(Footer(1), QStringLiteral("15"));
    EXPECT_EQ(Footer(3), QStringLiteral("20.60"));

    // An insert in the middle is stored at the end: the totals stay right.
    report->SetRecNo(1);
    report->Insert();
    ASSERT_TRUE(model->setData(model->index(0, 1), 100));
    report->Post();
    EXPECT_EQ(Footer(1), QStringLiteral("115"));

    report->SetRecNo(1);
    ASSERT_TRUE(model->setData(model->index(0, 1), 7));
    EXPECT_EQ(Footer(1), QStringLiteral("120"));
    report->Cancel();
    EXPECT_EQ(Footer(1), QStringLiteral("115"));

    report->SetRecNo(4);
    report->Delete();
    EXPECT_EQ(Footer(1), QStringLiteral("15"));
    report->First();
    while (!report->IsEmpty())
        report->Delete();
    EXPECT_EQ(Footer(1), QStringLiteral("0"));
    EXPECT_EQ(Footer(3), QStringLiteral("0.00"));

    model->SetFooter(1, TDataSetModel::TFooterKind::None);
    EXPECT_EQ(Footer(1), QString());
    model->ClearFooters();
    EXPECT_EQ(Footer(0), QString());
}

// Closing and opening the report again computes the totals afresh.
TEST_F(FooterModel, ResetComputesAgain)
{
    report->SetRecNo(1);
    report->Edit();
    report->FieldByName(QStringLiteral("QTY")).SetAsInteger(40);
    report->Post();
    report->Close();
    EXPECT_EQ(model->columnCount(), 0);
    report->Open();
    EXPECT_EQ(Footer(1), QStringLiteral("43"));
}
