#pragma once

// Builds a workspace with one schema of 12 columns (every value type, keyed
// by invoice code and number) and report files of any number of records, as
// hand-made files look (GBK, one element per line). Used by the dataset
// benchmark.

#include "app/utils/ApplicationInfo.h"
#include "app/utils/TextFile.h"
#include "reportdata/HashFunc.h"
#include "reportdata/XmlDataSet.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QString>

#include <memory>

namespace reportgen {

struct ColumnDef {
    const char *name;
    const char *type;
    const char *size;
    const char *caption;
};

inline const ColumnDef kColumns[] = {
    {"NSRSBH", "TEXT", "20", "纳税人识别号"}, {"NSRMC", "TEXT", "60", "纳税人名称"},
    {"FPDM", "TEXT", "12", "发票代码"},       {"FPHM", "TEXT", "8", "发票号码"},
    {"KPRQ", "DATE", "", "开票日期"},         {"SL", "INTEGER", "", "数量"},
    {"DJ", "FLOAT", "", "单价"},              {"JE", "CURRENCY", "", "金额"},
    {"SE", "CURRENCY", "", "税额"},           {"SLV", "FLOAT", "", "税率"},
    {"ZF", "BOOLEAN", "0", "作废"},           {"BZ", "TEXT", "100", "备注"},
};
constexpr int kColumnCount = int(sizeof kColumns / sizeof kColumns[0]);

inline QString DefinitionText()
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<FORM VERSION=\"1.0\">\n<COLUMNS>\n");
    for (const ColumnDef &c : kColumns)
        text += QStringLiteral("<COLUMN NAME=\"%1\"><CHSNAME>%4</CHSNAME><DATATYPE>%2</DATATYPE>"
                               "<DATASIZE>%3</DATASIZE><COMMENT>%4</COMMENT><FOOTER VALUETYPE=\"Sum\"/></COLUMN>\n")
                    .arg(QLatin1String(c.name), QLatin1String(c.type), QLatin1String(c.size), QString::fromUtf8(c.caption));
    return text + QStringLiteral("</COLUMNS>\n<KEYFIELDS>FPDM;FPHM</KEYFIELDS>\n<CONFIRM>JE</CONFIRM>\n</FORM>\n");
}

// The field texts of record i, in column order.
inline QStringList RecordValues(int i)
{
    const int qty = 1 + i % 97;
    const double price = 3.25 + (i % 1000) / 8.0;
    return {
        QStringLiteral("1101010000%1").arg(i % 100000, 5, 10, QLatin1Char('0')),
        QStringLiteral("北京市第%1贸易有限公司").arg(i % 5000),
        QStringLiteral("110%1").arg(i / 100000000 + 100000001, 9, 10, QLatin1Char('0')),
        QStringLiteral("%1").arg(i % 100000000, 8, 10, QLatin1Char('0')),
        QStringLiteral("2006-%1-%2").arg(1 + i % 12, 2, 10, QLatin1Char('0')).arg(1 + i % 28, 2, 10, QLatin1Char('0')),
        QString::number(qty),
        QString::number(price),
        QString::number(qty * price, 'f', 2),
        QString::number(qty * price * 0.17, 'f', 2),
        QStringLiteral("0.17"),
        i % 50 == 0 ? QStringLiteral("True") : QStringLiteral("False"),
        i % 3 == 0 ? QStringLiteral("货物已验收") : QString(),
    };
}

// Writes DS/BENCH.xml below workspace (once) and Data/BENCH<records>.xml;
// returns the report path.
inline QString WriteReport(const QString &workspace, int records)
{
    QDir().mkpath(workspace + QStringLiteral("/DS"));
    QDir().mkpath(workspace + QStringLiteral("/Data"));
    const QString definition = workspace + QStringLiteral("/DS/BENCH.xml");
    if (!QFile::exists(definition))
        WriteFileAtomically(definition, EncodeGbk(DefinitionText()));

    const QString path = workspace + QStringLiteral("/Data/BENCH%1.xml").arg(records);
    QFile out(path);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<TAXPAYER SWSBH=\"110101000000001\">\n"
                                       "  <YSFP Version=\"1.00\" DSFile=\"BENCH.xml\" RecordCount=\"%1\">\n")
                            .arg(records)));
    QString chunk;
    QSet<QString> digests; // 31-bit digests of 100,000 keys do collide: vary the code then
    for (int i = 0; i < records; ++i) {
        QStringList values = RecordValues(i);
        QString digest = HashKeyText(values[2] + values[3]);
        for (int bump = 1; digests.contains(digest); ++bump) {
            values[2] = QStringLiteral("120%1").arg(bump, 9, 10, QLatin1Char('0'));
            digest = HashKeyText(values[2] + values[3]);
        }
        digests.insert(digest);
        chunk += QStringLiteral("    <REC PKID=\"%1\">\n").arg(digest);
        for (int c = 0; c < kColumnCount; ++c) {
            const QString name = QLatin1String(kColumns[c].name);
            chunk += values[c].isEmpty() ? QStringLiteral("      <%1/>\n").arg(name)
                                         : QStringLiteral("      <%1>%2</%1>\n").arg(name, values[c]);
        }
        chunk += QStringLiteral("    </REC>\n");
        if (chunk.size() > (1 << 20)) {
            out.write(EncodeGbk(chunk));
            chunk.clear();
        }
    }
    chunk += QStringLiteral("  </YSFP>\n</TAXPAYER>\n");
    out.write(EncodeGbk(chunk));
    out.close();
    return path;
}

// Opens the report at path for period 200601 (read-only: nothing is
// written back when it closes).
inline std::unique_ptr<TXmlDataSet> OpenDataSet(const QString &path, bool readOnly)
{
    auto dataSet = std::make_unique<TXmlDataSet>();
    dataSet->SetReadOnly(readOnly);
    dataSet->SetFileName(path);
    dataSet->SetAccMonth(QStringLiteral("200601"));
    dataSet->Open();
    return dataSet;
}

} // namespace reportgen
