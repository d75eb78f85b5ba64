// The report area as the session runs it: record commands, auto copy,
// locate, the checks before posting with the enterprise list, the name
// fill, the options and imports.

#include "SessionFixtures.h"

#include "app/utils/CommandRunner.h"
#include "app/utils/MessageBox.h"
#include "documents/QYXX.h"
#include "entry/RecordImport.h"
#include "reportdata/XmlDataSet.h"

namespace {

const QString kInvoices = QStringLiteral("YSFPCGL");

class SessionEntryTest : public SessionTest {
protected:
    TXmlDataSet &OpenInvoices()
    {
        TClientSession &s = Start();
        s.Shown();
        s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
        EXPECT_NE(s.OpenReportDataSet(), nullptr);
        return *s.OpenReportDataSet();
    }
    // Fills the record being edited with a transport invoice the demo
    // rules accept.
    static void FillInvoice(TXmlDataSet &r, const QString &number, const QString &carrier, const QString &name)
    {
        r.FieldByName(QStringLiteral("FPDM")).SetAsString(QStringLiteral("237006110013"));
        r.FieldByName(QStringLiteral("FPHM")).SetAsString(number);
        r.FieldByName(QStringLiteral("KPRQ")).SetAsString(QStringLiteral("2006-02-10"));
        r.FieldByName(QStringLiteral("CYRSWSBH")).SetAsString(carrier);
        r.FieldByName(QStringLiteral("CYRMC")).SetAsString(name);
        r.FieldByName(QStringLiteral("YSHWMC")).SetAsString(QStringLiteral("钢管"));
        r.FieldByName(QStringLiteral("YFJE")).SetAsString(QStringLiteral("1000"));
    }
    int Field(const QString &name) { return session->OpenReportDataSet()->FieldByName(name).Index(); }
};

TEST_F(SessionEntryTest, RecordCommandsFollowTheCursorStateAndMode)
{
    TClientSession &s = Start();
    EXPECT_EQ(s.Grid().Commands(), TRecordCommands{});
    EXPECT_EQ(s.Grid().RecordPosition(), QStringLiteral("记录位置: 0/0"));

    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200602")));
    TXmlDataSet &r = *s.OpenReportDataSet();
    TRecordCommands atFirst;
    atFirst.next = atFirst.last = atFirst.append = atFirst.edit = atFirst.remove = true;
    EXPECT_EQ(s.Grid().Commands(), atFirst);
    EXPECT_EQ(s.Grid().RecordPosition(), QStringLiteral("记录位置: 1/3"));

    s.Grid().Last();
    EXPECT_FALSE(s.Grid().Commands().next);
    EXPECT_TRUE(s.Grid().Commands().prior);
    EXPECT_EQ(s.Grid().RecordPosition(), QStringLiteral("记录位置: 3/3"));
    r.Edit();
    EXPECT_TRUE(s.Grid().Commands().post);
    r.Cancel();

    // A declared report is only shown.
    s.Select(Node(kQinglan, kInvoices, QStringLiteral("200601")));
    const TRecordCommands viewing = s.Grid().Commands();
    EXPECT_FALSE(viewing.append || viewing.edit || viewing.post || viewing.remove);
    EXPECT_FALSE(s.Grid().CanOpenRecordEditor());
}

TEST_F(SessionEntryTest, AutoCopyStartsFromTheLastRecordWithItsDatesCleared)
{
    TXmlDataSet &r = OpenInvoices();
    ASSERT_TRUE(session->AutoCopy());
    r.First(); // the current record is not the one copied
    session->Grid().Append();
    EXPECT_EQ(r.State(), TDataSetState::Insert);
    EXPECT_EQ(r.FieldByName(QStringLiteral("FPHM")).AsString(), QStringLiteral("00032560"));
    EXPECT_EQ(r.FieldByName(QStringLiteral("CYRMC")).AsString(), QStringLiteral("远驰运输有限公司"));
    EXPECT_EQ(r.FieldByName(QStringLiteral("KPRQ")).AsDate(), QDate(1900, 1, 1));
    EXPECT_TRUE(r.FieldByName(QStringLiteral("GDZCXM")).AsBoolean());
    r.Cancel();

    session->SetAutoCopy(false);
    session->Grid().Append();
    EXPECT_EQ(r.FieldByName(QStringLiteral("FPHM")).AsString(), QString());
}

TEST_F(SessionEntryTest, AutoCopyOnAnEmptyReportGivesEmptyValues)
{
    TClientSession &s = Start();
    prompts.period = QStringLiteral("200603");
    s.Select(Node(kQinglan, kInvoices));
    s.NewReport();
    TXmlDataSet &r = *s.OpenReportDataSet();
    ASSERT_EQ(r.RecordCount(), 0);
    s.Grid().Append();
    EXPECT_EQ(r.FieldByName(QStringLiteral("FPDM")).AsString(), QString());
    EXPECT_EQ(r.FieldByName(QStringLiteral("YFJE")).AsFloat(), 0.0);
    EXPECT_EQ(r.FieldByName(QStringLiteral("KPRQ")).AsDate(), QDate(1900, 1, 1));
}

TEST_F(SessionEntryTest, LocateFindsByLabelOrSaysNothingWasFound)
{
    TXmlDataSet &r = OpenInvoices();
    TReportGrid &grid = session->Grid();
    grid.Locate(QStringLiteral("承运人名称"), QStringLiteral("   "));
    EXPECT_TRUE(messages.shown().isEmpty());
    grid.Locate(QStringLiteral("承运人名称"), QStringLiteral(" 金岭货运有限公司 "));
    EXPECT_EQ(r.RecNo(), 2);
    grid.Locate(QStringLiteral("发票号码"), QStringLiteral("99999999"));
    grid.Locate(QStringLiteral("没有这个字段"), QStringLiteral("00004795"));
    EXPECT_EQ(messages.texts(), QStringList(2, QStringLiteral("没有找到符合条件的记录!")));
    EXPECT_EQ(messages.shown().last().flags, int(TMessageBox::WarningOk));

    // A record the rules refuse is not "not found": its reason is shown and
    // it stays being added.
    grid.Append();
    FillInvoice(r, QStringLiteral("00040001"), QStringLiteral("370285123456789"), QStringLiteral("海港物流有限公司"));
    r.FieldByName(QStringLiteral("FPDM")).SetAsString(QStringLiteral("12345"));
    EXPECT_FALSE(RunCommand([&] { grid.Locate(QStringLiteral("发票号码"), QStringLiteral("00004795")); }));
    EXPECT_EQ(messages.last(), QStringLiteral("发票代码必须是10位或12位数字！"));
    EXPECT_EQ(r.State(), TDataSetState::Insert);
}

TEST_F(SessionEntryTest, APostRunsTheSchemaRulesConfirmsAndLearnsTheCarrier)
{
    TXmlDataSet &r = OpenInvoices();
    session->Grid().Append();
    FillInvoice(r, QStringLiteral("00040001"), QStringLiteral("370285123456789"), QStringLiteral("海港物流有限公司"));
    r.FieldByName(QStringLiteral("FPDM")).SetAsString(QStringLiteral("12345"));
    EXPECT_FALSE(RunCommand([&] { session->Grid().Post(); }));
    EXPECT_EQ(messages.last(), QStringLiteral("发票代码必须是10位或12位数字！"));
    EXPECT_EQ(r.State(), TDataSetState::Insert);

    r.FieldByName(QStringLiteral("FPDM")).SetAsString(QStringLiteral("237006110013"));
    confirmation.answer = 1;
    EXPECT_FALSE(RunCommand([&] { session->Grid().Post(); }));
    EXPECT_EQ(messages.last(), QStringLiteral("您输入的数据前后不符，请重新录入。\r\n错误数据项：发票号码"));
    EXPECT_EQ(confirmation.names, (QStringList{QStringLiteral("FPHM"), QStringLiteral("YFJE")}));

    confirmation.answer = 0;
    ASSERT_TRUE(RunCommand([&] { session->Grid().Post(); })) << messages.last().toStdString();
    EXPECT_EQ(r.RecordCount(), 4);
    EXPECT_EQ(r.FieldByName(QStringLiteral("KCSE")).AsFloat(), 70.0); // computed from YFJE
    EXPECT_EQ(r.FieldByName(QStringLiteral("CRC")).AsString().size(), 8);
    EXPECT_EQ(session->EnterpriseTable().FindName(QStringLiteral("370285123456789")),
              std::optional<QString>(QStringLiteral("海港物流有限公司")));

    // The same invoice again is a duplicate.
    session->Grid().Append();
    FillInvoice(r, QStringLiteral("00040001"), QStringLiteral("370285123456789"), QStringLiteral("海港物流有限公司"));
    EXPECT_FALSE(RunCommand([&] { session->Grid().Post(); }));
    EXPECT_EQ(messages.last(), QStringLiteral("您录入了重复数据,请检查!(数据项重复)"));
    r.Cancel();

    // The learnt pair reaches "QYXX.xml" when the window closes.
    session->Closing();
    TEnterpriseList list;
    list.Open(workspace.file(QStringLiteral("QYXX.xml")));
    bool found = false;
    for (const TEnterpriseList::Entry &entry : list.Enumerate())
        found = found || entry.SWSBH == QStringLiteral("370285123456789");
    EXPECT_TRUE(found);
}

TEST_F(SessionEntryTest, ARefusedPostKeepsTheKeyList)
{
    TXmlDataSet &r = OpenInvoices();
    const int keys = r.KeyList().Count();
    session->Grid().Append();
    FillInvoice(r, QStringLiteral("00040002"), QStringLiteral("37028512345678"), QStringLiteral("短号码公司"));
    EXPECT_FALSE(RunCommand([&] { session->Grid().Post(); }));
    EXPECT_EQ(r.KeyList().Count(), keys);
    EXPECT_EQ(r.State(), TDataSetState::Insert);
}

TEST_F(SessionEntryTest, LeavingAChangedIdCellFillsTheNameOfAListedEnterprise)
{
    TXmlDataSet &r = OpenInvoices();
    TReportGrid &grid = session->Grid();
    const int id = Field(QStringLiteral("CYRSWSBH"));
    const int name = Field(QStringLiteral("CYRMC"));

    grid.ColumnEntered(id);
    r.Edit();
    r.Fields(id).SetAsString(QStringLiteral("370203588812345"));
    grid.CellLeft(id);
    EXPECT_EQ(r.Fields(name).AsString(), QStringLiteral("远驰运输有限公司"));

    // An unchanged id leaves a name typed by hand alone.
    r.Cancel();
    grid.ColumnEntered(id);
    r.Edit();
    r.Fields(name).SetAsString(QStringLiteral("手工输入的名称"));
    grid.CellLeft(id);
    EXPECT_EQ(r.Fields(name).AsString(), QStringLiteral("手工输入的名称"));

    // An id the list does not hold changes nothing.
    r.Fields(id).SetAsString(QStringLiteral("110101000000000"));
    grid.CellLeft(id);
    EXPECT_EQ(r.Fields(name).AsString(), QStringLiteral("手工输入的名称"));
    r.Cancel();

    grid.PickInto(id, QStringLiteral("440104730055128"), QStringLiteral("穗安国际货运代理有限公司"));
    EXPECT_EQ(r.State(), TDataSetState::Edit);
    EXPECT_EQ(r.Fields(name).AsString(), QStringLiteral("穗安国际货运代理有限公司"));
}

TEST_F(SessionEntryTest, TheRecordEditorCommands)
{
    TXmlDataSet &r = OpenInvoices();
    TReportGrid &grid = session->Grid();
    // Cancel on an unchanged record asks nothing.
    grid.CancelRecordEditor();
    EXPECT_TRUE(messages.shown().isEmpty());

    // A refused post appends nothing.
    grid.Append();
    FillInvoice(r, QStringLiteral("bad"), QStringLiteral("370285123456789"), QStringLiteral("海港物流有限公司"));
    EXPECT_FALSE(RunCommand([&] { grid.SaveAndAppend(); }));
    EXPECT_EQ(r.State(), TDataSetState::Insert);
    EXPECT_EQ(r.RecordCount(), 3);

    r.FieldByName(QStringLiteral("FPHM")).SetAsString(QStringLiteral("00040003"));
    ASSERT_TRUE(RunCommand([&] { grid.SaveAndAppend(); })) << messages.last().toStdString();
    EXPECT_EQ(r.RecordCount(), 4);
    EXPECT_EQ(r.State(), TDataSetState::Insert);

    // Cancel with changes: OK posts, Cancel gives them up.
    FillInvoice(r, QStringLiteral("00040004"), QStringLiteral("370285123456789"), QStringLiteral("海港物流有限公司"));
    messages.Answer(TMessageBox::IdCancel);
    grid.CancelRecordEditor();
    EXPECT_EQ(messages.last(), QStringLiteral("当前记录尚未存盘,您确认保存?"));
    EXPECT_EQ(r.State(), TDataSetState::Browse);
    EXPECT_EQ(r.RecordCount(), 4);
    grid.Append();
    FillInvoice(r, QStringLiteral("00040005"), QStringLiteral("370285123456789"), QStringLiteral("海港物流有限公司"));
    messages.Answer(TMessageBox::IdOk);
    grid.CancelRecordEditor();
    EXPECT_EQ(r.RecordCount(), 5);
}

TEST_F(SessionEntryTest, OptionsWritePrintStyleAtOnceAndPreferencesAtShutdown)
{
    TClientSession &s = Start();
    prompts.options = TOptionsRec{true, false, QStringLiteral("XP")};
    s.ExecuteOptions();
    EXPECT_EQ(prompts.optionsShown.autoCopyRecord, true);
    EXPECT_EQ(s.Config().GetConfigValue(QStringLiteral("PRINTXSLT")), QStringLiteral("XP"));
    EXPECT_TRUE(s.AlwaysShowEditor());
    EXPECT_FALSE(s.AutoCopy());
    s.Shutdown();
    TConfigDocument config;
    config.Open(workspace.file(QStringLiteral("Config.xml")));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("AlwaysShowEditor")), QStringLiteral("True"));
    EXPECT_EQ(config.GetConfigValue(QStringLiteral("AutoCopyRecord")), QStringLiteral("False"));
}

TEST_F(SessionEntryTest, ImportAppendsGoodRowsAndListsRefusedOnes)
{
    TXmlDataSet &r = OpenInvoices();
    const QString csv = workspace.Write(
        QStringLiteral("import.csv"),
        QStringLiteral("FPDM,发票号码,KPRQ,CYRSWSBH,CYRMC,YSHWMC,YFJE\r\n"
                       "237006110013,00050001,2006-02-11,370203588812345,远驰运输有限公司,水泥,200\r\n"
                       "237006110013,00050002,2006-13-40,370203588812345,远驰运输有限公司,水泥,200\r\n"
                       "237006110012,00004795,2006-02-11,370203588812345,远驰运输有限公司,水泥,200\r\n"
                       "237006110013,00050003,2006-02-12,370285123456789,海港物流有限公司,砂石,300\r\n")
            .toUtf8());
    prompts.importFile = csv;
    session->ImportRecords();
    EXPECT_EQ(r.RecordCount(), 5);
    EXPECT_EQ(confirmation.asked.size(), 0); // rows that were not typed are not confirmed
    ASSERT_FALSE(messages.shown().isEmpty());
    const QString summary = messages.last();
    EXPECT_TRUE(summary.startsWith(QStringLiteral("已导入 2 条记录，以下 2 行未导入:"))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("\n第3行: "))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("\n第4行: 您录入了重复数据,请检查!(数据项重复)"))) << summary.toStdString();
    EXPECT_EQ(session->EnterpriseTable().FindName(QStringLiteral("370285123456789")),
              std::optional<QString>(QStringLiteral("海港物流有限公司")));

    // Blank cells take the field's default, not the last record's value,
    // whatever the auto copy of typed records says.
    ASSERT_TRUE(session->AutoCopy());
    const QString partial = workspace.Write(
        QStringLiteral("partial.csv"),
        QStringLiteral("FPDM,FPHM,KPRQ,CYRSWSBH,CYRMC,YFJE\r\n"
                       "237006110013,00050009,2006-02-13,370203588812345,远驰运输有限公司,100\r\n")
            .toUtf8());
    const TImportResult result = session->ImportFile(partial);
    EXPECT_EQ(result.imported, 1);
    r.Last();
    EXPECT_EQ(r.FieldByName(QStringLiteral("FPHM")).AsString(), QStringLiteral("00050009"));
    EXPECT_EQ(r.FieldByName(QStringLiteral("YSHWMC")).AsString(), QString());
    EXPECT_FALSE(r.FieldByName(QStringLiteral("GDZCXM")).AsBoolean());

    // A declared report refuses an import.
    session->Select(Node(kQinglan, kInvoices, QStringLiteral("200601")));
    EXPECT_FALSE(RunCommand([&] { session->ImportFile(csv); }));
    EXPECT_EQ(messages.last(), QStringLiteral("报表已申报或只能查看,不能导入数据!"));
}

} // namespace
