// Declaring a 100,000-record report of the demo's freight-invoice schema
// (YSFPCGL, 12 fields through the demo's transfer template):
//   BM_Declare     TXmlDataTransfer::Execute and SaveTo (atomic, GBK), the
//                  report open beforehand as the declare command has it;
//   BM_BareLibxml2 the same interface document built with bare libxml2
//                  calls (xmlNewDoc, xmlNewChild, xmlNewProp, values taken
//                  ready-made from memory) and saved with
//                  xmlSaveFormatFileEnc "GBK".
// Each runs nine times, the runs of the three interleaved at random (the
// machine is shared: load that comes and goes falls on all of them); the
// program ends with the ratios of the medians, wall-clock and CPU time.
// BM_DeclareConvertOnly is Execute alone, for the breakdown.
// Target: BM_Declare <= 1.5x BM_BareLibxml2.

#include "app/utils/ApplicationInfo.h"
#include "app/utils/TextFile.h"
#include "export/XmlDataTransfer.h"
#include "reportdata/HashFunc.h"
#include "reportdata/XmlDataSet.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <libxml/tree.h>

#include "FreightInvoices.h"
#include "MedianReporter.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kRecords = 100000;
const QString kDemo = QStringLiteral(CORVANE_DEMO_WORKSPACE);


const char *const kFields[] = {"FPDM", "FPHM", "KPRQ", "CYRSWSBH", "CYRMC", "YSHWMC",
                               "HWZL", "YSLC", "YFJE", "KCSE", "GDZCXM", "CRC"};
constexpr int kFieldCount = 12;
using Values = std::array<QByteArray, kFieldCount>;

TExportBaseInfo Info()
{
    TExportBaseInfo info;
    info.period = QStringLiteral("200601");
    info.schemaName = QStringLiteral("YSFPCGL");
    info.schemaCaption = QStringLiteral("运输发票清单");
    info.taxpayerId = QStringLiteral("370211600123456");
    info.taxpayerName = QStringLiteral("青岚机械制造有限公司");
    info.declarationDate = QDate(2006, 2, 8);
    info.recordCount = kRecords;
    info.collectionType = QStringLiteral("DLZK");
    info.collectorCode = info.taxpayerId;
    info.collectorName = info.taxpayerName;
    info.crcFileName = QStringLiteral("YSFPCGL200601_370211600123456_CRC.XML");
    info.transferTemplate = QStringLiteral("YSFPCGLTransfer.xml");
    info.interfaceFile = QStringLiteral("YSFPCGL200601_370211600123456_JK.XML");
    return info;
}

// A workspace with the schema's DS files and the report, the report open.
struct Workspace {
    QTemporaryDir dir;
    std::unique_ptr<TXmlDataSet> dataSet;
    std::unique_ptr<TXMLDocument> transferTemplate;
    std::vector<Values> values; // the records' field texts, for the baseline

    Workspace()
    {
        TApplicationInfo::SetAppDir(dir.path());
        QDir().mkpath(dir.filePath(QStringLiteral("DS")));
        QDir().mkpath(dir.filePath(QStringLiteral("Data")));
        QDir().mkpath(dir.filePath(QStringLiteral("export")));
        for (const QString &name :
             {QStringLiteral("YSFPCGL.xml"), QStringLiteral("YSFPCGLJK.DTD"), QStringLiteral("YSFPCGLTransfer.xml")})
            QFile::copy(kDemo + QStringLiteral("/DS/") + name, dir.filePath(QStringLiteral("DS/") + name));

        QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<TAXPAYER SWSBH=\"370211600123456\">\n"
                                      "<YSFP Version=\"1.00\" DSFile=\"YSFPCGL.xml\" RecordCount=\"%1\">\n")
                           .arg(kRecords);
        QSet<QString> digests;
        values.reserve(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            const TFreightInvoice &t = FreightInvoice(i);
            const QString fphm = FreightInvoiceNumber(i);
            const QString fpdm = UniqueInvoiceCode(t, fphm, digests);
            const QString digest = HashKeyText(fpdm + fphm);
            const Values v{fpdm.toUtf8(), fphm.toUtf8(), t.kprq, t.cyrswsbh, t.cyrmc, t.yshwmc,
                           t.hwzl, t.yslc, t.yfje, t.kcse, t.gdzcxm, digest.toUtf8()};
            text += QStringLiteral("<REC PKID=\"%1\">").arg(digest);
            for (int f = 0; f < kFieldCount; ++f)
                text += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(kFields[f]), QString::fromUtf8(v[size_t(f)]));
            text += QStringLiteral("</REC>\n");
            values.push_back(v);
        }
        text += QStringLiteral("</YSFP>\n</TAXPAYER>\n");
        const QString path = dir.filePath(QStringLiteral("Data/YSFPCGL200601.xml"));
        WriteFileAtomically(path, EncodeGbk(text));

        dataSet = std::make_unique<TXmlDataSet>();
        dataSet->SetReadOnly(true);
        dataSet->SetFileName(path);
        dataSet->SetAccMonth(QStringLiteral("200601"));
        dataSet->Open();
        transferTemplate = TXMLDocument::LoadFile(dir.filePath(QStringLiteral("DS/YSFPCGLTransfer.xml")));
    }

    QString Out(const char *name) const { return dir.filePath(QStringLiteral("export/") + QLatin1String(name)); }
};

Workspace &Shared()
{
    static Workspace workspace;
    return workspace;
}

const xmlChar *X(const char *text) { return reinterpret_cast<const xmlChar *>(text); }

void BM_Declare(benchmark::State &state)
{
    Workspace &ws = Shared();
    const QString out = ws.Out("YSFPCGL200601_370211600123456_JK.XML");
    for (auto _ : state) {
        TXmlDataTransfer transfer;
        transfer.SetTemplateDocument(ws.transferTemplate.get());
        transfer.SetDataSet(ws.dataSet.get());
        transfer.SetBaseInfo(Info());
        int calls = 0;
        transfer.OnProgress = [&calls](int) { ++calls; };
        transfer.Execute();
        transfer.SaveTo(out);
        benchmark::DoNotOptimize(calls);
    }
}

// The conversion alone, without the save.
void BM_DeclareConvertOnly(benchmark::State &state)
{
    Workspace &ws = Shared();
    for (auto _ : state) {
        TXmlDataTransfer transfer;
        transfer.SetTemplateDocument(ws.transferTemplate.get());
        transfer.SetDataSet(ws.dataSet.get());
        transfer.SetBaseInfo(Info());
        transfer.Execute();
        benchmark::DoNotOptimize(transfer.RecordContainer().Raw());
    }
}

void BM_BareLibxml2(benchmark::State &state)
{
    Workspace &ws = Shared();
    const TExportBaseInfo info = Info();
    const QByteArray out = QFile::encodeName(ws.Out("bare_JK.XML"));
    for (auto _ : state) {
        xmlDocPtr doc = xmlNewDoc(X("1.0"));
        xmlCreateIntSubset(doc, X("SCHEMA"), nullptr, X("YSFPCGLJK.dtd"));
        xmlNodePtr schema = xmlNewDocNode(doc, nullptr, X("SCHEMA"), nullptr);
        xmlDocSetRootElement(doc, schema);
        xmlNewProp(schema, X("NAME"), X(info.schemaName.toUtf8().constData()));
        xmlNewProp(schema, X("CHSNAME"), X(info.schemaCaption.toUtf8().constData()));
        xmlNewProp(schema, X("SSSQ"), X(info.period.toUtf8().constData()));
        xmlNewProp(schema, X("CRC"), X(info.crcFileName.toUtf8().constData()));
        xmlNodePtr taxPayer = xmlNewChild(schema, nullptr, X("TAXPAYER"), nullptr);
        xmlNewProp(taxPayer, X("SWSBH"), X(info.taxpayerId.toUtf8().constData()));
        xmlNewProp(taxPayer, X("NSRMC"), X(info.taxpayerName.toUtf8().constData()));
        xmlNewProp(taxPayer, X("SBRQ"), X("2006-02-08"));
        xmlNewProp(taxPayer, X("RECORDCOUNT"), X(QByteArray::number(kRecords).constData()));
        xmlNewProp(taxPayer, X("CJLX"), X("DLZK"));
        xmlNewProp(taxPayer, X("CJRDM"), X(info.collectorCode.toUtf8().constData()));
        xmlNewProp(taxPayer, X("CJRMC"), X(info.collectorName.toUtf8().constData()));
        xmlNodePtr records = xmlNewChild(taxPayer, nullptr, X("RECORDS"), nullptr);
        for (const Values &v : ws.values) {
            xmlNodePtr record = xmlNewChild(records, nullptr, X("RECORD"), nullptr);
            for (int f = 0; f < kFieldCount; ++f)
                xmlNewProp(record, X(kFields[f]), X(v[size_t(f)].constData()));
        }
        benchmark::DoNotOptimize(xmlSaveFormatFileEnc(out.constData(), doc, "GBK", 1));
        xmlFreeDoc(doc);
    }
}

} // namespace

BENCHMARK(BM_BareLibxml2)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9);
BENCHMARK(BM_DeclareConvertOnly)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9);
BENCHMARK(BM_Declare)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9);

int main(int argc, char **argv)
{
    TMedianReporter reporter;
    if (!RunInterleaved(argc, argv, reporter))
        return 1;
    std::printf("declare / bare libxml2 (medians): %.2fx wall-clock, %.2fx CPU (target <= 1.5x)\n",
                reporter.Ratio("BM_Declare", "BM_BareLibxml2"), reporter.Ratio("BM_Declare", "BM_BareLibxml2", true));
    return 0;
}
