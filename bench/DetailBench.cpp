// The checker's detail view of a 100,000-record interface file of the
// demo's freight-invoice schema (YSFPCGL, 12 attributes per RECORD):
//   BM_DetailTable TDetailTable::Build (the file parsed and kept, the schema
//                  register and field definitions read, every RECORD's
//                  attributes matched to their columns and converted, the
//                  two amount sums counted) and the table freed;
//   BM_BareLibxml2 xmlReadFile of the same file and xmlFreeDoc.
// Each runs nine times, interleaved at random; the program ends with the
// ratio of the medians. Target: BM_DetailTable <= 2x BM_BareLibxml2.

#include "app/utils/ApplicationInfo.h"
#include "app/utils/TextFile.h"
#include "checker/DetailTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <libxml/parser.h>

#include "MedianReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

constexpr int kRecords = 100000;
const QString kDemo = QStringLiteral(CORVANE_DEMO_WORKSPACE);

const char *const kRecordTexts[] = {
    "FPDM=\"237006110011\" FPHM=\"%1\" KPRQ=\"2006-01-05\" CYRSWSBH=\"370203588812345\" CYRMC=\"远驰运输有限公司\" "
    "YSHWMC=\"钢材\" HWZL=\"32.5\" YSLC=\"420\" YFJE=\"3850\" KCSE=\"269.5\" GDZCXM=\"False\" CRC=\"3167F9A1\"",
    "FPDM=\"237006110011\" FPHM=\"%1\" KPRQ=\"2006-01-12\" CYRSWSBH=\"370213556677889X\" CYRMC=\"金岭货运有限公司\" "
    "YSHWMC=\"机床配件\" HWZL=\"8.75\" YSLC=\"185\" YFJE=\"1234.5\" KCSE=\"86.42\" GDZCXM=\"False\" CRC=\"52FC80C9\"",
    "FPDM=\"237006110012\" FPHM=\"%1\" KPRQ=\"2006-01-18\" CYRSWSBH=\"91370200MA3C4D5E6F\" CYRMC=\"顺川联运有限公司\" "
    "YSHWMC=\"数控车床\" HWZL=\"12\" YSLC=\"960\" YFJE=\"6200\" KCSE=\"434\" GDZCXM=\"True\" CRC=\"D9A4309D\"",
};

// A workspace with the demo's schema register and field definitions and
// the interface file.
struct Workspace {
    QTemporaryDir dir;
    QString file;

    Workspace()
    {
        TApplicationInfo::SetAppDir(dir.path());
        QDir().mkpath(dir.filePath(QStringLiteral("DS")));
        QFile::copy(kDemo + QStringLiteral("/SchemaManager.xml"), dir.filePath(QStringLiteral("SchemaManager.xml")));
        QFile::copy(kDemo + QStringLiteral("/DS/YSFPCGL.xml"), dir.filePath(QStringLiteral("DS/YSFPCGL.xml")));
        QString text = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<!DOCTYPE SCHEMA SYSTEM \"YSFPCGLJK.dtd\">\n"
            "<SCHEMA NAME=\"YSFPCGL\" CHSNAME=\"运输发票清单\" SSSQ=\"200601\" CRC=\"YSFPCGL200601_370211600123456_CRC.XML\">\n"
            "  <TAXPAYER SWSBH=\"370211600123456\" NSRMC=\"青岚机械制造有限公司\" RECORDCOUNT=\"%1\">\n    <RECORDS>\n")
                           .arg(kRecords);
        for (int i = 0; i < kRecords; ++i)
            text += QStringLiteral("      <RECORD ")
                    + QString::fromUtf8(kRecordTexts[i % 3]).arg(i + 1, 8, 10, QLatin1Char('0')) + QStringLiteral("/>\n");
        text += QStringLiteral("    </RECORDS>\n  </TAXPAYER>\n</SCHEMA>\n");
        file = dir.filePath(QStringLiteral("YSFPCGL200601_370211600123456_JK.XML"));
        WriteFileAtomically(file, EncodeGbk(text));
    }
};

Workspace &Shared()
{
    static Workspace workspace;
    return workspace;
}

void BM_DetailTable(benchmark::State &state)
{
    Workspace &ws = Shared();
    for (auto _ : state) {
        std::unique_ptr<TDetailTable> table = TDetailTable::Build(ws.file);
        if (table->rowCount() != kRecords)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(table->headerData(8, Qt::Horizontal, Qt::UserRole + 100));
    }
}

void BM_BareLibxml2(benchmark::State &state)
{
    Workspace &ws = Shared();
    const QByteArray path = QFile::encodeName(ws.file);
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadFile(path.constData(), nullptr, XML_PARSE_NONET);
        benchmark::DoNotOptimize(doc);
        xmlFreeDoc(doc);
    }
}

} // namespace

BENCHMARK(BM_BareLibxml2)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9);
BENCHMARK(BM_DetailTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9);

int main(int argc, char **argv)
{
    TMedianReporter reporter;
    if (!RunInterleaved(argc, argv, reporter))
        return 1;
    std::printf("detail view / bare libxml2 (medians): %.2fx wall-clock, %.2fx CPU (target <= 2x)\n",
                reporter.Ratio("BM_DetailTable", "BM_BareLibxml2"),
                reporter.Ratio("BM_DetailTable", "BM_BareLibxml2", true));
    return 0;
}
