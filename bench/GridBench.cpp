// The data grid bound offscreen to a report model, on reports of the demo
// workspace's freight-invoice schema (YSFPCGL: keyed, footers with sums, a
// computed value) at 1,000 and 100,000 records:
//
// - BM_OpenDataSet / BM_OpenAndShowGrid: opening the report alone, against
//   opening it, binding the model (footers set, their sums computed), sizing
//   the columns as the window does and painting the grid once.
//   Target: the grid adds at most 30% (ratio <= 1.3).
// - BM_GridPost: one edited record posted through the grid's model: a cell
//   set with setData (the computed value runs the demo script's rule), then
//   Post with the demo script's check value and before-post rule, the
//   footers kept up from the change notices.
//   Target: at 100,000 records at most twice the time at 1,000.
//
// docs/performance.md records the ratios measured.

#include "FreightInvoices.h"
#include "ReportGenerator.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "components/FooterGrid.h"
#include "entry/ScriptHost.h"
#include "reportdata/DataSetModel.h"
#include "reportdata/FooterRole.h"
#include "reportdata/HashFunc.h"
#include "reportdata/ScriptArguments.h"
#include "reportdata/XmlDataSet.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

const QString kDemo = QStringLiteral(CORVANE_DEMO_WORKSPACE);
const QString kPayer = QStringLiteral("370211600123456");


struct Workspace {
    QTemporaryDir dir;
    std::map<int, QString> reports;

    Workspace()
    {
        TApplicationInfo::SetAppDir(dir.path());
        QDir().mkpath(dir.filePath(QStringLiteral("DS")));
        QDir().mkpath(dir.filePath(QStringLiteral("Data")));
        for (const QString &name : {QStringLiteral("YSFPCGL.xml"), QStringLiteral("YSFPCGLJK.DTD")})
            QFile::copy(kDemo + QStringLiteral("/DS/") + name, dir.filePath(QStringLiteral("DS/") + name));
        QFile::copy(kDemo + QStringLiteral("/Script.js"), dir.filePath(QStringLiteral("Script.js")));
    }

    // Data/YSFPCGL<records>.xml: the templates in turn with FPHM counting up
    // (digests that collide get another FPDM), written once.
    const QString &Report(int records)
    {
        auto it = reports.find(records);
        if (it != reports.end())
            return it->second;
        QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<TAXPAYER SWSBH=\"%1\">\n"
                                      "<YSFP Version=\"1.00\" DSFile=\"YSFPCGL.xml\" RecordCount=\"%2\">\n")
                           .arg(kPayer)
                           .arg(records);
        QSet<QString> digests;
        for (int i = 0; i < records; ++i) {
            const TFreightInvoice &t = FreightInvoice(i);
            const QString fphm = FreightInvoiceNumber(i);
            const QString fpdm = UniqueInvoiceCode(t, fphm, digests);
            const QString digest = HashKeyText(fpdm + fphm);
            text += QStringLiteral("<REC PKID=\"%1\"><FPDM>%2</FPDM><FPHM>%3</FPHM><KPRQ>%4</KPRQ>"
                                   "<CYRSWSBH>%5</CYRSWSBH><CYRMC>%6</CYRMC><YSHWMC>%7</YSHWMC><HWZL>%8</HWZL>"
                                   "<YSLC>%9</YSLC>")
                        .arg(digest, fpdm, fphm, QString::fromLatin1(t.kprq), QString::fromLatin1(t.cyrswsbh),
                             QString::fromUtf8(t.cyrmc), QString::fromUtf8(t.yshwmc), QString::fromLatin1(t.hwzl),
                             QString::fromLatin1(t.yslc))
                    + QStringLiteral("<YFJE>%1</YFJE><KCSE>%2</KCSE><GDZCXM>%3</GDZCXM><CRC>00000000</CRC></REC>\n")
                          .arg(QString::fromLatin1(t.yfje), QString::fromLatin1(t.kcse), QString::fromLatin1(t.gdzcxm));
        }
        text += QStringLiteral("</YSFP>\n</TAXPAYER>\n");
        const QString path = dir.filePath(QStringLiteral("Data/YSFPCGL%1.xml").arg(records));
        WriteFileAtomically(path, EncodeGbk(text));
        return reports.emplace(records, path).first->second;
    }
};

Workspace &Shared()
{
    static Workspace workspace;
    return workspace;
}

std::unique_ptr<TXmlDataSet> OpenReport(const QString &path, bool readOnly)
{
    return reportgen::OpenDataSet(path, readOnly);
}

// The footers of the schema as the window sets them: FPDM "合计", sums of
// HWZL, YFJE and KCSE.
void SetFooters(TDataSetModel &model, const TXmlDataSet &report)
{
    model.SetFooter(report.FieldByName(QStringLiteral("FPDM")).Index(), TDataSetModel::TFooterKind::Text,
                    QStringLiteral("合计"));
    for (const char *name : {"HWZL", "YFJE", "KCSE"})
        model.SetFooter(report.FieldByName(QString::fromLatin1(name)).Index(), TDataSetModel::TFooterKind::Sum);
}

TFooterGrid &Grid()
{
    static TFooterGrid *grid = [] {
        auto *made = new TFooterGrid;
        made->resize(1000, 700);
        return made;
    }();
    return *grid;
}

void BM_OpenDataSet(benchmark::State &state)
{
    const QString path = Shared().Report(int(state.range(0)));
    for (auto _ : state) {
        auto report = OpenReport(path, true);
        benchmark::DoNotOptimize(report->RecordCount());
        state.PauseTiming();
        report.reset();
        state.ResumeTiming();
    }
}

void BM_OpenAndShowGrid(benchmark::State &state)
{
    const QString path = Shared().Report(int(state.range(0)));
    TFooterGrid &grid = Grid();
    for (auto _ : state) {
        auto report = OpenReport(path, true);
        auto model = std::make_unique<TDataSetModel>(*report);
        grid.setModel(model.get());
        SetFooters(*model, *report);
        grid.SetViewMode(true);
        grid.resizeColumnsToContents();
        benchmark::DoNotOptimize(grid.grab());
        state.PauseTiming();
        grid.setModel(nullptr);
        model.reset();
        report.reset();
        state.ResumeTiming();
    }
}

void BM_GridPost(benchmark::State &state)
{
    const QString source = Shared().Report(int(state.range(0)));
    const QString path = source + QStringLiteral(".work.xml");
    QFile::remove(path);
    QFile::copy(source, path);
    std::unique_ptr<TScriptHost> host =
        TScriptHost::CreateScriptEngine(TApplicationInfo::AppFile(QStringLiteral("Script.js")));
    auto report = OpenReport(path, false);
    report->SetScriptEngine(host.get());
    TField &crc = report->FieldByName(QStringLiteral("CRC"));
    report->BeforePost = [&host, &crc](TXmlDataSet &dataSet) {
        crc.SetAsString(host->Run(QStringLiteral("ysfpcgl_OnCRC"),
                                  BuildCheckValueArguments(dataSet, QStringLiteral("37021100"), kPayer))
                            .toString());
        if (host->Run(QStringLiteral("ysfpcgl_OnBeforePost"), BuildRecordArguments(dataSet)).toInt() != 1)
            throw TUserError(QStringLiteral("rejected"));
    };
    TDataSetModel model(*report);
    TFooterGrid &grid = Grid();
    grid.setModel(&model);
    SetFooters(model, *report);
    grid.SetViewMode(false);
    const int yfje = report->FieldByName(QStringLiteral("YFJE")).Index();
    const int kcse = report->FieldByName(QStringLiteral("KCSE")).Index();
    const int row = report->RecordCount() / 2;
    const QString before = model.headerData(kcse, Qt::Horizontal, kFooterRole).toString();
    int round = 0;
    for (auto _ : state) {
        const double amount = 1000 + (++round % 50);
        if (!model.setData(model.index(row, yfje), amount))
            state.SkipWithError("setData refused");
        report->Post();
    }
    if (model.headerData(kcse, Qt::Horizontal, kFooterRole).toString() == before && round > 1)
        state.SkipWithError("the footer did not follow");
    grid.setModel(nullptr);
}

void Sizes(benchmark::internal::Benchmark *b) { b->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond); }

} // namespace

BENCHMARK(BM_OpenDataSet)->Apply(Sizes);
BENCHMARK(BM_OpenAndShowGrid)->Apply(Sizes);
BENCHMARK(BM_GridPost)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
