// Rows brought into the demo transport-invoice report from CSV files and
// pasted cells: each row posted through the record checks without a
// confirmation, refused rows listed by line and left out, one journal
// flush for the whole import.

#include "EntryFixtures.h"
#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "entry/RecordImport.h"

#include <gtest/gtest.h>

namespace {

const QString kDuplicate = QStringLiteral("您录入了重复数据,请检查!(数据项重复)");
const QString kHeader = QStringLiteral("FPDM,FPHM,KPRQ,CYRSWSBH,CYRMC,YSHWMC,HWZL,YSLC,YFJE,GDZCXM\r\n");

QString Row(const QString &fpdm, const QString &fphm, const QString &kprq = QStringLiteral("2006-01-10"),
            const QString &yfje = QStringLiteral("500"))
{
    return QStringLiteral("%1,%2,%3,370203588812345,远驰运输有限公司,钢材,10.5,100,%4,False\r\n")
        .arg(fpdm, fphm, kprq, yfje);
}

class RecordImport : public DemoReportTest {
protected:
    QList<int> RefusedLines(const TImportResult &result) const
    {
        QList<int> lines;
        for (const TImportRefusal &refusal : result.refused)
            lines << refusal.line;
        return lines;
    }

    QString Message(const TImportResult &result, int line) const
    {
        for (const TImportRefusal &refusal : result.refused) {
            if (refusal.line == line)
                return refusal.message;
        }
        return QString();
    }

    // The key list holds the digest of every record, at its position.
    void ExpectKeysAligned()
    {
        ASSERT_EQ(report->KeyList().Count(), report->RecordCount());
        const int current = report->RecNo();
        for (int n = 1; n <= report->RecordCount(); ++n) {
            report->SetRecNo(n);
            EXPECT_EQ(report->KeyList().Get(n - 1), report->KeyDigest()) << "record " << n;
        }
        report->SetRecNo(current);
    }
};

TEST_F(RecordImport, GoodRowsArePostedAndRefusedRowsListedByLine)
{
    // A change first, so that the report has its journal before the import.
    report->Edit();
    report->FieldByName(QStringLiteral("YSHWMC")).SetAsString(QStringLiteral("钢板"));
    report->Post();
    const int flushesBefore = report->JournalFlushes();
    ASSERT_GT(flushesBefore, 0);
    confirm.calls.clear();

    const QString csv = ws.Write(QStringLiteral("rows.csv"),
                                 (kHeader + Row("237006110013", "00060001")    // 2
                                  + Row("237006110013", "600")                 // 3 rule
                                  + Row("237006110013", "00060001")            // 4 twice in the file
                                  + Row("237006110011", "00031507")            // 5 in the report
                                  + Row("237006110013", "00060003", "2006-02-30") // 6 no date
                                  + QStringLiteral("\r\n")                     // 7 blank
                                  + Row("237006110013", "00060002", "2006-01-11", "1234.5")) // 8
                                     .toUtf8());
    const TImportResult result = ImportCsvFile(*report, *validator, csv);

    EXPECT_EQ(result.imported, 2);
    EXPECT_EQ(RefusedLines(result), (QList<int>{3, 4, 5, 6}));
    EXPECT_EQ(Message(result, 3), QStringLiteral("发票号码必须是8位数字！"));
    EXPECT_EQ(Message(result, 4), kDuplicate);
    EXPECT_EQ(Message(result, 5), kDuplicate);
    EXPECT_TRUE(Message(result, 6).startsWith(QStringLiteral("“开票日期”: "))) << Message(result, 6).toStdString();
    EXPECT_TRUE(Message(result, 6).contains(QStringLiteral("2006-02-30"))) << Message(result, 6).toStdString();

    EXPECT_EQ(report->State(), TDataSetState::Browse);
    EXPECT_EQ(report->RecordCount(), 6);
    EXPECT_EQ(report->RecNo(), 6); // the last imported record
    EXPECT_EQ(Text("FPHM"), QStringLiteral("00060002"));
    EXPECT_EQ(Text("KCSE"), QStringLiteral("86.42")); // the computed value ran
    EXPECT_EQ(Text("CRC").size(), 8);
    ExpectKeysAligned();

    EXPECT_TRUE(confirm.calls.empty());
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_TRUE(validator->Interactive());
    EXPECT_TRUE(validator->Confirmation());
    EXPECT_FALSE(report->InBatch());
    EXPECT_EQ(report->JournalFlushes(), flushesBefore + 1);

    // What was imported reaches the file.
    report->Close();
    TXmlDataSet again;
    again.SetFileName(ws.file(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml")));
    again.Open();
    EXPECT_EQ(again.RecordCount(), 6);
}

TEST_F(RecordImport, AGbkFileWithCaptionsAsHeader)
{
    const QString csv = ws.Write(
        QStringLiteral("captions.csv"),
        EncodeGbk(QStringLiteral(" 发票代码 ,发票号码,开票日期,承运人纳税人识别号,承运人名称,,运费金额\r\n"
                                 "237006110013,00060001,2006-1-9,370213556677889X,金岭货运有限公司,ignored,200\r\n")));
    const TImportResult result = ImportCsvFile(*report, *validator, csv);
    ASSERT_EQ(result.imported, 1) << (result.refused.empty() ? "" : result.refused[0].message.toStdString());
    EXPECT_EQ(Text("CYRMC"), QStringLiteral("金岭货运有限公司"));
    EXPECT_EQ(Text("KPRQ"), QStringLiteral("2006-01-09"));
    EXPECT_EQ(Text("YSHWMC"), QString());
    EXPECT_EQ(Text("KCSE"), QStringLiteral("14"));
}

TEST_F(RecordImport, AHeaderThatNamesNoFieldStopsTheImport)
{
    const QString csv = ws.Write(QStringLiteral("bad.csv"), QByteArray("FPDM,XYZ\r\n1,2\r\n"));
    try {
        ImportCsvFile(*report, *validator, csv);
        FAIL() << "imported";
    } catch (const TUserError &error) {
        EXPECT_EQ(error.Message(), QStringLiteral("第1行的列名“XYZ”不是报表的字段!"));
    }
    EXPECT_EQ(report->RecordCount(), 4);
    EXPECT_THROW(MapHeader(*report, {QStringLiteral("FPDM"), QStringLiteral("发票代码")}), TUserError);
}

TEST_F(RecordImport, ALearningRefusalAndExtraCellsRefuseOnlyTheirRows)
{
    report->SetRecNo(2);
    validator->LearnEnterprises = [](TXmlDataSet &dataSet) {
        return dataSet.FieldByName(QStringLiteral("CYRMC")).AsString() == QStringLiteral("坏")
            ? QStringLiteral("纳税人识别号错误！") : QString();
    };
    const QStringList fields{"FPDM", "FPHM", "KPRQ", "CYRSWSBH", "CYRMC", "YFJE"};
    const QList<QStringList> rows{
        {"237006110013", "00060001", "2006-01-10", "370203588812345", "坏", "100"},
        {"237006110013", "00060001", "2006-01-10", "370203588812345", "好", "100", "surplus"},
    };
    TImportResult result = ImportRows(*report, *validator, rows, fields, 10);
    EXPECT_EQ(result.imported, 0);
    EXPECT_EQ(RefusedLines(result), (QList<int>{10, 11}));
    EXPECT_EQ(result.refused[0].message, QStringLiteral("纳税人识别号错误！"));
    EXPECT_EQ(report->RecNo(), 2); // nothing imported: the current record stays
    EXPECT_EQ(report->State(), TDataSetState::Browse);
    ExpectKeysAligned();

    // The refused key is free again.
    result = ImportRows(*report, *validator, {rows[1].mid(0, 6)}, fields, 1);
    EXPECT_EQ(result.imported, 1);
    EXPECT_TRUE(result.refused.empty());
}

TEST_F(RecordImport, PastedCellsGoToTheColumnsFromTheCurrentOneOrFollowAHeader)
{
    const QStringList fromCurrent{"FPDM", "FPHM", "KPRQ", "CYRSWSBH", "CYRMC", "YSHWMC", "HWZL", "YSLC", "YFJE"};
    TImportResult result = PasteRows(
        *report, *validator,
        QStringLiteral("237006110013\t00060001\t2006-01-10\t370203588812345\t远驰运输有限公司\t\"钢\t材\"\t1\t2\t300\r\n"),
        fromCurrent);
    ASSERT_EQ(result.imported, 1);
    EXPECT_EQ(Text("YSHWMC"), QStringLiteral("钢\t材"));
    EXPECT_EQ(Text("KCSE"), QStringLiteral("21"));

    result = PasteRows(*report, *validator,
                       QStringLiteral("发票号码\tfpdm\t开票日期\tCYRSWSBH\tCYRMC\tYFJE\n"
                                      "00060002\t237006110013\t2006-01-12\t370203588812345\t远驰\t100\n"),
                       fromCurrent);
    ASSERT_EQ(result.imported, 1);
    EXPECT_EQ(Text("FPHM"), QStringLiteral("00060002"));
    EXPECT_EQ(report->RecordCount(), 6);
}

} // namespace
