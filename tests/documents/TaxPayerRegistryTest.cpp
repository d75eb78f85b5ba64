#include "documents/QYXX.h"
#include "documents/XmlTaxPayer.h"
#include "DocumentFixtures.h"

#include <gtest/gtest.h>

namespace {

const QString kRegistry = QStringLiteral(
    "<TAXPAYERS>"
    "<TAXPAYER><SWSBH>110101000000001</SWSBH><NSRMC>甲公司</NSRMC></TAXPAYER>"
    "<TAXPAYER><SWSBH>11010100000000A</SWSBH><NSRMC>乙公司</NSRMC><SWJGDM>1101000</SWJGDM></TAXPAYER>"
    "<TAXPAYER><SWSBH>11010100000000a</SWSBH><NSRMC>丙公司</NSRMC><SWJGDM>1102000</SWJGDM></TAXPAYER>"
    "</TAXPAYERS>");

} // namespace

TEST(TaxPayerRegistry, MissingFieldReadsEmptyAndIsWrittenNextTime)
{
    TempWorkspace ws;
    TTaxPayerRegistry registry;
    registry.Open(WriteGbkDocument(ws, QStringLiteral("TaxPayers.xml"), kRegistry));
    const QList<TTaxPayerRec> all = registry.Enumerate();
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0].NSRMC, QStringLiteral("甲公司"));
    EXPECT_EQ(all[0].SWJGDM, QString());
    registry.Add({QStringLiteral("220202000000002"), QStringLiteral("丁公司"), QString()});

    TTaxPayerRegistry again;
    again.Open(ws.file(QStringLiteral("TaxPayers.xml")));
    const QList<TTaxPayerRec> reread = again.Enumerate();
    ASSERT_EQ(reread.size(), 4);
    EXPECT_EQ(reread[3].NSRMC, QStringLiteral("丁公司"));
    EXPECT_TRUE(DecodeGbk(ws.Read(QStringLiteral("TaxPayers.xml"))).contains(QStringLiteral("<SWJGDM/>")));
}

TEST(TaxPayerRegistry, UpdateAndDeleteActOnTheFirstMatchIgnoringCase)
{
    TempWorkspace ws;
    TTaxPayerRegistry registry;
    registry.Open(WriteGbkDocument(ws, QStringLiteral("TaxPayers.xml"), kRegistry));
    registry.Update({QStringLiteral("11010100000000a"), QStringLiteral("新名称"), QStringLiteral("1109000")});
    QList<TTaxPayerRec> all = registry.Enumerate();
    EXPECT_EQ(all[1].NSRMC, QStringLiteral("新名称"));
    EXPECT_EQ(all[1].SWJGDM, QStringLiteral("1109000"));
    EXPECT_EQ(all[2].NSRMC, QStringLiteral("丙公司"));

    registry.Update({QStringLiteral("999"), QStringLiteral("x"), QString()}); // no match: nothing
    registry.Delete(QStringLiteral("11010100000000A"));
    all = registry.Enumerate();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[1].NSRMC, QStringLiteral("丙公司"));
}

TEST(TaxPayerRegistry, DeletingTheLastItemLeavesALoadableEmptyRegistry)
{
    TempWorkspace ws;
    TTaxPayerRegistry registry;
    registry.Open(WriteGbkDocument(ws, QStringLiteral("TaxPayers.xml"),
                                   QStringLiteral("<TAXPAYERS><TAXPAYER><SWSBH>1</SWSBH></TAXPAYER></TAXPAYERS>")));
    registry.Delete(QStringLiteral("1"));
    TTaxPayerRegistry again;
    again.Open(ws.file(QStringLiteral("TaxPayers.xml")));
    EXPECT_TRUE(again.Enumerate().isEmpty());
}

TEST(EnterpriseList, CreatedAsThreeLinesAndReplacedWhole)
{
    TempWorkspace ws;
    const QString path = ws.file(QStringLiteral("QYXX.xml"));
    TEnterpriseList::EnsureExists(path);
    EXPECT_EQ(ws.Read(QStringLiteral("QYXX.xml")),
              QByteArray("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<TAXPAYERS>\r\n</TAXPAYERS>\r\n"));
    TEnterpriseList list;
    list.Open(path);
    EXPECT_TRUE(list.Enumerate().isEmpty());
    list.ReplaceAll({{QStringLiteral("110101000000001"), QStringLiteral("甲")}, {QStringLiteral("110101000000002"), QString()}});

    TEnterpriseList again;
    again.Open(path);
    const auto entries = again.Enumerate();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].NSRMC, QStringLiteral("甲"));
    EXPECT_EQ(entries[1].SWSBH, QStringLiteral("110101000000002"));

    // EnsureExists leaves an existing list alone, whatever its letter case.
    TEnterpriseList::EnsureExists(ws.file(QStringLiteral("qyxx.XML")));
    TEnterpriseList third;
    third.Open(path);
    EXPECT_EQ(third.Enumerate().size(), 2);
}
