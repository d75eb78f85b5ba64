// The checks before a record of the open report is posted: the demo rules
// through the dataset's BeforePost, the confirmation list, the key list
// around refused posts, and how refusals reach the operator (interactive)
// or the importer (not interactive).

#include "CaseNames.h"
#include "EntryFixtures.h"
#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/MessageBox.h"
#include "app/utils/TextFile.h"
#include "entry/ScriptResult.h"
#include "reportdata/ScriptArguments.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

const QString kInconsistent = QStringLiteral("您输入的数据前后不符，请重新录入。");
const QString kDuplicate = QStringLiteral("您录入了重复数据,请检查!(数据项重复)");

// Counts calls of the demo's ysfpcgl_OnGetErrorMessage.
void CountErrorMessageCalls(TScriptHost &host)
{
    host.AddCode(QStringLiteral("var messageCalls = 0;\n"
                                "var demoMessage = ysfpcgl_OnGetErrorMessage;\n"
                                "ysfpcgl_OnGetErrorMessage = function (r) { messageCalls++; return demoMessage(r); };\n"),
                 QStringLiteral("/test/count.js"));
}

int ErrorMessageCalls(TScriptHost &host)
{
    return host.EvaluateCode(QStringLiteral("messageCalls"), QStringLiteral("/test/read.js")).toInt();
}

using DemoValidation = DemoReportTest;

TEST_F(DemoValidation, ATypedRecordGetsItsCheckValueIsConfirmedAndKeyed)
{
    AppendTyped();
    report->Post();

    ASSERT_EQ(report->RecordCount(), 5);
    EXPECT_EQ(report->RecNo(), 5);
    EXPECT_EQ(Text("KCSE"), QStringLiteral("70"));
    const QVariantList arguments = BuildCheckValueArguments(*report, QStringLiteral("137021100"),
                                                            QStringLiteral("370211600123456"));
    EXPECT_EQ(Text("CRC"), ScriptResultText(host->Run(QStringLiteral("ysfpcgl_OnCRC"), arguments)));
    EXPECT_EQ(Text("CRC").size(), 8);
    // CONFIRM "FPHM;YFJE;".
    ASSERT_EQ(confirm.calls.size(), 1u);
    ASSERT_EQ(confirm.calls[0].size(), 2u);
    EXPECT_EQ(confirm.calls[0][0].name, QStringLiteral("FPHM"));
    EXPECT_EQ(confirm.calls[0][0].caption, QStringLiteral("发票号码"));
    EXPECT_EQ(confirm.calls[0][0].value, QStringLiteral("00050001"));
    EXPECT_EQ(confirm.calls[0][0].dataSize, 8);
    EXPECT_EQ(confirm.calls[0][1].name, QStringLiteral("YFJE"));
    EXPECT_EQ(confirm.calls[0][1].value, QStringLiteral("1000.00"));
    EXPECT_EQ(Keys().size(), 5);
    EXPECT_EQ(Keys().last(), report->KeyDigest());
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(DemoValidation, Inconsistent8888IsShownAndNeverAsksForAnErrorMessage)
{
    CountErrorMessageCalls(*host);
    AppendTyped();
    report->FieldByName(QStringLiteral("KCSE")).SetAsString(QStringLiteral("69"));
    EXPECT_THROW(report->Post(), TSilentAbort);

    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.last(), kInconsistent);
    EXPECT_EQ(messages.shown()[0].flags, int(TMessageBox::InformationOk));
    EXPECT_EQ(ErrorMessageCalls(*host), 0);
    EXPECT_EQ(report->State(), TDataSetState::Insert);
    EXPECT_EQ(Text("KCSE"), QStringLiteral("69"));
    EXPECT_FALSE(Text("CRC").isEmpty()); // the check value stays in the buffer
    EXPECT_EQ(Keys().size(), 4);
    EXPECT_TRUE(confirm.calls.empty());
}

TEST_F(DemoValidation, ARejectedRecordRaisesTheScriptsReason)
{
    CountErrorMessageCalls(*host);
    TInvoiceRow row;
    row.fphm = QStringLiteral("123");
    AppendTyped(row);
    try {
        report->Post();
        FAIL() << "posted";
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), QStringLiteral("发票号码必须是8位数字！"));
    }
    EXPECT_EQ(ErrorMessageCalls(*host), 1);
    EXPECT_EQ(report->State(), TDataSetState::Insert);
    EXPECT_EQ(report->RecordCount(), 4);
}

TEST_F(DemoValidation, AConfirmationMismatchNamesTheEntryAndAGiveUpSaysNothing)
{
    AppendTyped();
    confirm.answer = 1;
    EXPECT_THROW(report->Post(), TSilentAbort);
    EXPECT_EQ(messages.last(), kInconsistent + QStringLiteral("\r\n错误数据项：发票号码"));
    EXPECT_EQ(messages.shown().last().flags, int(TMessageBox::InformationOk));

    confirm.answer = -1;
    EXPECT_THROW(report->Post(), TSilentAbort);
    EXPECT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(report->State(), TDataSetState::Insert);
    EXPECT_EQ(Keys().size(), 4);

    confirm.answer = 0;
    report->Post();
    EXPECT_EQ(report->RecordCount(), 5);
}

TEST_F(DemoValidation, WithoutAConfirmationDialogThePostIsAbandoned)
{
    TConfirmDialog::SetHandler(nullptr);
    AppendTyped();
    EXPECT_THROW(report->Post(), TSilentAbort);
    EXPECT_TRUE(messages.shown().isEmpty());

    validator->SetConfirmation(false);
    report->Post();
    EXPECT_EQ(report->RecordCount(), 5);
}

TEST_F(DemoValidation, DuplicateKeysAreRefusedOnInsertAndOnEdit)
{
    TInvoiceRow fifth;
    AppendTyped(fifth);
    report->Post(); // record 5
    const QStringList before = Keys();

    TInvoiceRow copy; // the key of record 1
    copy.fpdm = QStringLiteral("237006110011");
    copy.fphm = QStringLiteral("00031507");
    AppendTyped(copy);
    try {
        report->Post();
        FAIL() << "posted";
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), kDuplicate);
    }
    EXPECT_EQ(Keys(), before);
    report->Cancel();

    // Record 3 keeps its own key: it passes.
    report->SetRecNo(3);
    report->Edit();
    report->FieldByName(QStringLiteral("YSHWMC")).SetAsString(QStringLiteral("数控铣床"));
    report->Post();
    EXPECT_EQ(Keys(), before);

    // Record 3 given the key of record 5.
    report->Edit();
    report->FieldByName(QStringLiteral("FPDM")).SetAsString(fifth.fpdm);
    report->FieldByName(QStringLiteral("FPHM")).SetAsString(fifth.fphm);
    try {
        report->Post();
        FAIL() << "posted";
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), kDuplicate);
    }
    EXPECT_EQ(report->State(), TDataSetState::Edit);
    EXPECT_EQ(Keys(), before);
}

TEST_F(DemoValidation, ARefusedLearningStepLeavesTheKeyListAsItWas)
{
    QString refusal = QStringLiteral("纳税人识别号错误！必须是15位至20位0..9,A..Z,a-z的字符组成！");
    int learnt = 0;
    validator->LearnEnterprises = [&](TXmlDataSet &) {
        ++learnt;
        return refusal;
    };
    const QStringList before = Keys();
    AppendTyped();
    EXPECT_THROW(report->Post(), TSilentAbort);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].caption, QStringLiteral("系统错误"));
    EXPECT_EQ(messages.shown()[0].flags, int(TMessageBox::ErrorOk));
    EXPECT_EQ(messages.last(), refusal);
    EXPECT_EQ(Keys(), before);
    EXPECT_EQ(report->State(), TDataSetState::Insert);

    // Edited record 2 with a new key: its old digest comes back.
    refusal.clear();
    report->Post(); // the same record, corrected, has no false duplicate
    EXPECT_EQ(report->RecordCount(), 5);
    const QStringList five = Keys();
    refusal = QStringLiteral("refused");
    report->SetRecNo(2);
    report->Edit();
    report->FieldByName(QStringLiteral("FPHM")).SetAsString(QStringLiteral("00077777"));
    EXPECT_THROW(report->Post(), TSilentAbort);
    EXPECT_EQ(Keys(), five);
    refusal.clear();
    report->Post();
    EXPECT_EQ(Keys().at(1), report->KeyDigest());
    EXPECT_EQ(learnt, 4);
}

TEST_F(DemoValidation, NotInteractiveRefusalsCarryTheTextAndShowNothing)
{
    validator->SetInteractive(false);
    validator->SetConfirmation(false);
    const auto refusalOf = [&]() -> QString {
        try {
            report->Post();
        } catch (const TUserError &error) {
            return error.Message();
        }
        return QStringLiteral("(posted)");
    };

    AppendTyped();
    report->FieldByName(QStringLiteral("KCSE")).SetAsString(QStringLiteral("1"));
    EXPECT_EQ(refusalOf(), kInconsistent);

    validator->LearnEnterprises = [](TXmlDataSet &) { return QStringLiteral("名称不符"); };
    report->FieldByName(QStringLiteral("YFJE")).SetAsString(QStringLiteral("100"));
    EXPECT_EQ(refusalOf(), QStringLiteral("名称不符"));
    EXPECT_EQ(Keys().size(), 4);

    validator->SetConfirmation(true);
    validator->LearnEnterprises = nullptr;
    confirm.answer = 1;
    EXPECT_EQ(refusalOf(), kInconsistent + QStringLiteral("\r\n错误数据项：发票号码"));
    EXPECT_TRUE(messages.shown().isEmpty());
}

// A schema of one's own with a script that records what it is given.
class ScratchValidation : public RecordCheckTest {
protected:
    void SetUp() override
    {
        ws.MakeCurrent();
        ws.Write(QStringLiteral("TaxPayers.xml"),
                 EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?><TAXPAYERS><TAXPAYER>"
                                          "<SWSBH>110101000000001</SWSBH><NSRMC>甲</NSRMC><SWJGDM>11010</SWJGDM>"
                                          "</TAXPAYER></TAXPAYERS>")));
        ws.Write(QStringLiteral("SchemaManager.xml"),
                 EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?><SCHEMAMANAGER>"
                                          "<SCHEMA NAME=\"Abc\" DS=\"ABC.xml\"/><SCHEMA NAME=\"Plain\" DS=\"PLAIN.xml\"/>"
                                          "</SCHEMAMANAGER>")));
        const QString crcColumn = QStringLiteral("<COLUMN NAME=\"CRC\"><DATATYPE>TEXT</DATATYPE><DATASIZE>20</DATASIZE></COLUMN>");
        const QString nameColumn = QStringLiteral("<COLUMN NAME=\"MC\"><CHSNAME>名称</CHSNAME><DATATYPE>TEXT</DATATYPE><DATASIZE>20</DATASIZE></COLUMN>");
        WriteSchema(QStringLiteral("ABC.xml"), crcColumn + nameColumn);
        WriteSchema(QStringLiteral("PLAIN.xml"), nameColumn);
        ws.Write(QStringLiteral("Script.js"),
                 EncodeGbk(QStringLiteral("var calls = [];\n"
                                          "function abc_OnCRC(swjgdm, swsbh, end, recNo, CRC, MC) {\n"
                                          "  calls.push('crc'); return 'C' + swjgdm + '/' + recNo; }\n"
                                          "function abc_OnBeforePost(end, recNo, CRC, MC) {\n"
                                          "  calls.push('post:' + CRC); if (MC == 'boom') throw new Error(77, '坏了'); return 1; }\n"
                                          "function plain_OnCRC() { calls.push('plain crc'); return 'X'; }\n"
                                          "function plain_OnBeforePost(end, recNo, MC) { calls.push('plain post'); return true; }\n")));
        taxPayers.Open(ws.file(QStringLiteral("TaxPayers.xml")));
        schemas.Open(ws.file(QStringLiteral("SchemaManager.xml")));
        host = TScriptHost::CreateScriptEngine(ws.file(QStringLiteral("Script.js")));
        QDir().mkpath(ws.file(QStringLiteral("Data/110101000000001")));
    }

    void WriteSchema(const QString &file, const QString &columns)
    {
        ws.Write(QStringLiteral("DS/") + file,
                 EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?><FORM><COLUMNS>%1</COLUMNS>"
                                          "<KEYFIELDS></KEYFIELDS><CONFIRM></CONFIRM></FORM>").arg(columns)));
    }

    void Open(const QString &schema, const QString &ds)
    {
        validator = std::make_unique<TRecordValidator>(
            TRecordContext{schema, QStringLiteral("110101000000001"), taxPayers, schemas, *host});
        report = std::make_unique<TXmlDataSet>();
        report->SetFileName(ws.file(QStringLiteral("Data/110101000000001/") + schema.toUpper() + "200601.xml"));
        report->SetStructFileName(ds);
        report->SetAccMonth(QStringLiteral("200601"));
        report->BeforePost = [this](TXmlDataSet &dataSet) { validator->BeforePost(dataSet); };
        report->Open();
    }

    QString Calls() { return ScriptResultText(host->EvaluateCode(QStringLiteral("calls.join(';')"))); }
};

TEST_F(ScratchValidation, TheRecordCheckIsGivenTheNewCheckValue)
{
    Open(QStringLiteral("Abc"), QStringLiteral("ABC.xml"));
    report->Append();
    report->FieldByName(QStringLiteral("MC")).SetAsString(QStringLiteral("x"));
    report->Post();
    EXPECT_EQ(Calls(), QStringLiteral("crc;post:C11010/1"));
    EXPECT_EQ(report->FieldByName(QStringLiteral("CRC")).AsString(), QStringLiteral("C11010/1"));
}

TEST_F(ScratchValidation, NoCheckValueWithoutACrcColumn)
{
    Open(QStringLiteral("Plain"), QStringLiteral("PLAIN.xml"));
    report->Append();
    report->FieldByName(QStringLiteral("MC")).SetAsString(QStringLiteral("x"));
    report->Post();
    EXPECT_EQ(Calls(), QStringLiteral("plain post"));
    EXPECT_EQ(report->RecordCount(), 1);
}

TEST_F(ScratchValidation, AScriptErrorIsShownInFiveLinesOrRaisedWithThem)
{
    Open(QStringLiteral("Abc"), QStringLiteral("ABC.xml"));
    report->Append();
    report->FieldByName(QStringLiteral("MC")).SetAsString(QStringLiteral("boom"));
    EXPECT_THROW(report->Post(), TSilentAbort);
    ASSERT_EQ(messages.shown().size(), 1);
    const QString shown = messages.last();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("计算脚本时发生错误，以下是出错信息：\r\n错误编号:77\r\n"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("错误说明:坏了\r\n"))) << shown.toStdString();
    EXPECT_EQ(report->State(), TDataSetState::Insert);

    validator->SetInteractive(false);
    try {
        report->Post();
        FAIL() << "posted";
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), shown);
    }
    EXPECT_EQ(messages.shown().size(), 1);
}

// ---------------------------------------------------------------- the confirmation list

struct ConfirmCase {
    const char *confirm;
    QStringList names;
};

class ConfirmListTest : public ::testing::TestWithParam<ConfirmCase> {
protected:
    void SetUp() override
    {
        ws.MakeCurrent();
        QDir().mkpath(ws.file(QStringLiteral("Data")));
    }

    // A report of the invoice columns with one record; the definition's
    // CONFIRM is confirm and the FLOAT column TOTAL has the DATASIZE given.
    void Open(const QString &confirm, const QString &totalSize = QStringLiteral("300"))
    {
        const auto column = [](const char *name, const char *type, const QString &size, const char *caption) {
            return QStringLiteral("<COLUMN NAME=\"%1\"><CHSNAME>%4</CHSNAME><DATATYPE>%2</DATATYPE>"
                                  "<DATASIZE>%3</DATASIZE><COMMENT>%1 的说明</COMMENT></COLUMN>")
                .arg(QString::fromLatin1(name), QString::fromLatin1(type), size, QString::fromUtf8(caption));
        };
        const QString columns = column("NAME", "TEXT", "10", "名称") + column("QTY", "INTEGER", "", "数量")
                                + column("PRICE", "FLOAT", "0", "单价") + column("AMOUNT", "CURRENCY", "", "金额")
                                + column("DAY", "DATE", "", "日期") + column("PAID", "boolean", "0", "已付")
                                + column("TOTAL", "FLOAT", totalSize, "合计");
        definition = ws.Write(QStringLiteral("DS/INV.xml"),
                              EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?><FORM><COLUMNS>%1"
                                                       "</COLUMNS><KEYFIELDS/><CONFIRM>%2</CONFIRM></FORM>")
                                            .arg(columns, confirm.toHtmlEscaped())));
        report.SetFileName(ws.file(QStringLiteral("Data/INV200601.xml")));
        report.SetStructFileName(QStringLiteral("INV.xml"));
        report.Open();
        report.Append();
        report.FieldByName(QStringLiteral("NAME")).SetAsString(QStringLiteral("Widget "));
        report.FieldByName(QStringLiteral("QTY")).SetAsString(QStringLiteral("7"));
        report.FieldByName(QStringLiteral("PRICE")).SetAsString(QStringLiteral("1.5"));
        report.FieldByName(QStringLiteral("AMOUNT")).SetAsString(QStringLiteral("10.255"));
        report.FieldByName(QStringLiteral("DAY")).SetAsString(QStringLiteral("2006-01-05"));
        report.FieldByName(QStringLiteral("PAID")).SetAsString(QStringLiteral("true"));
        report.FieldByName(QStringLiteral("TOTAL")).SetAsString(QStringLiteral("1234.5"));
    }

    TempWorkspace ws;
    QString definition;
    TXmlDataSet report;
};

TEST_P(ConfirmListTest, ListsTheNamedColumnsInOrder)
{
    Open(QString::fromUtf8(GetParam().confirm));
    QStringList names;
    for (const TColumn &entry : BuildConfirmList(definition, report))
        names << entry.name;
    EXPECT_EQ(names, GetParam().names);
}

const ConfirmCase kConfirmCases[] = {
    {"", {}},
    {"   ", {}},
    {";", {}},
    {"NAME;QTY;", {"NAME", "QTY"}},
    {"  NAME;QTY  ", {"NAME", "QTY"}}, // the whole text is trimmed
    {"NAME;nosuch", {"NAME"}},
    {"NAME; QTY", {"NAME"}},           // a name is not
    {"NAME;;NAME", {"NAME", "NAME"}},
    {"price;Day", {"PRICE", "DAY"}},
};

INSTANTIATE_TEST_SUITE_P(Confirm, ConfirmListTest, ::testing::ValuesIn(kConfirmCases),
                         [](const auto &info) { return CaseName(info.index, info.param.confirm); });

TEST_F(ConfirmListTest, ValuesAreFormattedByType)
{
    Open(QStringLiteral("NAME;QTY;PRICE;AMOUNT;DAY;PAID;TOTAL"));
    const std::vector<TColumn> entries = BuildConfirmList(definition, report);
    QStringList values;
    for (const TColumn &entry : entries)
        values << entry.value;
    EXPECT_EQ(values, (QStringList{"Widget ", "7", "1.50", "10.26", "20060105", "True", "1234.50"}));
    EXPECT_EQ(entries[0].caption, QStringLiteral("名称"));
    EXPECT_EQ(entries[0].comment, QStringLiteral("NAME 的说明"));
    EXPECT_EQ(entries[0].dataType, QStringLiteral("TEXT"));
    EXPECT_EQ(entries[0].dataSize, 10);
    EXPECT_EQ(entries[1].dataSize, 0);    // empty
    EXPECT_EQ(entries[5].dataType, QStringLiteral("boolean")); // as written
    EXPECT_EQ(entries[6].dataSize, 44);   // 300, low 8 bits
}

TEST_F(ConfirmListTest, ADataSizeThatIsNoNumberAndAMissingFileAreErrors)
{
    Open(QStringLiteral("NAME;TOTAL"), QStringLiteral("wide"));
    EXPECT_THROW(BuildConfirmList(definition, report), TConversionError);

    const QString missing = TApplicationInfo::DSDir() + QStringLiteral("NONE.xml");
    try {
        BuildConfirmList(missing, report);
        FAIL() << "no error";
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), missing + QStringLiteral("文件不存在!请仔细检查"));
    }
}

TEST_F(ConfirmListTest, TheDefinitionIsReadAfreshEachTime)
{
    Open(QStringLiteral("NAME"));
    ASSERT_EQ(BuildConfirmList(definition, report).size(), 1u);
    QByteArray bytes = ws.Read(QStringLiteral("DS/INV.xml"));
    bytes.replace("<CONFIRM>NAME</CONFIRM>", "<CONFIRM>NAME;QTY</CONFIRM>");
    ws.Write(QStringLiteral("DS/INV.xml"), bytes);
    EXPECT_EQ(BuildConfirmList(definition, report).size(), 2u);
}

// ---------------------------------------------------------------- matching a typed value

struct MatchCase {
    const char *type;
    const char *value;
    const char *typed;
    bool matches;
};

class ConfirmMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ConfirmMatchTest, ComparesByType)
{
    TColumn entry;
    entry.dataType = QString::fromLatin1(GetParam().type);
    entry.value = QString::fromUtf8(GetParam().value);
    EXPECT_EQ(ConfirmValueMatches(entry, QString::fromUtf8(GetParam().typed)), GetParam().matches);
}

const MatchCase kMatchCases[] = {
    {"CURRENCY", "12.50", "12.5", true},
    {"CURRENCY", "12.50", "12.50", true},
    {"CURRENCY", "1234.50", "1,234.5", true},
    {"CURRENCY", "12.50", "12.51", false},
    {"CURRENCY", "12.50", "12,5", false},
    {"CURRENCY", "0.00", "", false},
    {"FLOAT", "3.00", " 3 ", true},
    {"FLOAT", "3.00", "3abc", false},
    {"INTEGER", "7", "007", true},
    {"INTEGER", "7", "7.0", false},
    {"INTEGER", "-7", "-7", true},
    {"DATE", "20060105", "2006-01-05", true},
    {"DATE", "20060105", "2006-1-5", true},
    {"DATE", "20060105", "20060105", true},
    {"DATE", "20060105", "2006/1/5", true},
    {"DATE", "20060105", "2006-01-06", false},
    {"DATE", "20060105", "2006-02-30", false},
    {"DATE", "20060105", "2006-1/5", false},
    {"BOOLEAN", "True", "true", true},
    {"BOOLEAN", "True", "是", true},
    {"BOOLEAN", "False", "0", true},
    {"BOOLEAN", "False", "yes", false},
    {"BOOLEAN", "False", "maybe", false},
    {"TEXT", "00031507", "00031507", true},
    {"TEXT", "00031507", "00031507 ", true},
    {"TEXT", "00031507", "31507", false},
    {"text", "Abc", "abc", false},
    {"TEXT", "", "", true},
};

INSTANTIATE_TEST_SUITE_P(Match, ConfirmMatchTest, ::testing::ValuesIn(kMatchCases), [](const auto &info) {
    return CaseName(info.index, std::string(info.param.type) + "_" + info.param.typed);
});

} // namespace
