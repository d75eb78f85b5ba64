#include "TransferFixtures.h"

#include "CaseNames.h"
#include "export/XmlCrcFile.h"

#include <QFileInfo>

// Golden folders, one per case (tests/export/golden/<case>/):
//   info.txt      the declaration (key=value, UTF-8; "#" starts a comment)
//   report.xml    the report file converted (its DSFile names a definition
//                 of the demo's DS folder)
//   Transfer.xml  the transfer template, when not the demo's for the schema
//   <NAME>JK.DTD  the DTD, when not the demo's for the schema
//   expected.xml  the interface file, compared as parsed XML
// The expected files are written from the report by hand, not by the
// converter.

using namespace transfer;

namespace {

const QString kGolden = QStringLiteral(CORVANE_EXPORT_GOLDEN);

TExportBaseInfo ReadInfo(const QString &folder)
{
    QFile file(folder + QStringLiteral("/info.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << folder.toStdString();
    QHash<QString, QString> values;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        values.insert(line.left(equals), line.mid(equals + 1));
    }
    TExportBaseInfo info;
    info.schemaName = values.value(QStringLiteral("schemaName"));
    info.schemaCaption = values.value(QStringLiteral("schemaCaption"));
    info.period = values.value(QStringLiteral("period"));
    info.taxpayerId = values.value(QStringLiteral("taxpayerId"));
    info.taxpayerName = values.value(QStringLiteral("taxpayerName"));
    info.declarationDate = QDate::fromString(values.value(QStringLiteral("declarationDate")), Qt::ISODate);
    info.recordCount = values.value(QStringLiteral("recordCount")).toInt();
    info.collectionType = values.value(QStringLiteral("collectionType"));
    info.collectorCode = values.value(QStringLiteral("collectorCode"));
    info.collectorName = values.value(QStringLiteral("collectorName"));
    info.crcFileName = values.value(QStringLiteral("crcFileName"));
    info.transferTemplate = info.schemaName + QStringLiteral("Transfer.xml");
    info.interfaceFile = info.schemaName + info.period + QLatin1Char('_') + info.taxpayerId + QStringLiteral("_JK.XML");
    return info;
}

// The case's own file, else the demo's DS file.
QString CaseOrDemo(const QString &folder, const QString &own, const QString &demo)
{
    const QString path = folder + QLatin1Char('/') + own;
    return QFileInfo::exists(path) ? path : DemoFile(QStringLiteral("DS/") + demo);
}

class TransferGoldenTest : public ::testing::TestWithParam<const char *> {};

TEST_P(TransferGoldenTest, ConvertsTheReportIntoTheExpectedInterfaceFile)
{
    const QString folder = kGolden + QLatin1Char('/') + QLatin1String(GetParam());
    TempWorkspace ws;
    ws.CopyDemo();
    const TExportBaseInfo info = ReadInfo(folder);
    QFile report(folder + QStringLiteral("/report.xml"));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QString reportPath = ws.Write(QStringLiteral("Data/%1/golden.xml").arg(info.taxpayerId), report.readAll());
    auto dataSet = OpenReport(reportPath);
    auto templateDocument =
        TXMLDocument::LoadFile(CaseOrDemo(folder, QStringLiteral("Transfer.xml"), info.transferTemplate));

    TXmlDataTransfer transfer;
    transfer.SetTemplateDocument(templateDocument.get());
    transfer.SetDataSet(dataSet.get());
    transfer.SetBaseInfo(info);
    std::vector<int> progress;
    transfer.OnProgress = [&](int percent) { progress.push_back(percent); };
    transfer.Execute();
    QDir().mkpath(ws.file(QStringLiteral("export")));
    const QString out = ws.file(QStringLiteral("export/") + info.interfaceFile);
    transfer.SaveTo(out);

    EXPECT_EQ(Describe(out), Describe(folder + QStringLiteral("/expected.xml")));
    const QString dtdName = info.schemaName + QStringLiteral("JK.DTD");
    EXPECT_EQ(DtdErrors(out, CaseOrDemo(folder, dtdName, dtdName)), QString());
    EXPECT_EQ(progress, ExpectedProgress(dataSet->RecordCount()));
    EXPECT_EQ(dataSet->RecNo(), dataSet->RecordCount() > 0 ? 1 : 0);
    EXPECT_FALSE(dataSet->ControlsDisabled());

    // Sealed as the declare command seals it.
    const QString crcPath = ws.file(QStringLiteral("export/") + info.crcFileName);
    UpdateCrcDocument(crcPath, out);
    QString recorded;
    ASSERT_TRUE(LookupCrcValue(crcPath, info.interfaceFile, recorded));
    EXPECT_EQ(recorded, ZlibCrcText(out));
}

INSTANTIATE_TEST_SUITE_P(Golden, TransferGoldenTest,
                         ::testing::Values("ysfpcgl", "hgwspz", "fjwzfpcgl", "nested", "empty"),
                         [](const auto &info) { return CaseName(info.index, info.param); });

} // namespace
