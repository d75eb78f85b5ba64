#include "app/utils/ApplicationInfo.h"
#include "app/utils/FileOps.h"
#include "app/utils/TextFile.h"
#include "cli/CliCommands.h"
#include "xml/XmlDocument.h"
#include "TempWorkspace.h"

#include <QBuffer>

#include <zlib.h>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int status = 0;
    QByteArray bytes; // standard output as written
    QString out;      // the same, as text
    QString err;
};

CliRun Cli(const QStringList &args)
{
    CliRun run;
    QBuffer buffer(&run.bytes);
    buffer.open(QIODevice::WriteOnly);
    QTextStream out(&buffer);
    QTextStream err(&run.err);
    run.status = RunCli(args, out, err);
    out.flush();
    err.flush();
    run.out = QString::fromUtf8(run.bytes);
    return run;
}

QString ZlibCrcText(const QByteArray &bytes)
{
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
    return QStringLiteral("%1").arg(quint32(crc), 8, 16, QLatin1Char('0')).toUpper();
}

const QString kConfig = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<configuration><GlobalResources>"
    "<Item NAME=\"Title\" VALUE=\"演示\"/><Item NAME=\"VERSION\" VALUE=\"2.40\"/>"
    "</GlobalResources><Package Root=\"R\"><Element Name=\"E\"/></Package></configuration>\n");

} // namespace

TEST(Cli, CrcAgreesWithAnIndependentCrc32)
{
    TempWorkspace ws;
    QByteArray big(250000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char((i * 131) ^ (i >> 7));
    const QList<QByteArray> contents = {QByteArray(), QByteArray("123456789"), big};
    QStringList files;
    QString expected;
    for (int i = 0; i < contents.size(); ++i) {
        files << ws.Write(QStringLiteral("f%1.bin").arg(i), contents[i]);
        expected += ZlibCrcText(contents[i]) + QStringLiteral("  ") + files.last() + QLatin1Char('\n');
    }
    const CliRun run = Cli(QStringList{QStringLiteral("crc")} << files);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, expected);
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("00000000  ")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("CBF43926  ")));
}

TEST(Cli, CrcOfAMissingFileFailsButDoesTheOthers)
{
    TempWorkspace ws;
    const QString good = ws.Write(QStringLiteral("a.bin"), "123456789");
    const CliRun run = Cli({QStringLiteral("crc"), ws.file(QStringLiteral("missing.bin")), good});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("missing.bin")));
    EXPECT_EQ(run.out, QStringLiteral("CBF43926  ") + good + QLatin1Char('\n'));
}

TEST(Cli, ConfigSetChangesOneItemAndKeepsTheRest)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("Config.xml"), EncodeGbk(kConfig));
    ws.MakeCurrent();
    EXPECT_EQ(Cli({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("title")}).out, QStringLiteral("演示\n"));
    const CliRun set = Cli({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("Title"), QStringLiteral("新标题")});
    EXPECT_EQ(set.status, 0) << set.err.toStdString();
    const QString after = DecodeGbk(ws.Read(QStringLiteral("Config.xml")));
    EXPECT_TRUE(after.contains(QStringLiteral("VALUE=\"新标题\"")));
    EXPECT_TRUE(after.contains(QStringLiteral("<Item NAME=\"VERSION\" VALUE=\"2.40\"/>")));
    EXPECT_TRUE(after.contains(QStringLiteral("<Package Root=\"R\">")));
    EXPECT_TRUE(ws.Read(QStringLiteral("Config.xml")).contains(EncodeGbk(QStringLiteral("新标题"))));
}

// On the demo workspace: setting an item and setting it back gives the same
// document, Package branch and every other item included, still GBK.
TEST(Cli, ConfigSetOnTheDemoWorkspaceKeepsEverythingElse)
{
    TempWorkspace ws;
    ws.CopyDemo();
    const QString path = ws.file(QStringLiteral("Config.xml"));
    const QByteArray original = TXMLDocument::LoadFile(path)->ToBytes();
    const QString title = Cli({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("Title")}).out.trimmed();
    ASSERT_FALSE(title.isEmpty());

    ASSERT_EQ(Cli({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("title"), QStringLiteral("临时标题")}).status, 0);
    const QByteArray changed = ws.Read(QStringLiteral("Config.xml"));
    EXPECT_TRUE(changed.startsWith("<?xml version=\"1.0\" encoding=\"GBK\"?>"));
    EXPECT_TRUE(changed.contains(EncodeGbk(QStringLiteral("临时标题"))));
    EXPECT_FALSE(changed.contains(EncodeGbk(title)));

    ASSERT_EQ(Cli({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("Title"), title}).status, 0);
    EXPECT_EQ(TXMLDocument::LoadFile(path)->ToBytes(), original);
}

TEST(Cli, ReportExportOfADemoReport)
{
    TempWorkspace ws;
    ws.CopyDemo();
    const QString report = ws.file(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml"));
    const QByteArray before = ws.Read(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml"));
    const CliRun tab = Cli({QStringLiteral("report"), QStringLiteral("export"), report});
    ASSERT_EQ(tab.status, 0) << tab.err.toStdString();
    const QStringList lines = tab.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5); // captions and four records
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("237006110011\t00031507\t2006-01-05\t"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral("\t1234.5\t86.42\t")));

    const CliRun csv = Cli({QStringLiteral("report"), QStringLiteral("export"), QStringLiteral("--csv"), report});
    ASSERT_EQ(csv.status, 0);
    EXPECT_TRUE(csv.bytes.startsWith("\xEF\xBB\xBF")); // byte-order mark for spreadsheet programs
    EXPECT_TRUE(csv.out.contains(QStringLiteral("\r\n")));
    EXPECT_EQ(ws.Read(QStringLiteral("Data/370211600123456/YSFPCGL200601.xml")), before); // only read

    const CliRun missing = Cli({QStringLiteral("report"), QStringLiteral("export"), ws.file(QStringLiteral("none.xml"))});
    EXPECT_EQ(missing.status, 1);
}

TEST(Cli, UsageErrorsAndKeyHash)
{
    struct Case {
        QStringList args;
        int status;
    };
    const QList<Case> cases = {
        {{}, 2},
        {{QStringLiteral("--help")}, 0},
        {{QStringLiteral("nonsense")}, 2},
        {{QStringLiteral("crc")}, 2},
        {{QStringLiteral("config"), QStringLiteral("get")}, 2},
        {{QStringLiteral("keyhash")}, 2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Cli(c.args).status, c.status) << c.args.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(Cli({QStringLiteral("keyhash"), QStringLiteral("abc")}).out, QStringLiteral("16100067\n"));

    TempWorkspace empty;
    empty.MakeCurrent();
    const CliRun missing = Cli({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("Title")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("Config.xml")));
}
