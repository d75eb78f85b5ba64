// The report dataset at 1,000, 10,000 and 100,000 records of a 12-column
// keyed schema: open, walking every record, posting an edited record,
// appending a record, Locate of a missing value, close; plain libxml2
// parsing (xmlReadFile) and saving (xmlSaveFileEnc "GBK") of the same file
// are the baseline. BM_Memory measures the resident memory a bare parse and
// an open add, each in a fresh process of its own.
//
// Targets: open <= 1.3x bare parse; close <= 1.3x bare save; post and
// append at 100,000 records <= 2x the same at 1,000; walking every record
// <= 1x bare parse; memory after open <= 1.3x the bare parse's.

#include "ReportGenerator.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "reportdata/XmlDataSet.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

struct Workspace {
    QTemporaryDir dir;
    std::map<int, QString> reports;

    Workspace() { TApplicationInfo::SetAppDir(dir.path()); }

    const QString &Report(int records)
    {
        auto it = reports.find(records);
        if (it == reports.end())
            it = reports.emplace(records, reportgen::WriteReport(dir.path(), records)).first;
        return it->second;
    }
};

Workspace &Shared()
{
    static Workspace workspace;
    return workspace;
}

// A private copy of the report of that size, for benchmarks that change it.
QString WorkCopy(int records)
{
    const QString source = Shared().Report(records);
    const QString copy = source + QStringLiteral(".work.xml");
    QFile::remove(copy);
    QFile::remove(copy + QStringLiteral(".journal"));
    QFile::copy(source, copy);
    return copy;
}

using reportgen::OpenDataSet;

void BM_BareParse(benchmark::State &state)
{
    const QByteArray path = Shared().Report(int(state.range(0))).toLocal8Bit();
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadFile(path.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
        benchmark::DoNotOptimize(doc);
        xmlFreeDoc(doc);
    }
}

void BM_BareSave(benchmark::State &state)
{
    const QString report = Shared().Report(int(state.range(0)));
    const QByteArray path = report.toLocal8Bit();
    const QByteArray out = (report + QStringLiteral(".bare")).toLocal8Bit();
    xmlDocPtr doc = xmlReadFile(path.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    for (auto _ : state)
        benchmark::DoNotOptimize(xmlSaveFileEnc(out.constData(), doc, "GBK"));
    xmlFreeDoc(doc);
}

// Loading and opening, and releasing again (as the bare parse frees its document).
void BM_Open(benchmark::State &state)
{
    const QString path = Shared().Report(int(state.range(0)));
    for (auto _ : state) {
        auto dataSet = OpenDataSet(path, true);
        benchmark::DoNotOptimize(dataSet->RecordCount());
    }
}

void BM_WalkAll(benchmark::State &state)
{
    auto dataSet = OpenDataSet(Shared().Report(int(state.range(0))), true);
    for (auto _ : state) {
        qint64 sum = 0;
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
            sum += dataSet->Fields(5).Value().toInt();
        benchmark::DoNotOptimize(sum);
    }
}

void BM_PostEdit(benchmark::State &state)
{
    auto dataSet = OpenDataSet(WorkCopy(int(state.range(0))), false);
    dataSet->SetRecNo(dataSet->RecordCount() / 2);
    int n = 0;
    for (auto _ : state) {
        dataSet->Edit();
        dataSet->FieldByName(QStringLiteral("SL")).SetAsInteger(++n);
        dataSet->Post();
    }
}

void BM_Append(benchmark::State &state)
{
    auto dataSet = OpenDataSet(WorkCopy(int(state.range(0))), false);
    int n = 0;
    for (auto _ : state) {
        dataSet->Append();
        dataSet->FieldByName(QStringLiteral("FPDM")).SetAsString(QStringLiteral("999000000000"));
        dataSet->FieldByName(QStringLiteral("JE")).SetAsCurrency(12.345);
        for (;;) {
            dataSet->FieldByName(QStringLiteral("FPHM")).SetAsString(QString::number(++n));
            try {
                dataSet->Post();
                break;
            } catch (const TUserError &) {
                // A 31-bit digest shared with a stored record: the next number.
            }
        }
    }
}

void BM_LocateMissing(benchmark::State &state)
{
    auto dataSet = OpenDataSet(Shared().Report(int(state.range(0))), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(dataSet->Locate(QStringLiteral("FPHM"), QVariant(QStringLiteral("none"))));
}

void BM_Close(benchmark::State &state)
{
    const QString path = WorkCopy(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto dataSet = OpenDataSet(path, false);
        state.ResumeTiming();
        dataSet->Close();
        state.PauseTiming();
        dataSet.reset();
        state.ResumeTiming();
    }
}

long ResidentBytes()
{
    long size = 0;
    long resident = 0;
    FILE *statm = std::fopen("/proc/self/statm", "r");
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &size, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

// Resident memory added by parsing (mode "parse") or opening (mode "open")
// the report at path, measured in a fresh process running this program
// with "--rss-child MODE PATH", so that neither run profits from memory
// another one freed.
long GrowthInFreshProcess(const char *mode, const QString &path)
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return -1;
    self[length] = 0;
    const QByteArray command = QByteArray("'") + self + "' --rss-child " + mode + " '" + path.toLocal8Bit() + "'";
    FILE *child = popen(command.constData(), "r");
    if (!child)
        return -1;
    long growth = -1;
    if (std::fscanf(child, "%ld", &growth) != 1)
        growth = -1;
    pclose(child);
    return growth;
}

int RssChild(const char *mode, const char *path)
{
    TApplicationInfo::SetAppDir(QFileInfo(QString::fromLocal8Bit(path)).absolutePath() + QStringLiteral("/.."));
    const long before = ResidentBytes();
    long growth = 0;
    if (std::strcmp(mode, "parse") == 0) {
        xmlDocPtr doc = xmlReadFile(path, nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
        growth = ResidentBytes() - before;
        xmlFreeDoc(doc);
    } else {
        auto dataSet = OpenDataSet(QString::fromLocal8Bit(path), true);
        growth = ResidentBytes() - before;
    }
    std::printf("%ld\n", growth);
    return 0;
}

void BM_Memory(benchmark::State &state)
{
    const QString path = Shared().Report(int(state.range(0)));
    long parse = 0;
    long open = 0;
    for (auto _ : state) {
        parse = GrowthInFreshProcess("parse", path);
        open = GrowthInFreshProcess("open", path);
    }
    state.counters["parse_MB"] = double(parse) / (1 << 20);
    state.counters["open_MB"] = double(open) / (1 << 20);
    state.counters["ratio"] = parse > 0 ? double(open) / double(parse) : 0;
}

void Sizes(benchmark::internal::Benchmark *b) { b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond); }

} // namespace

BENCHMARK(BM_Memory)->Apply(Sizes)->Iterations(1);
BENCHMARK(BM_BareParse)->Apply(Sizes);
BENCHMARK(BM_Open)->Apply(Sizes);
BENCHMARK(BM_WalkAll)->Apply(Sizes);
BENCHMARK(BM_LocateMissing)->Apply(Sizes);
BENCHMARK(BM_PostEdit)->Apply(Sizes);
BENCHMARK(BM_Append)->Apply(Sizes);
BENCHMARK(BM_BareSave)->Apply(Sizes);
BENCHMARK(BM_Close)->Apply(Sizes);

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--rss-child") == 0)
        return RssChild(argv[2], argv[3]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
