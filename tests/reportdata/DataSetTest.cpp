#include "FakeScript.h"
#include "ReportFixtures.h"

#include "app/utils/Errors.h"
#include "app/utils/Utils.h"
#include "reportdata/HashFunc.h"
#include "reportdata/ReportDocument.h"
#include "reportdata/ScriptArguments.h"

#include "CaseNames.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

QList<Rec> Invoices(const QStringList &names)
{
    QList<Rec> records;
    int qty = 0;
    for (const QString &name : names)
        records << Invoice(name, ++qty);
    return records;
}

// The stored records of a report file, read the way another program would.
struct Stored {
    int recordCount = 0; // the attribute
    QStringList pkids;
    QStringList names;
    QList<QStringList> values;
};

Stored ReadStored(const QString &path)
{
    TReportDocument document;
    document.Load(path);
    Stored stored;
    TXMLYSFPType ysfp = document.YSFP();
    stored.recordCount = ysfp.RecordCount();
    for (const TXMLRECType &rec : ysfp.Items()) {
        stored.pkids << rec.PKID();
        stored.names << rec.FindChild("NAME").Text();
        QStringList values;
        for (const QString &field : InvoiceFields())
            values << rec.FindChild(field.toUtf8().constData()).Text();
        stored.values << values;
    }
    return stored;
}

class DataSetTest : public WorkspaceTest {};

TEST_F(DataSetTest, EmptyReportOpensWithoutRecords)
{
    auto ds = Open(InvoiceReport({}));
    EXPECT_TRUE(ds->Active());
    EXPECT_EQ(ds->State(), TDataSetState::Browse);
    EXPECT_EQ(ds->RecNo(), 0);
    EXPECT_EQ(ds->RecordCount(), 0);
    EXPECT_TRUE(ds->Bof());
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->FieldCount(), 7);
    EXPECT_EQ(ds->FieldByName("qty").FieldNo(), 2);
    EXPECT_EQ(ds->FieldByName("NAME").DisplayLabel(), "名称");
    EXPECT_EQ(ds->FindField("NOPE"), nullptr);
    try {
        ds->FieldByName("NOPE");
        FAIL();
    } catch (const TUserError &error) {
        EXPECT_TRUE(error.Message().contains("NOPE"));
    }
    EXPECT_EQ(ds->PayerCode(), "110101000000001");
    EXPECT_EQ(ds->StructFileName(), "INVOICE.xml");
}

TEST_F(DataSetTest, AppendToEmptyWritesANewRecordWithDefaultsAndAGuid)
{
    const QString path = InvoiceReport({});
    auto ds = Open(path);
    ds->Append();
    EXPECT_EQ(ds->State(), TDataSetState::Insert);
    EXPECT_EQ(ds->RecNo(), 1);
    ds->FieldByName("NAME").SetAsString("first");
    ds->Post();
    EXPECT_EQ(ds->State(), TDataSetState::Browse);
    EXPECT_EQ(ds->RecNo(), 1);
    EXPECT_EQ(ds->RecordCount(), 1);
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "first");
    ds->Close();

    const Stored stored = ReadStored(path);
    EXPECT_EQ(stored.recordCount, 1);
    ASSERT_EQ(stored.pkids.size(), 1);
    EXPECT_EQ(stored.pkids[0].size(), 38);
    EXPECT_EQ(stored.values[0], QStringList({"first", "0", "0", "0", "1900-01-01", "False", "0"}));
}

TEST_F(DataSetTest, InsertInTheMiddleIsStoredLastAndThePreviousRecordIsCurrentAgain)
{
    const QString path = InvoiceReport(Invoices({"A", "B", "C", "D", "E"}));
    auto ds = Open(path);
    ds->SetRecNo(3);
    ds->Insert();
    EXPECT_EQ(ds->RecNo(), 3);
    ds->FieldByName("NAME").SetAsString("X");
    ds->Post();
    EXPECT_EQ(ds->RecordCount(), 6);
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "C");

    ds->First();
    ds->Insert(); // before the first record
    ds->FieldByName("NAME").SetAsString("Y");
    ds->Post();
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "A");
    ds->Close();
    EXPECT_EQ(ReadStored(path).names, QStringList({"A", "B", "C", "D", "E", "X", "Y"}));
    EXPECT_EQ(ReadStored(path).recordCount, 7);
}

TEST_F(DataSetTest, DeleteMovesBackFromTheEnd)
{
    const QString path = InvoiceReport(Invoices({"A", "B", "C"}));
    auto ds = Open(path);
    ds->Last();
    ds->Delete();
    EXPECT_EQ(ds->RecordCount(), 2);
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "B");
    ds->First();
    ds->Delete();
    EXPECT_EQ(ds->RecNo(), 1);
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "B");
    ds->Delete(); // the only record
    EXPECT_EQ(ds->RecordCount(), 0);
    EXPECT_EQ(ds->RecNo(), 0);
    EXPECT_TRUE(ds->Eof());
    try {
        ds->Delete();
        FAIL();
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), "数据表记录为空!");
    }
    ds->Close();
    EXPECT_EQ(ReadStored(path).recordCount, 0);
    EXPECT_TRUE(ReadStored(path).names.isEmpty());
}

TEST_F(DataSetTest, NavigationFlagsAndBookmarks)
{
    auto ds = Open(InvoiceReport(Invoices({"A", "B", "C"})));
    EXPECT_TRUE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
    int scrolls = 0;
    ds->AfterScroll = [&scrolls](TXmlDataSet &) { ++scrolls; };
    ds->Next();
    ds->Next();
    EXPECT_EQ(ds->RecNo(), 3);
    const TBookmark third = ds->GetBookmark();
    ds->Next();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(scrolls, 2);
    ds->First();
    ds->Prior();
    EXPECT_TRUE(ds->Bof());
    ds->GotoBookmark(third);
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "C");
    EXPECT_THROW(ds->GotoBookmark(7), TUserError);
    ds->SetRecNo(9); // ignored
    EXPECT_EQ(ds->RecNo(), 3);
    ds->SetRecNo(0);
    EXPECT_EQ(ds->RecNo(), 1);
}

struct LocateCase {
    const char *names;
    QVariant value;
    TLocateOptions options;
    bool found;
    int recNo; // current afterwards
};

void PrintTo(const LocateCase &c, std::ostream *os)
{
    *os << c.names << " = " << c.value.toString().toStdString() << (c.found ? ", found at " : ", missing, then at ") << c.recNo;
}

class LocateTest : public WorkspaceTest, public ::testing::WithParamInterface<LocateCase> {};

TEST_P(LocateTest, FindsTheFirstMatchOrLeavesTheLastRecordCurrent)
{
    const LocateCase &c = GetParam();
    auto ds = Open(InvoiceReport({Invoice("xyz", 1), Invoice("ABC", 2), Invoice("abd", 3), Invoice("last", 2)}));
    ds->SetRecNo(1);
    EXPECT_EQ(ds->Locate(QString::fromUtf8(c.names), c.value, c.options), c.found);
    EXPECT_EQ(ds->RecNo(), c.recNo);
}

INSTANTIATE_TEST_SUITE_P(
    Matching, LocateTest,
    ::testing::Values(
        LocateCase{"NAME", QVariant("abc"), {true, false}, true, 2},
        LocateCase{"NAME", QVariant("abc"), {false, false}, false, 4},
        LocateCase{"NAME", QVariant("ab"), {false, true}, true, 3},
        LocateCase{"NAME", QVariant("AB"), {true, true}, true, 2},
        LocateCase{"NAME", QVariant("ab"), {false, false}, false, 4},
        LocateCase{"QTY", QVariant(2), {}, true, 2},
        LocateCase{"QTY", QVariant("3"), {}, true, 3},
        LocateCase{"qty", QVariant(2.5), {}, false, 4},
        LocateCase{"PAID", QVariant("false"), {true, false}, true, 1},
        LocateCase{"DAY", QVariant("2006-01-31"), {}, true, 1},
        LocateCase{"NAME;QTY", QVariant(QVariantList{"last", 2}), {}, true, 4},
        LocateCase{"NAME;QTY", QVariant(QVariantList{"ABC", 3}), {}, false, 4},
        LocateCase{"  ", QVariant("abc"), {}, false, 1}),
    [](const auto &info) { return CaseName(info.index, std::string(info.param.names) + (info.param.found ? "_found" : "_missing")); });

TEST_F(DataSetTest, LocateRefusesUnknownFieldsAndUnconvertibleValuesWithoutMoving)
{
    auto ds = Open(InvoiceReport(Invoices({"A", "B"})));
    EXPECT_THROW(ds->Locate("NOPE", QVariant("A")), TUserError);
    EXPECT_THROW(ds->Locate("QTY", QVariant("many")), TConversionError);
    EXPECT_EQ(ds->RecNo(), 1);
}

TEST_F(DataSetTest, RepeatedPkidStopsTheOpenOfAKeyedReport)
{
    auto ds = std::make_unique<TXmlDataSet>();
    ds->SetFileName(InvoiceReport({Invoice("A", 1, "0000ABCD"), Invoice("B", 2, "0000abcd")}, "NAME"));
    try {
        ds->Open();
        FAIL();
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), "系统发生关键字冲突,请检查记录是否已存在!");
    }
    EXPECT_FALSE(ds->Active());
    EXPECT_EQ(ds->FieldCount(), 0);

    // Without key fields the same records open.
    auto plain = Open(InvoiceReport({Invoice("A", 1, "0000ABCD"), Invoice("B", 2, "0000abcd")}));
    EXPECT_EQ(plain->RecordCount(), 2);
}

TEST_F(DataSetTest, KeyedPostsUseDigestsAndRefuseDuplicates)
{
    const QString path = InvoiceReport({Invoice("OLD", 1, "{OLD-GUID}")}, " NAME ; QTY ");
    auto ds = Open(path);
    EXPECT_EQ(ds->KeyFields(), "NAME ; QTY");
    EXPECT_EQ(ds->KeyList().Count(), 1);

    ds->AppendRecord({"A", 1});
    EXPECT_EQ(ds->KeyList().Last(), HashKeyText("A1"));
    ds->AppendRecord({"B", 2});
    EXPECT_EQ(ds->KeyList().Count(), 3);

    ds->Append();
    ds->FieldByName("NAME").SetAsString("A");
    ds->FieldByName("QTY").SetAsInteger(1);
    try {
        ds->Post();
        FAIL();
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), "您录入了重复数据,请检查!(数据项重复)");
    }
    EXPECT_EQ(ds->State(), TDataSetState::Insert);
    EXPECT_EQ(ds->KeyList().Count(), 3);
    ds->Cancel();

    ds->SetRecNo(3); // B2: changing its key to A1 collides with record 2
    ds->Edit();
    ds->FieldByName("NAME").SetAsString("A");
    ds->FieldByName("QTY").SetAsInteger(1);
    EXPECT_THROW(ds->Post(), TUserError);
    EXPECT_EQ(ds->KeyList().Get(2), HashKeyText("B2"));
    ds->FieldByName("QTY").SetAsInteger(5);
    ds->Post();
    EXPECT_EQ(ds->KeyList().Get(2), HashKeyText("A5"));

    ds->SetRecNo(1); // the old record keeps its identifier until its key is posted
    ds->Edit();
    ds->FieldByName("PRICE").SetAsFloat(2);
    ds->Post();
    ds->Close();
    const Stored stored = ReadStored(path);
    EXPECT_EQ(stored.pkids, QStringList({HashKeyText("OLD1"), HashKeyText("A1"), HashKeyText("A5")}));
}

TEST_F(DataSetTest, KeyTextUsesTheStoredForms)
{
    WriteDefinition("K.xml", Definition(InvoiceColumns(), "NAME;QTY;PRICE;AMOUNT;DAY;PAID"));
    auto ds = Open(WriteReport("K200601.xml", ReportXml("K.xml", {})));
    ds->Append();
    ds->FieldByName("NAME").SetAsString(" a ");
    ds->FieldByName("QTY").SetAsInteger(-3);
    ds->FieldByName("PRICE").SetAsFloat(1e-6);
    ds->FieldByName("AMOUNT").SetAsCurrency(12.345);
    ds->FieldByName("DAY").SetAsDate(QDate(2006, 1, 31));
    ds->FieldByName("PAID").SetAsBoolean(true);
    EXPECT_EQ(ds->KeyText(), " a -31E-612.352006-01-31True");
    EXPECT_EQ(ds->KeyDigest(), HashKeyText(ds->KeyText()));
}

TEST_F(DataSetTest, ValidationThatFillsTheKeyListIsNotRepeatedAndAFailedPostPutsItBack)
{
    auto ds = Open(InvoiceReport(Invoices({"A"}), "NAME"));
    ds->BeforePost = [](TXmlDataSet &d) {
        if (d.State() == TDataSetState::Insert)
            d.KeyList().Add(d.KeyDigest());
        else
            d.KeyList().Put(d.RecNo() - 1, d.KeyDigest());
        if (d.FieldByName("QTY").AsInteger() == 13)
            throw TUserError("refused after the key list changed");
    };
    ds->AppendRecord({"B", 2});
    EXPECT_EQ(ds->KeyList().Count(), 2);

    ds->Append();
    ds->FieldByName("NAME").SetAsString("C");
    ds->FieldByName("QTY").SetAsInteger(13);
    EXPECT_THROW(ds->Post(), TUserError);
    EXPECT_EQ(ds->KeyList().Count(), 2);
    ds->FieldByName("QTY").SetAsInteger(3);
    ds->Post(); // no false duplicate
    EXPECT_EQ(ds->KeyList().Count(), 3);

    ds->SetRecNo(1);
    ds->Edit();
    ds->FieldByName("NAME").SetAsString("Z");
    ds->FieldByName("QTY").SetAsInteger(13);
    EXPECT_THROW(ds->Post(), TUserError);
    EXPECT_EQ(ds->KeyList().Get(0), "{ID-A}");
}

TEST_F(DataSetTest, AKeyFieldThatIsNoFieldFailsTheFirstPost)
{
    auto ds = Open(InvoiceReport({}, "NAME;MISSING"));
    ds->Append();
    try {
        ds->Post();
        FAIL();
    } catch (const TUserError &error) {
        EXPECT_TRUE(error.Message().contains("MISSING"));
    }
    EXPECT_EQ(ds->KeyList().Count(), 0);
}

TEST_F(DataSetTest, ComputedValueRuleSetsItsTarget)
{
    FakeScript script;
    script.answer = [](const QString &, const QVariantList &args) { return QVariant(args.at(3).toInt() * 2.5); };
    auto ds = std::make_unique<TXmlDataSet>();
    ds->SetFileName(InvoiceReport(Invoices({"A"}), QString(), " TOTAL = CalcTotal "));
    ds->SetAccMonth("200602");
    ds->SetScriptEngine(&script);
    ds->Open();
    ds->Edit();
    ds->FieldByName("QTY").SetAsInteger(4);
    EXPECT_DOUBLE_EQ(ds->FieldByName("TOTAL").AsFloat(), 10.0);
    ASSERT_EQ(script.calls.size(), 1);
    EXPECT_EQ(script.calls[0].first, "CalcTotal");
    const QVariantList &args = script.calls[0].second;
    ASSERT_EQ(args.size(), 2 + 7);
    EXPECT_EQ(args[0].toDateTime(), QDateTime(QDate(2006, 2, 28), QTime(23, 59, 59, 999)));
    EXPECT_EQ(args[1], QVariant(1));
    EXPECT_EQ(args[3], QVariant(4)); // the unposted value

    // Other fields do not run the rule; a failing script leaves the record as it was.
    ds->FieldByName("PRICE").SetAsFloat(1);
    EXPECT_EQ(script.calls.size(), 1);
    for (const auto &failure : std::vector<std::function<QVariant()>>{
             [] () -> QVariant { throw TUserError("script error"); },
             [] () -> QVariant { throw TSilentAbort(); },
             [] { return QVariant(QStringLiteral("not a number")); }}) {
        script.answer = [&failure](const QString &, const QVariantList &) { return failure(); };
        EXPECT_NO_THROW(ds->FieldByName("QTY").SetAsInteger(7));
        EXPECT_EQ(ds->FieldByName("QTY").AsInteger(), 7);
        EXPECT_DOUBLE_EQ(ds->FieldByName("TOTAL").AsFloat(), 10.0);
    }
}

TEST_F(DataSetTest, RulesWithoutEqualsSignOrEngineDoNothingAndCyclesEnd)
{
    FakeScript script;
    script.answer = [](const QString &, const QVariantList &) { return QVariant(1); };
    WriteDefinition("R.xml",
                    Definition(Column("A", "INTEGER", "", "", "B=FromA") + Column("B", "INTEGER", "", "", "A=FromB")
                               + Column("C", "INTEGER", "", "", "JustAFunction")));
    auto ds = std::make_unique<TXmlDataSet>();
    ds->SetFileName(WriteReport("R200601.xml", ReportXml("R.xml", {}, {"A", "B", "C"})));
    ds->SetAccMonth("200601");
    ds->Open();
    ds->Append();
    ds->FieldByName("C").SetAsInteger(5); // no engine yet
    ds->SetScriptEngine(&script);
    ds->FieldByName("C").SetAsInteger(6); // no "="
    EXPECT_TRUE(script.calls.isEmpty());
    ds->FieldByName("A").SetAsInteger(9); // A -> B -> A stops there
    EXPECT_EQ(script.calls.size(), 2);
    EXPECT_EQ(ds->FieldByName("B").AsInteger(), 1);
}

TEST_F(DataSetTest, ScriptArgumentsCarryTypedValuesOfTheBuffer)
{
    auto ds = Open(InvoiceReport(Invoices({"A", "B"})));
    ds->Next();
    ds->Edit();
    ds->FieldByName("NAME").SetAsString("unposted");
    const QVariantList record = BuildRecordArguments(*ds);
    ASSERT_EQ(record.size(), 9);
    EXPECT_EQ(record[0].metaType().id(), QMetaType::QDateTime);
    EXPECT_EQ(record[0].toDateTime(), PeriodEndDate("200601"));
    EXPECT_EQ(record[1], QVariant(2));
    EXPECT_EQ(record[2], QVariant(QStringLiteral("unposted")));
    const int types[] = {QMetaType::QString, QMetaType::Int,       QMetaType::Double, QMetaType::Double,
                         QMetaType::QDateTime, QMetaType::Bool, QMetaType::Double};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(record[2 + i].metaType().id(), types[i]) << i;
    EXPECT_EQ(record[6].toDateTime(), QDateTime(QDate(2006, 1, 31), QTime(0, 0)));

    const QVariantList check = BuildCheckValueArguments(*ds, "1101010", "110101000000001");
    ASSERT_EQ(check.size(), 11);
    EXPECT_EQ(check[0], QVariant(QStringLiteral("1101010")));
    EXPECT_EQ(check[1], QVariant(QStringLiteral("110101000000001")));
    EXPECT_EQ(check[3], QVariant(2));
    EXPECT_EQ(check.mid(4), record.mid(2));
}

TEST_F(DataSetTest, CloseRewritesAReportThatWasOnlyViewed)
{
    const QString path = InvoiceReport(Invoices({"A", "B"}));
    const QByteArray before = ws.Read("Data/INVOICE200601.xml");
    auto ds = Open(path);
    ds->Next();
    ds->Close();
    const QByteArray after = ws.Read("Data/INVOICE200601.xml");
    EXPECT_NE(after, before); // written in the library's layout
    const Stored stored = ReadStored(path);
    EXPECT_EQ(stored.names, QStringList({"A", "B"}));
    EXPECT_EQ(stored.values[1], Invoice("B", 2).values);
    EXPECT_FALSE(QFileInfo::exists(path + ".journal"));
}

TEST_F(DataSetTest, DefinitionFileMustExistInsideTheDsFolder)
{
    const QString path = InvoiceReport({});
    {
        auto ds = std::make_unique<TXmlDataSet>();
        ds->SetFileName(path);
        ds->SetStructFileName("MISSING.xml");
        try {
            ds->Open();
            FAIL();
        } catch (const TUserError &error) {
            EXPECT_EQ(error.Message(), QStringLiteral("结构定义文件 \"%1\" 不存在!").arg(ws.file("DS/MISSING.xml")));
        }
        EXPECT_FALSE(ds->Active());
    }
    for (const QString &name : {QStringLiteral("../Data/INVOICE200601.xml"), ws.file("DS/INVOICE.xml")}) {
        auto ds = std::make_unique<TXmlDataSet>();
        ds->SetFileName(path);
        ds->SetStructFileName(name);
        EXPECT_THROW(ds->Open(), TUserError) << name.toStdString();
    }
}

TEST_F(DataSetTest, UnsupportedColumnTypeStopsTheOpen)
{
    WriteDefinition("BAD.xml", Definition(Column("B", "BOOL", "0")));
    auto ds = std::make_unique<TXmlDataSet>();
    ds->SetFileName(WriteReport("BAD200601.xml", ReportXml("BAD.xml", {})));
    try {
        ds->Open();
        FAIL();
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), "系统不支持字段类型\"BOOL\"!");
    }
}

TEST_F(DataSetTest, FileNameIsRefusedWhileOpenAndANewFileIsBuiltInMemory)
{
    auto ds = Open(InvoiceReport({}));
    EXPECT_THROW(ds->SetFileName(ws.file("Data/other.xml")), TUserError);
    ds->Close();

    // Report creation: a new file is built, given its attributes and saved.
    const QString created = ws.file("Data/NEW200601.xml");
    TXmlDataSet fresh;
    fresh.SetFileName(created);
    EXPECT_FALSE(QFileInfo::exists(created));
    EXPECT_EQ(fresh.Version(), "1.00");
    fresh.SetPayerCode("110101000000009");
    fresh.SetStructFileName("INVOICE.xml");
    fresh.Save();
    TReportDocument document;
    document.Load(created);
    EXPECT_EQ(document.Root().SWSBH(), "110101000000009");
    EXPECT_EQ(document.YSFP().DSFile(), "INVOICE.xml");
    EXPECT_EQ(document.YSFP().Attribute("RecordCount"), "0");
}

TEST_F(DataSetTest, UnreadableValuesAreReportedWhenTheRecordIsShown)
{
    Rec bad = Invoice("BAD", 2);
    bad.values[1] = "abc";
    auto ds = Open(InvoiceReport({Invoice("A", 1), bad}));
    try {
        ds->Next();
        FAIL();
    } catch (const TConversionError &error) {
        EXPECT_TRUE(error.Message().contains("\"abc\""));
    }
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(ds->ViewText(1, 1), "abc");
    EXPECT_THROW(ds->Edit(), TConversionError); // never overwrite what could not be read
    EXPECT_EQ(ds->State(), TDataSetState::Browse);
}

TEST_F(DataSetTest, FieldsRefuseValuesTheyCannotHold)
{
    auto ds = Open(InvoiceReport(Invoices({"A"})));
    EXPECT_THROW(ds->FieldByName("NAME").SetAsString("x"), TUserError); // not editing
    ds->Edit();
    EXPECT_THROW(ds->FieldByName("NAME").SetAsString(QStringLiteral("bell\a")), TConversionError);
    EXPECT_THROW(ds->FieldByName("QTY").SetAsString("1.5"), TConversionError);
    ds->FieldByName("QTY").SetValue(QVariant()); // no value: keeps the old one
    ds->FieldByName("DAY").SetAsString("  ");
    EXPECT_EQ(ds->FieldByName("QTY").AsInteger(), 1);
    EXPECT_EQ(ds->FieldByName("DAY").AsDate(), QDate(2006, 1, 31));
    ds->FieldByName("NAME").SetAsString(QStringLiteral("longer than ten characters"));
    ds->Post();
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), QStringLiteral("longer than ten characters"));
}

TEST_F(DataSetTest, InsertEventsFillTheNewRecordAndMovesPostPendingEdits)
{
    const QString path = InvoiceReport(Invoices({"A", "B"}));
    auto ds = Open(path);
    // Copy the last record, the way the grid's auto-copy does.
    QVariantList copy;
    ds->BeforeInsert = [&copy](TXmlDataSet &d) {
        d.Last();
        copy.clear();
        for (int i = 0; i < d.FieldCount(); ++i)
            copy << d.Fields(i).Value();
    };
    ds->OnNewRecord = [&copy](TXmlDataSet &d) {
        for (int i = 0; i < d.FieldCount(); ++i)
            d.Fields(i).SetValue(copy.at(i));
    };
    ds->Append();
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "B");
    EXPECT_FALSE(ds->Modified());
    ds->First(); // an untouched new record is dropped
    EXPECT_EQ(ds->RecordCount(), 2);

    ds->Append();
    ds->FieldByName("NAME").SetAsString("C");
    ds->First(); // a changed one is posted
    EXPECT_EQ(ds->RecordCount(), 3);

    ds->OnNewRecord = [](TXmlDataSet &) { throw TUserError("no"); };
    EXPECT_THROW(ds->Append(), TUserError);
    EXPECT_EQ(ds->State(), TDataSetState::Browse);
    EXPECT_EQ(ds->ViewRowCount(), 3);

    ds->First();
    ds->Edit();
    ds->FieldByName("QTY").SetAsInteger(42);
    ds->Next();
    ds->Close();
    EXPECT_EQ(ReadStored(path).values[0][1], "42");
}

TEST_F(DataSetTest, EditOnAnEmptyReportStartsANewRecord)
{
    auto ds = Open(InvoiceReport({}));
    ds->Edit();
    EXPECT_EQ(ds->State(), TDataSetState::Insert);
    ds->Delete(); // deleting a new record cancels it
    EXPECT_EQ(ds->State(), TDataSetState::Browse);
    EXPECT_EQ(ds->RecordCount(), 0);
}

TEST_F(DataSetTest, ReadOnlyDatasetChangesNothing)
{
    const QString path = InvoiceReport(Invoices({"A"}));
    const QByteArray before = ws.Read("Data/INVOICE200601.xml");
    auto ds = std::make_unique<TXmlDataSet>();
    ds->SetReadOnly(true);
    ds->SetFileName(path);
    ds->Open();
    EXPECT_THROW(ds->Edit(), TUserError);
    EXPECT_THROW(ds->Append(), TUserError);
    EXPECT_THROW(ds->Delete(), TUserError);
    ds->Close();
    EXPECT_EQ(ws.Read("Data/INVOICE200601.xml"), before);
}

} // namespace
