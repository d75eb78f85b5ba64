// The print page of a 100,000-record declaration of the demo's freight-
// invoice schema (YSFPCGL, its "other records" list YSFPCGLDLZKJK098.xslt,
// nine records in ten on it):
//   BM_BareParse        libxml2 parsing the print file and freeing it: the
//                       least any rendering has to do;
//   BM_PreparePrintFile the print file written from the interface file;
//   BM_RenderPrintPage  the style sheet applied with libxslt and the page
//                       written (print.html).
// Each runs five times; the program ends with the ratio of the medians of
// the rendering to the bare parse.

#include "print/Print.h"

#include "app/utils/ApplicationInfo.h"
#include "app/utils/FileOps.h"
#include "app/utils/TextFile.h"
#include "documents/XmlSchemaManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <libxml/parser.h>

#include "MedianReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

constexpr int kRecords = 100000;

struct Workspace {
    QTemporaryDir dir;
    QString interfaceFile;
    QString printFile;
    TSchemaRegister schemas;

    Workspace()
    {
        CopyFolderTree(QStringLiteral(CORVANE_DEMO_WORKSPACE), dir.path());
        TApplicationInfo::SetAppDir(dir.path());
        schemas.Open(TApplicationInfo::AppFile(QStringLiteral("SchemaManager.xml")));
        interfaceFile = TApplicationInfo::EnsureDir(TApplicationInfo::DeclareDir(QStringLiteral("200601")))
                      + QStringLiteral("YSFPCGL200601_370211600123456_JK.XML");
        WriteInterfaceFile();
        printFile = PreparePrintFile(interfaceFile, QStringLiteral("DLZK"), QStringLiteral("YSFPCGL"),
                                     QStringLiteral("98"), schemas, TFixedAssetChoice::Other);
    }

    // The interface file as the declare command saves it: GBK, one record a line.
    void WriteInterfaceFile()
    {
        QString text = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
            "<!DOCTYPE SCHEMA SYSTEM \"YSFPCGLJK.dtd\">\n"
            "<SCHEMA NAME=\"YSFPCGL\" CHSNAME=\"运输发票清单\" SSSQ=\"200601\" CRC=\"YSFPCGL200601_370211600123456_CRC.XML\">\n"
            "  <TAXPAYER SWSBH=\"370211600123456\" NSRMC=\"青岚机械制造有限公司\" SBRQ=\"2006-02-08\" RECORDCOUNT=\"%1\" "
            "CJLX=\"DLZK\" CJRDM=\"370211600123456\" CJRMC=\"青岚机械制造有限公司\">\n    <RECORDS>\n").arg(kRecords);
        text.reserve(kRecords * 330);
        for (int i = 0; i < kRecords; ++i) {
            text += QStringLiteral(
                "      <RECORD FPDM=\"2370061100%1\" FPHM=\"%2\" KPRQ=\"2006-01-%3\" CYRSWSBH=\"3702035888%4\" "
                "CYRMC=\"第%5运输有限公司\" YSHWMC=\"钢材\" HWZL=\"%6\" YSLC=\"%7\" YFJE=\"%8\" KCSE=\"%9\" ")
                        .arg(i % 100, 2, 10, QLatin1Char('0'))
                        .arg(i, 8, 10, QLatin1Char('0'))
                        .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                        .arg(i % 100000, 5, 10, QLatin1Char('0'))
                        .arg(i % 500)
                        .arg(double(1 + i % 400) / 8.0)
                        .arg(10 + i % 900)
                        .arg(double(100 + i % 9000) / 4.0)
                        .arg(double(7 + i % 630) / 4.0);
            text += QStringLiteral("GDZCXM=\"%1\" CRC=\"%2\"/>\n")
                        .arg(i % 10 == 0 ? QStringLiteral("True") : QStringLiteral("False"))
                        .arg(uint(i) * 2654435761u, 8, 16, QLatin1Char('0'));
        }
        text += QStringLiteral("    </RECORDS>\n  </TAXPAYER>\n</SCHEMA>\n");
        WriteFileAtomically(interfaceFile, EncodeGbk(text));
    }
};

Workspace &Shared()
{
    static Workspace workspace;
    return workspace;
}

void BM_BareParse(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(Shared().printFile);
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadFile(path.constData(), nullptr, XML_PARSE_NONET);
        if (!doc)
            std::abort();
        xmlFreeDoc(doc);
    }
    state.counters["file_MB"] = double(QFileInfo(Shared().printFile).size()) / (1 << 20);
}

void BM_PreparePrintFile(benchmark::State &state)
{
    Workspace &ws = Shared();
    for (auto _ : state) {
        benchmark::DoNotOptimize(PreparePrintFile(ws.interfaceFile, QStringLiteral("DLZK"), QStringLiteral("YSFPCGL"),
                                                  QStringLiteral("98"), ws.schemas, TFixedAssetChoice::Other));
    }
}

void BM_RenderPrintPage(benchmark::State &state)
{
    Workspace &ws = Shared();
    QString page;
    for (auto _ : state)
        page = RenderPrintPage(ws.printFile);
    state.counters["page_MB"] = double(QFileInfo(page).size()) / (1 << 20);
}

} // namespace

BENCHMARK(BM_BareParse)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_PreparePrintFile)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_RenderPrintPage)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TMedianReporter reporter;
    if (!RunInterleaved(argc, argv, reporter))
        return 1;
    std::printf("print page / bare libxml2 parse (medians): %.1fx\n",
                reporter.Ratio("BM_RenderPrintPage", "BM_BareParse"));
    return 0;
}
