#include "CliRun.h"
#include "DeclarationChecks.h"

#include "CaseNames.h"
#include "TempWorkspace.h"
#include "app/utils/TextFile.h"
#include "export/XmlCrcFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString TreeLine(const QString &period, const QString &status)
{
    return QStringLiteral("      ") + period + QStringLiteral(" [") + status + QLatin1Char(']');
}

struct DemoReport {
    const char *code;
    const char *schema;
    const char *period;
    const char *taxpayer;
    const char *printOption; // for schemas with a fixed-asset column
};

class CliDeclare : public ::testing::TestWithParam<DemoReport> {};

// Every demo schema end to end: declared into a folder, the interface file
// valid against its DTD and sealed with zlib's CRC, archived, printable.
TEST_P(CliDeclare, WritesValidSealedFilesAndPrintsTheList)
{
    const DemoReport &r = GetParam();
    TempWorkspace ws;
    ws.CopyDemo();
    QTemporaryDir out;
    const QString code = QString::fromUtf8(r.code);
    const QString schema = QString::fromUtf8(r.schema);
    const QString period = QString::fromUtf8(r.period);
    const QString stem = schema + period + QLatin1Char('_') + code;
    const QString folder = out.path() + QLatin1Char('/');

    const CliRun run = Cli({QStringLiteral("declare"), code, schema, period, QStringLiteral("--to"), out.path()});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QString archive = ws.file(QStringLiteral("数据上报/") + period + QLatin1Char('/'));
    EXPECT_EQ(run.out, QStringList({folder + stem + QStringLiteral("_JK.XML"), folder + stem + QStringLiteral("_CRC.XML"),
                                    folder + schema + QStringLiteral("JK.DTD"), archive + stem + QStringLiteral("_JK.XML"),
                                    archive + schema + QStringLiteral("JK.DTD")})
                               .join(QLatin1Char('\n'))
                           + QLatin1Char('\n'));

    const QString interfaceFile = folder + stem + QStringLiteral("_JK.XML");
    EXPECT_EQ(DtdValidationErrors(interfaceFile, folder + schema + QStringLiteral("JK.DTD")), QString());
    QString recorded;
    ASSERT_TRUE(LookupCrcValue(folder + stem + QStringLiteral("_CRC.XML"), stem + QStringLiteral("_JK.XML"), recorded));
    EXPECT_EQ(recorded, ZlibCrcText(interfaceFile));
    EXPECT_TRUE(Cli({QStringLiteral("tree")}).out.contains(TreeLine(period, QStringLiteral("已申报"))));

    QStringList printArgs{QStringLiteral("print"), code, schema, period};
    if (r.printOption)
        printArgs << QString::fromUtf8(r.printOption);
    const CliRun print = Cli(printArgs);
    ASSERT_EQ(print.status, 0) << print.err.toStdString();
    const QString page = print.out.trimmed();
    EXPECT_EQ(QFileInfo(page).fileName(), QStringLiteral("print.html"));
    QFile html(page);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(html.readAll()).contains(QString::fromUtf8(r.taxpayer)));
}

INSTANTIATE_TEST_SUITE_P(
    DemoSchemas, CliDeclare,
    ::testing::Values(DemoReport{"370211600123456", "YSFPCGL", "200602", "青岚机械制造有限公司", "--fixed-assets"},
                      DemoReport{"370211600123456", "HGWSPZ", "200601", "青岚机械制造有限公司", nullptr},
                      DemoReport{"320583MA1Q8R2T6W", "FJWZFPCGL", "200601", "澄川再生资源有限公司", nullptr}),
    [](const auto &info) { return CaseName(info.index, info.param.schema); });

TEST(CliDeclareRefusal, WrongCommandLinesAreUsageErrors)
{
    TempWorkspace ws;
    ws.CopyDemo();
    const QString code = QStringLiteral("370211600123456");
    const QString schema = QStringLiteral("YSFPCGL");
    const QString period = QStringLiteral("200602");
    for (const QStringList &args :
         {QStringList{QStringLiteral("declare"), code, schema, period},
          QStringList{QStringLiteral("declare"), code, schema, period, QStringLiteral("--floppy"), QStringLiteral("--to"),
                      ws.path()},
          QStringList{QStringLiteral("declare"), code, schema, period, QStringLiteral("--to")},
          QStringList{QStringLiteral("undeclare"), code, schema, QStringLiteral("200601")},
          QStringList{QStringLiteral("print"), code, schema, QStringLiteral("200601"), QStringLiteral("--fixed-assets"),
                      QStringLiteral("--other")}}) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << args.join(QLatin1Char(' ')).toStdString();
    }
    // Nothing changed.
    EXPECT_TRUE(Cli({QStringLiteral("tree")}).out.contains(TreeLine(QStringLiteral("200601"), QStringLiteral("已申报"))));
    EXPECT_TRUE(Cli({QStringLiteral("tree")}).out.contains(TreeLine(period, QStringLiteral("待申报"))));
}

TEST(CliDeclareRefusal, ARefusedAuditFailsAndLeavesNothing)
{
    TempWorkspace ws;
    ws.CopyDemo();
    QByteArray script = ws.Read(QStringLiteral("Script.js"));
    script += EncodeGbk(QStringLiteral("\r\nfunction hgwspz_OnAuditFile(path) { return hgwspz_Reject(\"缴款书号码重复！\"); }\r\n"));
    ws.Write(QStringLiteral("Script.js"), script);
    QTemporaryDir out;

    const CliRun run = Cli({QStringLiteral("declare"), QStringLiteral("370211600123456"), QStringLiteral("HGWSPZ"),
                            QStringLiteral("200601"), QStringLiteral("--to"), out.path()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("申报文件检查结果中发现错误，请修正后重新申报，信息如下：\r\n\r\n缴款书号码重复！")))
        << run.err.toStdString();
    EXPECT_EQ(run.out, QString());
    EXPECT_EQ(FolderEntries(out.path()), "");
    EXPECT_TRUE(Cli({QStringLiteral("tree")}).out.contains(TreeLine(QStringLiteral("200601"), QStringLiteral("待申报"))));
}

TEST(CliDeclareRefusal, PrintNeedsADeclaredReportAndTheListOfAFixedAssetSchema)
{
    TempWorkspace ws;
    ws.CopyDemo();
    const CliRun undeclared = Cli({QStringLiteral("print"), QStringLiteral("370211600123456"), QStringLiteral("HGWSPZ"),
                                   QStringLiteral("200601")});
    EXPECT_EQ(undeclared.status, 1);
    EXPECT_TRUE(undeclared.err.contains(QStringLiteral("尚未申报"))) << undeclared.err.toStdString();
    const CliRun unchosen = Cli({QStringLiteral("print"), QStringLiteral("370211600123456"), QStringLiteral("YSFPCGL"),
                                 QStringLiteral("200601")});
    EXPECT_EQ(unchosen.status, 1);
    EXPECT_TRUE(unchosen.err.contains(QStringLiteral("--fixed-assets"))) << unchosen.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(ws.file(QStringLiteral("DS/print.xml"))));
}

TEST(CliUndeclare, ReturnsTheReportToAwaitingAndKeepsTheArchive)
{
    TempWorkspace ws;
    ws.CopyDemo();
    const CliRun run = Cli({QStringLiteral("undeclare"), QStringLiteral("370211600123456"), QStringLiteral("YSFPCGL"),
                            QStringLiteral("200601"), QStringLiteral("--yes")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(Cli({QStringLiteral("tree")}).out.contains(TreeLine(QStringLiteral("200601"), QStringLiteral("待申报"))));
    EXPECT_TRUE(QFileInfo::exists(ws.file(QStringLiteral("数据上报/200601/YSFPCGL200601_370211600123456_JK.XML"))));
    // Once more: there is nothing to take back.
    EXPECT_EQ(Cli({QStringLiteral("undeclare"), QStringLiteral("370211600123456"), QStringLiteral("YSFPCGL"),
                   QStringLiteral("200601"), QStringLiteral("--yes")})
                  .status,
              1);
}

TEST(CliDeclareFloppy, WritesOntoTheMediumAndKeepsWhatIsThere)
{
    TempWorkspace ws;
    ws.CopyDemo();
    QTemporaryDir medium;
    QFile older(medium.path() + QStringLiteral("/older.txt"));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.close();
    qputenv("CORVANE_FLOPPY", medium.path().toLocal8Bit());
    const CliRun run = Cli({QStringLiteral("declare"), QStringLiteral("320583MA1Q8R2T6W"), QStringLiteral("FJWZFPCGL"),
                            QStringLiteral("200601"), QStringLiteral("--floppy")});
    qunsetenv("CORVANE_FLOPPY");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("系统将向软盘传出申报文件"))); // no question asked
    EXPECT_EQ(FolderEntries(medium.path()),
              Names({QStringLiteral("FJWZFPCGL200601_320583MA1Q8R2T6W_CRC.XML"),
                     QStringLiteral("FJWZFPCGL200601_320583MA1Q8R2T6W_JK.XML"), QStringLiteral("FJWZFPCGLJK.DTD"),
                     QStringLiteral("older.txt")}));
}

} // namespace
