#include "ReportFixtures.h"

#include "app/utils/Errors.h"
#include "reportdata/ReportExport.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class ReportExportTest : public WorkspaceTest {
protected:
    QByteArray Export(TExportFormat format)
    {
        Rec odd = Invoice("a,\"b\"\nc\td", 2);
        odd.values[3] = "12.3456";
        odd.values[1] = "oops";
        auto ds = Open(InvoiceReport({Invoice("plain", 1), odd}));
        ds->Edit();
        ds->FieldByName("NAME").SetAsString("unposted");
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ExportReport(*ds, buffer, format);
        EXPECT_EQ(ds->RecNo(), 1);
        return buffer.data();
    }
};

TEST_F(ReportExportTest, CsvQuotesAndEndsLinesWithCrLf)
{
    const QByteArray bytes = Export(TExportFormat::Csv);
    EXPECT_EQ(bytes,
              QByteArray("\xEF\xBB\xBF") + QStringLiteral("名称,数量,单价,金额,日期,已付,TOTAL\r\n").toUtf8()
                  + "plain,1,1.5,10.25,2006-01-31,False,0\r\n"
                    "\"a,\"\"b\"\"\nc\td\",oops,1.5,12.35,2006-01-31,False,0\r\n");
}

TEST_F(ReportExportTest, TabSeparatedReplacesTabsAndLineBreaks)
{
    const QByteArray bytes = Export(TExportFormat::Tab);
    EXPECT_EQ(bytes, QStringLiteral("名称\t数量\t单价\t金额\t日期\t已付\tTOTAL\n").toUtf8()
                         + "plain\t1\t1.5\t10.25\t2006-01-31\tFalse\t0\n"
                           "a,\"b\" c d\toops\t1.5\t12.35\t2006-01-31\tFalse\t0\n");
}

TEST_F(ReportExportTest, RefusesAClosedReportAndReportsWriteFailures)
{
    TXmlDataSet closed;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_THROW(ExportReport(closed, buffer, TExportFormat::Csv), TUserError);
    auto ds = Open(InvoiceReport({Invoice("A", 1)}));
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_THROW(ExportReport(*ds, readOnly, TExportFormat::Tab), TFileError);
}

} // namespace
