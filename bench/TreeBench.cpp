// Building the navigation tree of a large workspace: 2,000 taxpayers x 3
// schemas x 12 reports (72,000 DATAFILE entries). The baseline is a bare
// libxml2 parse (xmlReadFile) of FileManager.xml and TaxPayers.xml in the
// same run; the target is opening the three registers and building the tree
// in at most 3x that. The sub-steps are measured on their own so that the
// time can be placed, and the walk of the register once per taxpayer and
// schema (what the tree did before the one-pass index) is measured at 500
// and 2,000 taxpayers beside the index to show it grows with the square.

#include "app/utils/TextFile.h"
#include "documents/XmlFileManager.h"
#include "documents/XmlSchemaManager.h"
#include "documents/XmlTaxPayer.h"
#include "workspace/NavigationTree.h"

#include <QTemporaryDir>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

constexpr int kTaxpayers = 2000;
constexpr int kReportsPerList = 12;
const char *const kSchemas[][2] = {{"YSFPCGL", "运输发票清单"}, {"HGWSPZ", "海关完税凭证"}, {"FJWZFPCGL", "废旧物资发票清单"}};

QString Code(int t) { return QStringLiteral("91110105MA%1").arg(t, 8, 10, QLatin1Char('0')); }

// A workspace's three registers in a folder of their own, GBK like real ones.
struct Workspace {
    QTemporaryDir dir;
    int taxpayers;

    QString File(const char *name) const { return dir.path() + QLatin1Char('/') + QLatin1String(name); }

    explicit Workspace(int count) : taxpayers(count)
    {
        QString schemas = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<SCHEMAMANAGER>\n");
        for (const auto &schema : kSchemas)
            schemas += QStringLiteral("  <SCHEMA NAME=\"%1\" CHSNAME=\"%2\" DS=\"%1.xml\" JK=\"%1JK.xml\" "
                                      "Transfer=\"%1Transfer.xml\"/>\n")
                           .arg(QLatin1String(schema[0]), QString::fromUtf8(schema[1]));
        schemas += QStringLiteral("</SCHEMAMANAGER>\n");

        QString payers = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<TAXPAYERS>\n");
        QString files = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<FILEMANAGER>\n");
        for (int t = 0; t < count; ++t) {
            payers += QStringLiteral("  <TAXPAYER>\n    <SWSBH>%1</SWSBH>\n    <NSRMC>测试企业%2有限公司</NSRMC>\n"
                                     "    <SWJGDM>137021100</SWJGDM>\n  </TAXPAYER>\n")
                          .arg(Code(t))
                          .arg(t);
            files += QStringLiteral("  <TAXPAYER SWSBH=\"%1\">\n").arg(Code(t));
            for (const auto &schema : kSchemas) {
                files += QStringLiteral("    <FILELIST TYPEID=\"%1\">\n").arg(QLatin1String(schema[0]));
                for (int m = 1; m <= kReportsPerList; ++m) {
                    const bool declared = m < kReportsPerList;
                    files += QStringLiteral("      <DATAFILE NAME=\"%1%2.xml\" STATUS=\"%3\" SBRQ=\"%4\"/>\n")
                                 .arg(QLatin1String(schema[0]))
                                 .arg(202500 + m)
                                 .arg(declared ? 9 : 1)
                                 .arg(declared ? QStringLiteral("2026-01-10") : QString());
                }
                files += QStringLiteral("    </FILELIST>\n");
            }
            files += QStringLiteral("  </TAXPAYER>\n");
        }
        payers += QStringLiteral("</TAXPAYERS>\n");
        files += QStringLiteral("</FILEMANAGER>\n");
        WriteFileAtomically(File("SchemaManager.xml"), EncodeGbk(schemas));
        WriteFileAtomically(File("TaxPayers.xml"), EncodeGbk(payers));
        WriteFileAtomically(File("FileManager.xml"), EncodeGbk(files));
    }
};

Workspace &Shared(int taxpayers = kTaxpayers)
{
    static std::map<int, std::unique_ptr<Workspace>> workspaces;
    auto &workspace = workspaces[taxpayers];
    if (!workspace)
        workspace = std::make_unique<Workspace>(taxpayers);
    return *workspace;
}

// The three registers opened read-only, as the client opens them at start-up.
struct Registers {
    TTaxPayerRegistry taxpayers;
    TSchemaRegister schemas;
    TFileRegister files;

    explicit Registers(const Workspace &ws)
    {
        taxpayers.SetSaveOnClose(false);
        schemas.SetSaveOnClose(false);
        files.SetSaveOnClose(false);
        taxpayers.Open(ws.File("TaxPayers.xml"));
        schemas.Open(ws.File("SchemaManager.xml"));
        files.Open(ws.File("FileManager.xml"));
    }
};

void BareParse(const QString &path)
{
    const QByteArray name = path.toLocal8Bit();
    xmlDocPtr doc = xmlReadFile(name.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
}

// (a) the baseline
void BM_BareParse(benchmark::State &state)
{
    const Workspace &ws = Shared();
    for (auto _ : state) {
        BareParse(ws.File("FileManager.xml"));
        BareParse(ws.File("TaxPayers.xml"));
    }
}

// (b) what start-up does: open the registers, build the tree
void BM_OpenAndBuild(benchmark::State &state)
{
    const Workspace &ws = Shared();
    for (auto _ : state) {
        Registers registers(ws);
        TNavigationTree tree;
        tree.Build(registers.taxpayers, registers.schemas, registers.files);
        benchmark::DoNotOptimize(tree.Root()->ChildCount());
    }
}

// ---- sub-steps of (b)

void BM_OpenRegisters(benchmark::State &state)
{
    const Workspace &ws = Shared();
    for (auto _ : state) {
        Registers registers(ws);
        benchmark::DoNotOptimize(registers.files.IsOpen());
    }
}

void BM_EnumerateTaxPayers(benchmark::State &state)
{
    Registers registers(Shared());
    for (auto _ : state)
        benchmark::DoNotOptimize(registers.taxpayers.Enumerate().size());
}

void BM_IndexReportFiles(benchmark::State &state)
{
    Registers registers(Shared(int(state.range(0))));
    for (auto _ : state) {
        const TReportFileIndex index = registers.files.IndexReportFiles();
        benchmark::DoNotOptimize(&index);
    }
}

void BM_BuildOnOpenRegisters(benchmark::State &state)
{
    Registers registers(Shared());
    for (auto _ : state) {
        TNavigationTree tree;
        tree.Build(registers.taxpayers, registers.schemas, registers.files);
        benchmark::DoNotOptimize(tree.Root()->ChildCount());
    }
}

// ---- every pair: the index against one walk of the register per pair

void BM_PairsByIndex(benchmark::State &state)
{
    const int taxpayers = int(state.range(0));
    Registers registers(Shared(taxpayers));
    for (auto _ : state) {
        const TReportFileIndex index = registers.files.IndexReportFiles();
        int count = 0;
        for (int t = 0; t < taxpayers; ++t) {
            for (const auto &schema : kSchemas)
                count += int(index.ReportFiles(Code(t), QLatin1String(schema[0])).size());
        }
        benchmark::DoNotOptimize(count);
    }
}

void BM_PairsByWalk(benchmark::State &state)
{
    const int taxpayers = int(state.range(0));
    Registers registers(Shared(taxpayers));
    for (auto _ : state) {
        int count = 0;
        for (int t = 0; t < taxpayers; ++t) {
            for (const auto &schema : kSchemas)
                count += int(registers.files.ReportFiles(Code(t), QLatin1String(schema[0])).size());
        }
        benchmark::DoNotOptimize(count);
    }
}

} // namespace

BENCHMARK(BM_BareParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRegisters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumerateTaxPayers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexReportFiles)->Arg(kTaxpayers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildOnOpenRegisters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PairsByIndex)->Arg(500)->Arg(kTaxpayers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PairsByWalk)->Arg(500)->Arg(kTaxpayers)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
