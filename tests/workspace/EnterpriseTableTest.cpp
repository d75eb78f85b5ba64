#include "workspace/EnterpriseTable.h"

#include "../reportdata/ReportFixtures.h"
#include "CaseNames.h"

#include <gtest/gtest.h>

#include <functional>

using Entry = TEnterpriseList::Entry;

inline bool operator==(const Entry &a, const Entry &b) { return a.SWSBH == b.SWSBH && a.NSRMC == b.NSRMC; }
inline void PrintTo(const Entry &e, std::ostream *os) { *os << "(" << e.SWSBH.toStdString() << ", " << e.NSRMC.toStdString() << ")"; }

namespace {

using Kind = TRowCheck::Kind;

const QString kInvalid = QStringLiteral("纳税人识别号错误！必须是15位至20位0..9,A..Z,a-z的字符组成！");
QString Exists(const QString &id) { return QStringLiteral("当前税务识别号“") + id + QStringLiteral("”已存在！"); }

const QString kA = QStringLiteral("370212MA3C4D5E6F");
const QString kB = QStringLiteral("110101000000001");
const QString kC = QStringLiteral("44030019800101123X");

// ---- row checks --------------------------------------------------------------

struct RowCase {
    const char *name;
    QList<Entry> before;
    std::function<TRowCheck(TEnterpriseTable &)> change;
    Kind kind;
    QString message;
    QList<Entry> after;
};

class RowCheckTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(RowCheckTest, StoresOnlyRowsThatPassTheChecks)
{
    const RowCase &c = GetParam();
    TEnterpriseTable table;
    ASSERT_EQ(table.Load(c.before).kind, Kind::Stored);
    const TRowCheck check = c.change(table);
    EXPECT_EQ(check.kind, c.kind);
    EXPECT_EQ(check.message, c.message);
    EXPECT_EQ(table.Rows(), c.after);
}

const QList<Entry> kTwo{{kA, "青岚机械"}, {kB, "北辰商贸"}};

INSTANTIATE_TEST_SUITE_P(
    Table, RowCheckTest,
    ::testing::Values(
        RowCase{"EmptyIdDroppedSilently", kTwo, [](auto &t) { return t.Append("", "无号企业"); }, Kind::Dropped, {},
                kTwo},
        RowCase{"FourteenCharacterIdRefused", kTwo, [](auto &t) { return t.Append("37021200000000", "x"); },
                Kind::Refused, kInvalid, kTwo},
        RowCase{"TwentyOneCharacterIdRefused", {}, [](auto &t) { return t.Append("370212000000000000001", ""); },
                Kind::Refused, kInvalid, {}},
        RowCase{"DashRefused", {}, [](auto &t) { return t.Append("370212-00000000001", ""); }, Kind::Refused,
                kInvalid, {}},
        RowCase{"LowerCaseIdWithEmptyNameStored", {}, [](auto &t) { return t.Append("370212ma3c4d5e6f", ""); },
                Kind::Stored, {}, {{"370212ma3c4d5e6f", ""}}},
        RowCase{"DuplicateDifferingInCaseRefused", kTwo,
                [](auto &t) { return t.Append("370212ma3c4d5e6f", "另一家"); }, Kind::Refused,
                Exists("370212ma3c4d5e6f"), kTwo},
        RowCase{"InsertAtTheTop", kTwo, [](auto &t) { return t.Insert(0, kC, "南岭"); }, Kind::Stored, {},
                {{kC, "南岭"}, {kA, "青岚机械"}, {kB, "北辰商贸"}}},
        RowCase{"InsertDuplicateRefused", kTwo, [](auto &t) { return t.Insert(1, kB, ""); }, Kind::Refused,
                Exists(kB), kTwo},
        RowCase{"ReplaceKeepsItsOwnIdInOtherCase", kTwo,
                [](auto &t) { return t.Replace(0, "370212ma3c4d5e6f", "青岚重工"); }, Kind::Stored, {},
                {{"370212ma3c4d5e6f", "青岚重工"}, {kB, "北辰商贸"}}},
        RowCase{"ReplaceWithAnotherRowsIdRefused", kTwo, [](auto &t) { return t.Replace(1, kA, "x"); },
                Kind::Refused, Exists(kA), kTwo},
        RowCase{"ReplaceWithEmptyIdLeavesTheRow", kTwo, [](auto &t) { return t.Replace(0, "", "x"); },
                Kind::Dropped, {}, kTwo},
        RowCase{"DeletedIdIsFreeAgain", kTwo,
                [](auto &t) {
                    t.Delete(0);
                    return t.Append(kA.toLower(), "重新登记");
                },
                Kind::Stored, {}, {{kB, "北辰商贸"}, {kA.toLower(), "重新登记"}}},
        RowCase{"LongNameKeptWhole", {}, [](auto &t) { return t.Append(kC, QString(130, QChar(0x540D))); },
                Kind::Stored, {}, {{kC, QString(130, QChar(0x540D))}}}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

TEST(EnterpriseTableTest, LoadStopsAtTheFirstRefusedItem)
{
    TEnterpriseTable table;
    table.Append(kC, "先前的行");
    const TRowCheck invalid = table.Load({{kA, "甲"}, {"", "无号"}, {kB, "乙"}, {"1234", "坏"}, {kC, "丙"}});
    EXPECT_EQ(invalid.kind, Kind::Refused);
    EXPECT_EQ(invalid.message, kInvalid);
    EXPECT_EQ(table.Rows(), (QList<Entry>{{kA, "甲"}, {kB, "乙"}}));

    const TRowCheck duplicate = table.Load({{kA, "甲"}, {kA.toLower(), "甲2"}, {kB, "乙"}});
    EXPECT_EQ(duplicate.message, Exists(kA.toLower()));
    EXPECT_EQ(table.Rows(), (QList<Entry>{{kA, "甲"}}));

    EXPECT_EQ(table.Load({{kA, "甲"}, {"", ""}}).kind, Kind::Stored);
    EXPECT_EQ(table.Count(), 1);
}

TEST(EnterpriseTableTest, FindNameIsExactWhileIndexOfIgnoresCase)
{
    TEnterpriseTable table;
    table.Load({{kA, "青岚机械"}, {kB, ""}});
    EXPECT_EQ(table.FindName(kA), std::optional<QString>("青岚机械"));
    EXPECT_EQ(table.FindName(kA.toLower()), std::nullopt);
    EXPECT_EQ(table.FindName(kB), std::optional<QString>(""));
    EXPECT_EQ(table.FindName(""), std::nullopt);
    EXPECT_EQ(table.IndexOf(kA.toLower()), 0);
    EXPECT_EQ(table.IndexOf(kB), 1);
    EXPECT_EQ(table.IndexOf(kC), -1);
}

// ---- search ------------------------------------------------------------------

struct SearchCase {
    const char *name;
    TEnterpriseSearch kind;
    QString text;
    QList<int> rows;
};

class SearchRowsTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(SearchRowsTest, ContainsWithLetterCaseSignificant)
{
    TEnterpriseTable table;
    table.Load({{kA, "青岚机械制造有限公司"}, {kB, "北辰商贸有限公司"}, {kC, "Nanling Trading"}});
    EXPECT_EQ(SearchRows(table, GetParam().kind, GetParam().text), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Picker, SearchRowsTest,
    ::testing::Values(SearchCase{"NameFragmentInTheMiddle", TEnterpriseSearch::ByName, "机械制造", {0}},
                      SearchCase{"NameInEveryRow", TEnterpriseSearch::ByName, "有限公司", {0, 1}},
                      SearchCase{"NameOtherCaseNotFound", TEnterpriseSearch::ByName, "trading", {}},
                      SearchCase{"IdFragment", TEnterpriseSearch::ById, "0101", {1, 2}},
                      SearchCase{"IdOtherCaseNotFound", TEnterpriseSearch::ById, "ma3c", {}},
                      SearchCase{"IdDoesNotSearchNames", TEnterpriseSearch::ById, "北辰", {}},
                      SearchCase{"EmptyTextShowsNothing", TEnterpriseSearch::ByName, "", {}}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

// ---- placement ---------------------------------------------------------------

struct PlaceCase {
    const char *name;
    QRect editor;
    QSize picker;
    QRect workArea;
    QRect expected;
};

class PlacePickerTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlacePickerTest, StaysInsideTheWorkArea)
{
    const PlaceCase &c = GetParam();
    EXPECT_EQ(PlacePickerUnder(c.editor, c.picker, c.workArea), c.expected);
}

const QRect kArea(0, 0, 1000, 800);

INSTANTIATE_TEST_SUITE_P(
    Picker, PlacePickerTest,
    ::testing::Values(
        PlaceCase{"FitsUnderTheEditor", {100, 100, 80, 20}, {300, 200}, kArea, {100, 121, 300, 200}},
        PlaceCase{"WiderThanTheWorkArea", {100, 100, 80, 20}, {1200, 200}, kArea, {0, 121, 1000, 200}},
        PlaceCase{"RightEdgeOverflowMovesLeft", {900, 100, 80, 20}, {300, 200}, kArea, {700, 121, 300, 200}},
        PlaceCase{"LeftOfTheWorkAreaMovesRight", {50, 100, 80, 20}, {300, 200}, {100, 0, 1000, 800},
                  {100, 121, 300, 200}},
        PlaceCase{"SecondScreenRightEdge", {1750, 100, 80, 20}, {300, 200}, {1000, 0, 800, 600},
                  {1500, 121, 300, 200}},
        PlaceCase{"FlipsAboveWithMoreRoomThere", {100, 700, 80, 20}, {300, 200}, kArea, {100, 500, 300, 200}},
        PlaceCase{"BottomOvershootWithMoreRoomBelowIsCut", {100, 300, 80, 20}, {300, 600}, kArea,
                  {100, 321, 300, 479}},
        PlaceCase{"AboveButTallerThanTheRoomIsCutAtTheTop", {100, 500, 80, 20}, {300, 600}, kArea,
                  {100, 0, 300, 500}},
        PlaceCase{"JustFitsAtTheBottom", {100, 579, 80, 20}, {300, 200}, kArea, {100, 600, 300, 200}}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

// ---- report records ------------------------------------------------------------

TEST(EnterpriseTableTest, IdFieldsContainSwsbhInUpperCase)
{
    EXPECT_TRUE(IsIdField("SWSBH"));
    EXPECT_TRUE(IsIdField("GFSWSBH"));
    EXPECT_TRUE(IsIdField("SWSBH_2"));
    EXPECT_FALSE(IsIdField("gfswsbh"));
    EXPECT_FALSE(IsIdField("NSRMC"));
}

// A report of the given TEXT fields with one new record in the buffer.
class RecordTest : public fixtures::WorkspaceTest {
protected:
    TXmlDataSet &NewRecord(const QStringList &fields)
    {
        QString columns;
        for (const QString &field : fields)
            columns += fixtures::Column(field, "TEXT", "100");
        WriteDefinition("QY.xml", fixtures::Definition(columns));
        report_ = Open(WriteReport("QY200601.xml", fixtures::ReportXml("QY.xml", {}, fields)));
        report_->Append();
        return *report_;
    }

private:
    std::unique_ptr<TXmlDataSet> report_;
};

struct NameFieldCase {
    const char *name;
    QStringList fields;
    QString idField;
    QString nameField;
};

class NameFieldTest : public RecordTest, public ::testing::WithParamInterface<NameFieldCase> {};

TEST_P(NameFieldTest, PrefixThenNsrmcElseMc)
{
    const NameFieldCase &c = GetParam();
    EXPECT_EQ(NameFieldOf(NewRecord(c.fields), c.idField), c.nameField);
}

INSTANTIATE_TEST_SUITE_P(
    Records, NameFieldTest,
    ::testing::Values(NameFieldCase{"PrefixAndNsrmcBeforeMc", {"GFSWSBH", "GFMC", "GFNSRMC"}, "GFSWSBH", "GFNSRMC"},
                      NameFieldCase{"PrefixAndMc", {"XFSWSBH", "XFMC", "NSRMC"}, "XFSWSBH", "XFMC"},
                      NameFieldCase{"NoPrefix", {"SWSBH", "NSRMC"}, "SWSBH", "NSRMC"},
                      NameFieldCase{"NoPrefixMc", {"SWSBH", "MC"}, "SWSBH", "MC"},
                      NameFieldCase{"NeitherWithThePrefix", {"QTSWSBH", "NSRMC", "MC"}, "QTSWSBH", ""},
                      NameFieldCase{"TheReportsOwnSpelling", {"GFSWSBH", "gfNsrmc"}, "GFSWSBH", "gfNsrmc"}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

// Learning from a record of GF (id, name), XF (id, short name) and QT (id
// without a name field).
const QStringList kLearnFields{"GFSWSBH", "GFNSRMC", "XFSWSBH", "XFMC", "QTSWSBH", "JE"};

struct LearnCase {
    const char *name;
    QList<Entry> before;
    QStringList values; // in kLearnFields order
    QStringList columnOrder;
    std::optional<TGridFocus> focus;
    Kind kind;
    QString message;
    QList<Entry> after;
};

class LearnTest : public RecordTest, public ::testing::WithParamInterface<LearnCase> {};

TEST_P(LearnTest, AppendsNewPairsBeforeThePost)
{
    const LearnCase &c = GetParam();
    TXmlDataSet &report = NewRecord(kLearnFields);
    for (int i = 0; i < kLearnFields.size(); ++i)
        report.FieldByName(kLearnFields.at(i)).SetAsString(c.values.value(i));
    TEnterpriseTable table;
    table.Load(c.before);
    const TRowCheck check = LearnFromRecord(table, report, c.columnOrder, c.focus ? &*c.focus : nullptr);
    EXPECT_EQ(check.kind, c.kind);
    EXPECT_EQ(check.message, c.message);
    EXPECT_EQ(table.Rows(), c.after);
}

const QStringList kGfXf{"GFSWSBH", "GFNSRMC", "XFSWSBH", "XFMC"};
const TGridFocus kMoved{"北辰商贸", ""};

INSTANTIATE_TEST_SUITE_P(
    Records, LearnTest,
    ::testing::Values(
        LearnCase{"NewIdsAndNamesLearntInColumnOrder", {}, {kA, "青岚机械", kB, "北辰商贸"},
                  {"XFMC", "XFSWSBH", "GFSWSBH", "GFNSRMC"}, kMoved, Kind::Stored, {},
                  {{kB, "北辰商贸"}, {kA, "青岚机械"}}},
        LearnCase{"NoGridMeansNoFocusCheck", {}, {kA, "青岚机械"}, kGfXf, std::nullopt, Kind::Stored, {},
                  {{kA, "青岚机械"}}},
        LearnCase{"EmptyNameLearnsNothing", {}, {kA, "", kB, ""}, kGfXf, kMoved, Kind::Stored, {}, {}},
        LearnCase{"FourteenCharacterIdRefusesThePost", {}, {"37021200000000", "青岚机械", kB, "北辰商贸"}, kGfXf,
                  kMoved, Kind::Refused, kInvalid, {}},
        LearnCase{"ARefusedSecondPairLeavesTheFirstUnlearnt", {}, {kA, "青岚机械", "37021200000000", "北辰商贸"},
                  kGfXf, kMoved, Kind::Refused, kInvalid, {}},
        LearnCase{"FocusOnTheUnchangedIdStops", {}, {kA, "青岚机械"}, kGfXf, TGridFocus{kA, kA}, Kind::Stored, {},
                  {}},
        LearnCase{"IdColumnWithoutNameColumnStops", {}, {kA, "青岚机械", kB, "北辰商贸", kC},
                  {"GFSWSBH", "GFNSRMC", "QTSWSBH", "XFSWSBH", "XFMC"}, kMoved, Kind::Stored, {},
                  {{kA, "青岚机械"}}},
        LearnCase{"ListedIdKeepsItsListedName", {{kA, "旧名"}}, {kA, "新名"}, kGfXf, kMoved, Kind::Stored, {},
                  {{kA, "旧名"}}},
        LearnCase{"ListedInOtherCaseIsNotRefused", {{kA, "青岚机械"}}, {kA.toLower(), "青岚机械", kB, "北辰商贸"},
                  kGfXf, kMoved, Kind::Stored, {}, {{kA, "青岚机械"}, {kB, "北辰商贸"}}}),
    [](const auto &info) { return CaseName(info.index, info.param.name); });

} // namespace
