// The report file register with 10,000 DATAFILE entries: adding a report
// (which writes the whole register), updating the last entry (the worst
// case of the first-match search), and enumerating every list the way the
// navigation tree does. Plain libxml2 parsing and saving of the same file
// in the same run are the baseline.

#include "app/utils/TextFile.h"
#include "documents/XmlFileManager.h"

#include <QTemporaryDir>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <benchmark/benchmark.h>

namespace {

constexpr int kTaxpayers = 10;
constexpr int kSchemas = 4;
constexpr int kFilesPerList = 250; // 10 x 4 x 250 = 10,000 entries

QString Code(int t) { return QStringLiteral("1101010000%1").arg(t, 5, 10, QLatin1Char('0')); }
QString Schema(int s) { return QStringLiteral("SCHEMA%1").arg(s); }

struct Fixture {
    QTemporaryDir dir;
    QString path;

    Fixture()
    {
        path = dir.path() + QStringLiteral("/FileManager.xml");
        QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<FILEMANAGER>\n");
        for (int t = 0; t < kTaxpayers; ++t) {
            text += QStringLiteral("<TAXPAYER SWSBH=\"%1\">\n").arg(Code(t));
            for (int s = 0; s < kSchemas; ++s) {
                text += QStringLiteral("<FILELIST TYPEID=\"%1\">\n").arg(Schema(s));
                for (int f = 0; f < kFilesPerList; ++f)
                    text += QStringLiteral("<DATAFILE NAME=\"%1%2.xml\" STATUS=\"%3\" SBRQ=\"%4\"/>\n")
                                .arg(Schema(s))
                                .arg(190001 + f)
                                .arg(f % 2 ? 9 : 1)
                                .arg(f % 2 ? QStringLiteral("2026-01-15") : QString());
                text += QStringLiteral("</FILELIST>\n");
            }
            text += QStringLiteral("</TAXPAYER>\n");
        }
        text += QStringLiteral("</FILEMANAGER>\n");
        WriteFileAtomically(path, EncodeGbk(text));
    }
};

Fixture &Shared()
{
    static Fixture fixture;
    return fixture;
}

void BM_BareParse(benchmark::State &state)
{
    const QByteArray path = Shared().path.toLocal8Bit();
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadFile(path.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
        benchmark::DoNotOptimize(doc);
        xmlFreeDoc(doc);
    }
}

void BM_BareSave(benchmark::State &state)
{
    const QByteArray path = Shared().path.toLocal8Bit();
    const QByteArray out = (Shared().dir.path() + QStringLiteral("/bare.xml")).toLocal8Bit();
    xmlDocPtr doc = xmlReadFile(path.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    for (auto _ : state)
        benchmark::DoNotOptimize(xmlSaveFormatFileEnc(out.constData(), doc, "GBK", 1));
    xmlFreeDoc(doc);
}

void BM_Open(benchmark::State &state)
{
    for (auto _ : state) {
        TFileRegister files;
        files.Open(Shared().path);
        benchmark::DoNotOptimize(files.IsOpen());
    }
}

void BM_AddReportFile(benchmark::State &state)
{
    Fixture fixture; // its own copy: adding grows the register
    TFileRegister files;
    files.Open(fixture.path);
    int n = 0;
    for (auto _ : state)
        files.AddReportFile({Code(n % kTaxpayers), Schema(1), QStringLiteral("NEW%1.xml").arg(n++), 1, {}});
}

void BM_UpdateLastReportFile(benchmark::State &state)
{
    Fixture fixture;
    TFileRegister files;
    files.Open(fixture.path);
    const TXmlFileRec last{Code(kTaxpayers - 1), Schema(kSchemas - 1),
                           QStringLiteral("%1%2.xml").arg(Schema(kSchemas - 1)).arg(190001 + kFilesPerList - 1), 9,
                           QStringLiteral("2026-12-10")};
    for (auto _ : state)
        files.UpdateReportFile(last);
}

void BM_EnumerateAll(benchmark::State &state)
{
    TFileRegister files;
    files.Open(Shared().path);
    for (auto _ : state) {
        int count = 0;
        for (int t = 0; t < kTaxpayers; ++t) {
            for (int s = 0; s < kSchemas; ++s)
                count += int(files.ReportFiles(Code(t), Schema(s)).size());
        }
        benchmark::DoNotOptimize(count);
    }
}

} // namespace

BENCHMARK(BM_BareParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddReportFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateLastReportFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumerateAll)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
