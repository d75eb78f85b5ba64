// The data engine and the script host together on the demo workspace: a
// computed-value rule of a field definition runs the demo script on a real
// report, and the argument arrays built from the dataset reach the rules as
// the rules expect them.

#include "entry/ScriptHost.h"
#include "entry/ScriptResult.h"
#include "reportdata/ScriptArguments.h"
#include "reportdata/XmlDataSet.h"
#include "TempWorkspace.h"

#include <gtest/gtest.h>

class DemoRulesOnReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws.CopyDemo();
        host = TScriptHost::CreateScriptEngine(ws.file(QStringLiteral("Script.js")));
    }

    void OpenReport(const QString &relative, const QString &period)
    {
        report.SetFileName(ws.file(relative));
        report.SetAccMonth(period);
        report.SetScriptEngine(host.get());
        report.Open();
    }

    TempWorkspace ws;
    std::unique_ptr<TScriptHost> host;
    TXmlDataSet report;
};

TEST_F(DemoRulesOnReport, ChangingTheFreightComputesTheDeductibleTax)
{
    OpenReport(QStringLiteral("Data/370211600123456/YSFPCGL200602.xml"), QStringLiteral("200602"));
    report.Edit();
    report.FieldByName(QStringLiteral("YFJE")).SetAsCurrency(1234.5);
    EXPECT_DOUBLE_EQ(report.FieldByName(QStringLiteral("KCSE")).AsCurrency(), 86.42); // 7%, rounded to cents

    // The record as the operator would post it passes the record check.
    const QVariantList args = BuildRecordArguments(report);
    ASSERT_EQ(args.size(), 14);
    const QVariant verdict = host->Run(QStringLiteral("ysfpcgl_OnBeforePost"), args);
    EXPECT_FALSE(ScriptResultIs(verdict, 0)) << ScriptResultText(verdict).toStdString();
    EXPECT_FALSE(ScriptResultIs(verdict, 8888));
    report.Post();
    report.Close();

    TXmlDataSet again;
    again.SetFileName(ws.file(QStringLiteral("Data/370211600123456/YSFPCGL200602.xml")));
    again.Open();
    EXPECT_EQ(again.FieldByName(QStringLiteral("KCSE")).AsString(), QStringLiteral("86.42"));
}

TEST_F(DemoRulesOnReport, CheckValuesOfStoredRecordsAreReproducedFromTheDataset)
{
    OpenReport(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml"), QStringLiteral("200601"));
    for (report.First(); !report.Eof(); report.Next()) {
        const QVariantList args =
            BuildCheckValueArguments(report, QStringLiteral("137021100"), QStringLiteral("370211600123456"));
        ASSERT_EQ(args.size(), 16);
        EXPECT_EQ(ScriptResultText(host->Run(QStringLiteral("ysfpcgl_OnCRC"), args)),
                  report.FieldByName(QStringLiteral("CRC")).AsString())
            << "record " << report.RecNo();
    }
}
