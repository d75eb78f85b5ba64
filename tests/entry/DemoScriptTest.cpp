// The demo workspace's rules script, run by the host as the client runs it:
// check values, record checks with their messages, computed values and the
// audit of a declared interface file through the XML DOM object.

#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "entry/ScriptHost.h"
#include "entry/ScriptResult.h"
#include "TempWorkspace.h"

#include <gtest/gtest.h>

namespace {

const QString kWorkspace = QStringLiteral(CORVANE_DEMO_WORKSPACE);
const QString kDeclared =
    kWorkspace + QStringLiteral("/数据上报/200601/YSFPCGL200601_370211600123456_JK.XML");

// The first record of the declared transport-invoice report, in field order.
QVariantList FirstRecordFields()
{
    return {QStringLiteral("237006110011"), QStringLiteral("00031507"), QDate(2006, 1, 5),
            QStringLiteral("370203588812345"), QStringLiteral("远驰运输有限公司"), QStringLiteral("钢材"),
            32.5, 420, 3850.0, 269.5, false, QStringLiteral("3167F9A1")};
}

QVariantList RecordArguments(const QVariantList &fields)
{
    return QVariantList{PeriodEndDate(QStringLiteral("200601")), 1} + fields;
}

class DemoScript : public ::testing::Test {
protected:
    void SetUp() override { host = TScriptHost::CreateScriptEngine(kWorkspace + QStringLiteral("/Script.js")); }
    std::unique_ptr<TScriptHost> host;
};

} // namespace

TEST_F(DemoScript, CheckValueOfAStoredRecordIsReproduced)
{
    const QVariantList args = QVariantList{QStringLiteral("137021100"), QStringLiteral("370211600123456"),
                                           PeriodEndDate(QStringLiteral("200601")), 1}
                              + FirstRecordFields();
    ASSERT_EQ(args.size(), 16);
    EXPECT_EQ(ScriptResultText(host->Run(QStringLiteral("ysfpcgl_OnCRC"), args)), QStringLiteral("3167F9A1"));
}

TEST_F(DemoScript, RecordChecksAcceptRejectAndReportInconsistency)
{
    const QString check = ScriptFunctionName(QStringLiteral("YSFPCGL"), QStringLiteral("_OnBeforePost"));
    QVariantList fields = FirstRecordFields();
    const QVariant accepted = host->Run(check, RecordArguments(fields));
    EXPECT_FALSE(ScriptResultIs(accepted, 0));
    EXPECT_FALSE(ScriptResultIs(accepted, 8888));

    QVariantList wrongTax = fields;
    wrongTax[9] = 100.0; // not 7% of the freight
    EXPECT_TRUE(ScriptResultIs(host->Run(check, RecordArguments(wrongTax)), 8888));

    QVariantList negative = fields;
    negative[8] = -1.0;
    const QVariant rejected = host->Run(check, RecordArguments(negative));
    ASSERT_TRUE(ScriptResultIs(rejected, 0));
    const QString message =
        ScriptResultText(host->Run(QStringLiteral("ysfpcgl_OnGetErrorMessage"), QVariantList{rejected}));
    EXPECT_FALSE(message.isEmpty());
}

TEST_F(DemoScript, ComputedValueOfTheRule)
{
    QVariantList fields = FirstRecordFields();
    fields[8] = 1234.5;
    const double tax = host->Run(QStringLiteral("ysfpcgl_CalcKCSE"), RecordArguments(fields)).toDouble();
    EXPECT_NEAR(tax, 86.415, 0.006);
}

TEST_F(DemoScript, AuditReadsTheDeclaredFileThroughTheXmlDom)
{
    const QVariant passed = host->Run(QStringLiteral("ysfpcgl_OnAuditFile"), {kDeclared});
    EXPECT_FALSE(ScriptResultIs(passed, 0)) << ScriptResultText(passed).toStdString();

    // The same file claiming one record more than it holds fails the audit.
    TempWorkspace ws;
    QString text = DecodeGbk(ReadFileBytes(kDeclared));
    text.replace(QStringLiteral("RECORDCOUNT=\"4\""), QStringLiteral("RECORDCOUNT=\"5\""));
    const QString broken = ws.Write(QStringLiteral("YSFPCGL200601_370211600123456_JK.XML"), EncodeGbk(text));
    ws.Write(QStringLiteral("YSFPCGLJK.DTD"), ReadFileBytes(kWorkspace + QStringLiteral("/DS/YSFPCGLJK.DTD")));
    const QVariant failed = host->Run(QStringLiteral("ysfpcgl_OnAuditFile"), {broken});
    ASSERT_TRUE(ScriptResultIs(failed, 0));
    // It fails for its count, not for want of its DTD.
    EXPECT_TRUE(ScriptResultText(host->Run(QStringLiteral("ysfpcgl_OnGetErrorMessage"), {failed})).contains(QStringLiteral("记录数")));
}
