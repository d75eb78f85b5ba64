// Importing 10,000 CSV rows into a transport-invoice report of the demo
// workspace (schema YSFPCGL, rules of the demo Script.js), against the
// demo rules alone on the same rows: for each row the computed value of
// KCSE, "_OnCRC" and "_OnBeforePost" called through the script host with
// argument arrays built by hand, without a dataset.
//
// Target: the import <= 3x the rules alone.

#include "app/utils/ApplicationInfo.h"
#include "documents/XmlSchemaManager.h"
#include "documents/XmlTaxPayer.h"
#include "entry/RecordImport.h"
#include "entry/RecordValidation.h"
#include "entry/ScriptHost.h"
#include "app/utils/Utils.h"
#include "reportdata/XmlDataSet.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kRows = 10000;
const QString kSwsbh = QStringLiteral("370211600123456");
const QString kReport = QStringLiteral("Data/370211600123456/YSFPCGL200602.xml");

struct Row {
    QString fpdm, fphm;
    QDate kprq;
    QString cyrswsbh, cyrmc, yshwmc;
    double hwzl;
    int yslc;
    double yfje;
    bool gdzcxm;
};

QList<Row> Rows()
{
    QList<Row> rows;
    for (int i = 0; i < kRows; ++i) {
        rows.append({QStringLiteral("2370061100%1").arg(i / 1000 + 13, 2, 10, QLatin1Char('0')),
                     QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')), QDate(2006, 2, 1 + i % 28),
                     i % 2 ? QStringLiteral("370203588812345") : QStringLiteral("370213556677889X"),
                     i % 2 ? QStringLiteral("远驰运输有限公司") : QStringLiteral("金岭货运有限公司"),
                     QStringLiteral("钢材"), 10.5 + i % 7, 100 + i % 900, 100.0 + i, i % 5 == 0});
    }
    return rows;
}

QByteArray Csv(const QList<Row> &rows)
{
    QString text = QStringLiteral("FPDM,FPHM,KPRQ,CYRSWSBH,CYRMC,YSHWMC,HWZL,YSLC,YFJE,GDZCXM\r\n");
    for (const Row &r : rows) {
        text += QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10\r\n")
                    .arg(r.fpdm, r.fphm, r.kprq.toString(QStringLiteral("yyyy-MM-dd")), r.cyrswsbh, r.cyrmc, r.yshwmc)
                    .arg(r.hwzl)
                    .arg(r.yslc)
                    .arg(r.yfje)
                    .arg(r.gdzcxm ? QStringLiteral("True") : QStringLiteral("False"));
    }
    return text.toUtf8();
}

void CopyFolder(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QDir(from).relativeFilePath(source);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(source, target);
    }
}

struct Workspace {
    QTemporaryDir dir;
    QString root;
    QList<Row> rows = Rows();
    QString csv;
    QByteArray report;
    TTaxPayerRegistry taxPayers;
    TSchemaRegister schemas;
    std::unique_ptr<TScriptHost> host;

    Workspace()
    {
        root = dir.path() + QStringLiteral("/");
        CopyFolder(QStringLiteral(CORVANE_DEMO_WORKSPACE) + QStringLiteral("/"), root);
        TApplicationInfo::SetAppDir(root);
        QFile out(root + QStringLiteral("rows.csv"));
        out.open(QIODevice::WriteOnly);
        out.write(Csv(rows));
        out.close();
        csv = out.fileName();
        QFile in(root + kReport);
        in.open(QIODevice::ReadOnly);
        report = in.readAll();
        taxPayers.Open(root + QStringLiteral("TaxPayers.xml"));
        schemas.Open(root + QStringLiteral("SchemaManager.xml"));
        host = TScriptHost::CreateScriptEngine(root + QStringLiteral("Script.js"));
    }
};

Workspace &Shared()
{
    static Workspace workspace;
    return workspace;
}

void BM_ImportCsv(benchmark::State &state)
{
    Workspace &ws = Shared();
    TRecordValidator validator(TRecordContext{QStringLiteral("YSFPCGL"), kSwsbh, ws.taxPayers, ws.schemas, *ws.host});
    int imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            QFile file(ws.root + kReport);
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(ws.report);
        }
        auto report = std::make_unique<TXmlDataSet>();
        report->SetFileName(ws.root + kReport);
        report->SetAccMonth(QStringLiteral("200602"));
        report->SetScriptEngine(ws.host.get());
        report->BeforePost = [&validator](TXmlDataSet &dataSet) { validator.BeforePost(dataSet); };
        report->Open();
        state.ResumeTiming();

        const TImportResult result = ImportCsvFile(*report, validator, ws.csv);
        imported = result.imported;

        state.PauseTiming();
        report.reset();
        state.ResumeTiming();
    }
    state.counters["imported"] = imported;
    if (imported != kRows)
        state.SkipWithError("not every row was imported");
}

// The same rule calls with the values of each row, argument arrays built
// directly.
void BM_RulesAlone(benchmark::State &state)
{
    Workspace &ws = Shared();
    const QDateTime periodEnd = PeriodEndDate(QStringLiteral("200602"));
    const QString swjgdm = QStringLiteral("137021100");
    for (auto _ : state) {
        int recNo = 4;
        for (const Row &r : ws.rows) {
            const QDateTime day(r.kprq, QTime(0, 0));
            QVariantList fields{r.fpdm, r.fphm, day, r.cyrswsbh, r.cyrmc, r.yshwmc, r.hwzl, r.yslc, r.yfje,
                                0.0, r.gdzcxm, QString()};
            const QVariant kcse = ws.host->Run(QStringLiteral("ysfpcgl_CalcKCSE"),
                                               QVariantList{periodEnd, recNo} + fields);
            fields[9] = kcse.toDouble();
            const QVariant crc = ws.host->Run(QStringLiteral("ysfpcgl_OnCRC"),
                                              QVariantList{swjgdm, kSwsbh, periodEnd, recNo} + fields);
            fields[11] = crc.toString();
            benchmark::DoNotOptimize(ws.host->Run(QStringLiteral("ysfpcgl_OnBeforePost"),
                                                  QVariantList{periodEnd, recNo} + fields));
            ++recNo;
        }
    }
}

} // namespace

BENCHMARK(BM_RulesAlone)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the script engine needs one
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
