// Batch checking (vettra --batch) of generated declarations of the demo's
// freight-invoice schema (YSFPCGL, interface files with their CRC
// documents, checked with the demo's "Check.js"):
//
//   Many files: 1,000 declarations of 200 records each.
//     BM_Many_BareLibxml2   read every file and parse it with bare libxml2
//                           (xmlReadMemory, no DTD), one thread;
//     BM_Many_BatchOwn      RunBatchChecks with one thread, timed without
//                           the check script's own time (each "_CheckFile"
//                           call is timed and subtracted): reading, the CRC
//                           and its document, the parse, the DTD
//                           validation, the results read back, the rows;
//     BM_Many_BatchJobs/N   the whole run with N threads, script included.
//   One large file: a declaration of 100,000 records.
//     BM_Large_BareLibxml2  read and parse it with bare libxml2;
//     BM_Large_CheckOwn     RunBatchChecks on it without the script's time
//                           (the "script_s" counter reports that time).
//
// Each runs several times, interleaved at random (the machine is shared);
// the program ends with the ratios of the medians.
// Targets: BatchOwn <= 1.5x bare; Jobs/2 throughput >= 1.6x Jobs/1;
// Large CheckOwn <= 2x bare.

#include "app/utils/ApplicationInfo.h"
#include "app/utils/TextFile.h"
#include "checker/Batch.h"
#include "export/XmlCrcFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <libxml/parser.h>

#include "FreightInvoices.h"
#include "MedianReporter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

const QString kDemo = QStringLiteral(CORVANE_DEMO_WORKSPACE);
// $BATCH_BENCH_FILES sets another number of files for a quick look.
int ManyFiles()
{
    const int files = qEnvironmentVariableIntValue("BATCH_BENCH_FILES");
    return files > 0 ? files : 1000;
}
constexpr int kManyRecords = 200;
constexpr int kLargeRecords = 100000;


// An interface file as the client writes it (GBK, the DOCTYPE naming the
// DTD, one RECORD per invoice), for taxpayer number n.
QByteArray InterfaceFile(const QString &taxpayer, int records)
{
    QString text;
    text.reserve(records * 260 + 1024);
    text += QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<!DOCTYPE SCHEMA SYSTEM \"YSFPCGLJK.dtd\">\n"
                           "<SCHEMA NAME=\"YSFPCGL\" CHSNAME=\"运输发票清单\" SSSQ=\"200601\" CRC=\"YSFPCGL200601_%1_CRC.XML\">\n"
                           "  <TAXPAYER SWSBH=\"%1\" NSRMC=\"青岚机械制造有限公司\" SBRQ=\"2006-02-08\" RECORDCOUNT=\"%2\" "
                           "CJLX=\"DLZK\" CJRDM=\"%1\" CJRMC=\"青岚机械制造有限公司\">\n    <RECORDS>\n")
                .arg(taxpayer)
                .arg(records);
    for (int i = 0; i < records; ++i) {
        const TFreightInvoice &t = FreightInvoice(i);
        text += QStringLiteral("      <RECORD FPDM=\"%1\" FPHM=\"%2\" KPRQ=\"%3\" CYRSWSBH=\"%4\" CYRMC=\"%5\" YSHWMC=\"%6\" "
                               "HWZL=\"%7\" YSLC=\"%8\" YFJE=\"%9\" ")
                    .arg(QLatin1String(t.fpdm), FreightInvoiceNumber(i),
                         QLatin1String(t.kprq), QLatin1String(t.cyrswsbh), QString::fromUtf8(t.cyrmc),
                         QString::fromUtf8(t.yshwmc), QLatin1String(t.hwzl), QLatin1String(t.yslc),
                         QLatin1String(t.yfje));
        const QString check = QStringLiteral("%1").arg(quint32(0x9E3779B9u * quint32(i + 1)), 8, 16, QLatin1Char('0'));
        text += QStringLiteral("KCSE=\"%1\" GDZCXM=\"%2\" CRC=\"%3\"/>\n")
                    .arg(QLatin1String(t.kcse), QLatin1String(t.gdzcxm), check.toUpper());
    }
    text += QStringLiteral("    </RECORDS>\n  </TAXPAYER>\n</SCHEMA>\n");
    return EncodeGbk(text);
}

// Writes one sealed declaration into folder; returns the interface file.
QString Declare(const QString &folder, const QString &taxpayer, int records)
{
    QDir().mkpath(folder);
    const QString stem = folder + QStringLiteral("/YSFPCGL200601_") + taxpayer;
    const QString file = stem + QStringLiteral("_JK.XML");
    WriteFileAtomically(file, InterfaceFile(taxpayer, records));
    UpdateCrcDocument(stem + QStringLiteral("_CRC.XML"), file);
    return file;
}

struct Workspace {
    QTemporaryDir dir;
    QString many;  // 1,000 folders of one declaration each
    QString large; // one folder with the 100,000-record declaration
    std::vector<QString> manyFiles;
    QString largeFile;

    Workspace()
    {
        for (const QString &name : {QStringLiteral("Check.js"), QStringLiteral("Config.xml"),
                                    QStringLiteral("SchemaManager.xml")})
            QFile::copy(kDemo + QLatin1Char('/') + name, dir.filePath(name));
        QDir().mkpath(dir.filePath(QStringLiteral("DS")));
        for (const QString &name : QDir(kDemo + QStringLiteral("/DS")).entryList(QDir::Files))
            QFile::copy(kDemo + QStringLiteral("/DS/") + name, dir.filePath(QStringLiteral("DS/") + name));
        TApplicationInfo::SetAppDir(dir.path());

        many = dir.filePath(QStringLiteral("many"));
        for (int i = 0, n = ManyFiles(); i < n; ++i) {
            const QString taxpayer = QStringLiteral("3702116%1").arg(i, 8, 10, QLatin1Char('0'));
            manyFiles.push_back(Declare(many + QStringLiteral("/%1").arg(i, 4, 10, QLatin1Char('0')), taxpayer,
                                        kManyRecords));
        }
        large = dir.filePath(QStringLiteral("large"));
        largeFile = Declare(large, QStringLiteral("370211600123456"), kLargeRecords);
        xmlInitParser();
    }
};

Workspace &Shared()
{
    static Workspace workspace;
    return workspace;
}

// Reads and parses each file with bare libxml2 and nothing else.
void BareParse(const std::vector<QString> &files)
{
    for (const QString &file : files) {
        const QByteArray bytes = ReadFileBytes(file);
        xmlDocPtr doc = xmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, nullptr, XML_PARSE_NONET);
        if (!doc)
            std::abort();
        xmlFreeDoc(doc);
    }
}

// The batch run; the iteration's time is the run's own (without the
// script's time), checked for every file passing its CRC and DTD.
void TimedBatch(benchmark::State &state, const QString &folder, int jobs, bool withoutScript)
{
    double scriptSeconds = 0;
    double engineSeconds = 0;
    for (auto _ : state) {
        TBatchOptions options;
        options.folders = {folder};
        options.jobs = jobs;
        const auto start = std::chrono::steady_clock::now();
        const TBatchRun run = RunBatchChecks(options);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (const TBatchFileResult &file : run.files) {
            if (file.crc != TBatchVerdict::Pass || file.dtd != TBatchVerdict::Pass
                || file.script == TScriptOutcome::Failed || file.script == TScriptOutcome::TimedOut) {
                state.SkipWithError(("not checked: " + file.path + ": " + file.message).toStdString().c_str());
                return;
            }
        }
        const double script = double(run.scriptNs) / 1e9;
        scriptSeconds += script;
        engineSeconds += double(run.engineNs) / 1e9;
        state.SetIterationTime(withoutScript ? seconds - script : seconds);
    }
    state.counters["script_s"] = benchmark::Counter(scriptSeconds, benchmark::Counter::kAvgIterations);
    state.counters["engines_s"] = benchmark::Counter(engineSeconds, benchmark::Counter::kAvgIterations);
}

void BM_Many_BareLibxml2(benchmark::State &state)
{
    Workspace &ws = Shared();
    for (auto _ : state)
        BareParse(ws.manyFiles);
}

void BM_Many_BatchOwn(benchmark::State &state) { TimedBatch(state, Shared().many, 1, true); }

void BM_Many_BatchJobs(benchmark::State &state) { TimedBatch(state, Shared().many, int(state.range(0)), false); }

void BM_Large_BareLibxml2(benchmark::State &state)
{
    Workspace &ws = Shared();
    for (auto _ : state)
        BareParse({ws.largeFile});
}

void BM_Large_CheckOwn(benchmark::State &state) { TimedBatch(state, Shared().large, 1, true); }

} // namespace

BENCHMARK(BM_Many_BareLibxml2)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_Many_BatchOwn)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(5);
BENCHMARK(BM_Many_BatchJobs)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(5);
BENCHMARK(BM_Large_BareLibxml2)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_Large_CheckOwn)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(5);

int main(int argc, char **argv)
{
    // The script engines need the application object.
    QCoreApplication application(argc, argv);
    TMedianReporter reporter;
    if (!RunInterleaved(argc, argv, reporter))
        return 1;
    std::printf("1,000 files: batch own cost / bare libxml2 (medians): %.2fx (target <= 1.5x)\n",
                reporter.Ratio("BM_Many_BatchOwn", "BM_Many_BareLibxml2"));
    std::printf("1,000 files: throughput 2 threads / 1 thread (medians): %.2fx (target >= 1.6x)\n",
                reporter.Ratio("BM_Many_BatchJobs/1", "BM_Many_BatchJobs/2"));
    std::printf("100,000 records: check run own cost / bare libxml2 (medians): %.2fx (target <= 2x)\n",
                reporter.Ratio("BM_Large_CheckOwn", "BM_Large_BareLibxml2"));
    return 0;
}
