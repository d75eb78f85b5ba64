#pragma once

#include "TempWorkspace.h"
#include "app/utils/TextFile.h"
#include "reportdata/ReportDocument.h"
#include "reportdata/XmlDataSet.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Texts in failure messages as text, not as bytes.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

// A workspace with field-definition documents in DS/ and report files in
// Data/, written as the programs find them (GBK with its declaration).
namespace fixtures {

// A COLUMN element.
inline QString Column(const QString &name, const QString &type, const QString &size = QString(),
                      const QString &caption = QString(), const QString &rule = QString())
{
    return QStringLiteral("<COLUMN NAME=\"%1\"><CHSNAME>%4</CHSNAME><DATATYPE>%2</DATATYPE><DATASIZE>%3</DATASIZE>"
                          "<REGULAREXP>%5</REGULAREXP><COMMENT>%1 hint</COMMENT><FOOTER VALUE=\"\" VALUETYPE=\"Sum\"/>"
                          "</COLUMN>")
        .arg(name, type, size, caption, rule);
}

// The invoice schema: every type once, fields in this order.
inline QString InvoiceColumns(const QString &qtyRule = QString())
{
    return Column(QStringLiteral("NAME"), QStringLiteral("TEXT"), QStringLiteral("10"), QStringLiteral("名称"))
           + Column(QStringLiteral("QTY"), QStringLiteral("INTEGER"), QString(), QStringLiteral("数量"), qtyRule)
           + Column(QStringLiteral("PRICE"), QStringLiteral("FLOAT"), QString(), QStringLiteral("单价"))
           + Column(QStringLiteral("AMOUNT"), QStringLiteral("CURRENCY"), QString(), QStringLiteral("金额"))
           + Column(QStringLiteral("DAY"), QStringLiteral("DATE"), QString(), QStringLiteral("日期"))
           + Column(QStringLiteral("PAID"), QStringLiteral("BOOLEAN"), QStringLiteral("0"), QStringLiteral("已付"))
           + Column(QStringLiteral("TOTAL"), QStringLiteral("FLOAT"), QString(), QString());
}

inline const QStringList &InvoiceFields()
{
    static const QStringList names{"NAME", "QTY", "PRICE", "AMOUNT", "DAY", "PAID", "TOTAL"};
    return names;
}

inline QString Definition(const QString &columns, const QString &keyFields = QString(),
                          const QString &confirm = QString())
{
    return QStringLiteral("<FORM VERSION=\"1.0\"><COLUMNS>%1</COLUMNS><KEYFIELDS>%2</KEYFIELDS>"
                          "<CONFIRM>%3</CONFIRM></FORM>")
        .arg(columns, keyFields, confirm);
}

// One stored record: its PKID and the texts of the invoice fields in order.
struct Rec {
    QString pkid;
    QStringList values;
};

inline Rec Invoice(const QString &name, int qty, const QString &pkid = QString())
{
    return {pkid.isEmpty() ? QStringLiteral("{ID-%1}").arg(name) : pkid,
            {name, QString::number(qty), QStringLiteral("1.5"), QStringLiteral("10.25"), QStringLiteral("2006-01-31"),
             QStringLiteral("False"), QStringLiteral("0")}};
}

inline QString ReportXml(const QString &dsFile, const QList<Rec> &records, const QStringList &names = InvoiceFields())
{
    QString text = QStringLiteral("<TAXPAYER SWSBH=\"110101000000001\">\n<YSFP Version=\"1.00\" DSFile=\"%1\" "
                                  "RecordCount=\"%2\">\n")
                       .arg(dsFile)
                       .arg(records.size());
    for (const Rec &rec : records) {
        text += QStringLiteral("<REC PKID=\"%1\">").arg(rec.pkid.toHtmlEscaped());
        for (qsizetype i = 0; i < rec.values.size() && i < names.size(); ++i)
            text += QStringLiteral("<%1>%2</%1>").arg(names.at(i), rec.values.at(i).toHtmlEscaped());
        text += QStringLiteral("</REC>\n");
    }
    return text + QStringLiteral("</YSFP>\n</TAXPAYER>\n");
}

inline QByteArray Gbk(const QString &xml)
{
    return EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\n") + xml);
}

// The NAME texts of the records stored in a report file, in order.
inline QStringList StoredNames(const QString &path)
{
    TReportDocument document;
    document.Load(path);
    QStringList names;
    for (const TXMLRECType &rec : document.YSFP().Items())
        names << rec.FindChild("NAME").Text();
    return names;
}

// Every entry of the folder holding path, hidden ones too, by name.
inline QStringList FolderOf(const QString &path)
{
    return QDir(QFileInfo(path).absolutePath())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

#ifdef CRASH_HELPER
// Runs the helper on a report of ws in its crash mode: it makes its changes
// (see CrashHelper.cpp) and is killed, leaving them in the journal only.
inline void RunCrashHelper(const TempWorkspace &ws, const QString &report)
{
    QProcess helper;
    helper.start(QStringLiteral(CRASH_HELPER), {ws.path(), report});
    EXPECT_TRUE(helper.waitForFinished(60000));
    EXPECT_EQ(helper.exitStatus(), QProcess::CrashExit) << helper.readAllStandardError().toStdString();
}
#endif

// A test with its own workspace as the application directory.
class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override { ws.MakeCurrent(); }

    QString WriteDefinition(const QString &file, const QString &xml) { return ws.Write("DS/" + file, Gbk(xml)); }
    QString WriteReport(const QString &file, const QString &xml) { return ws.Write("Data/" + file, Gbk(xml)); }

    // The invoice schema as "INVOICE.xml" (keyed by keyFields) and a report
    // "INVOICE200601.xml" holding records.
    QString InvoiceReport(const QList<Rec> &records, const QString &keyFields = QString(),
                          const QString &qtyRule = QString())
    {
        WriteDefinition(QStringLiteral("INVOICE.xml"), Definition(InvoiceColumns(qtyRule), keyFields));
        return WriteReport(QStringLiteral("INVOICE200601.xml"), ReportXml(QStringLiteral("INVOICE.xml"), records));
    }

    std::unique_ptr<TXmlDataSet> Open(const QString &path)
    {
        auto dataSet = std::make_unique<TXmlDataSet>();
        dataSet->SetFileName(path);
        dataSet->SetAccMonth(QStringLiteral("200601"));
        dataSet->Open();
        return dataSet;
    }

    TempWorkspace ws;
};

} // namespace fixtures
