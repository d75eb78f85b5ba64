#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "xml/XmlDocument.h"
#include "TempWorkspace.h"

#include <gtest/gtest.h>

namespace {

struct ItemType : TXMLNode {
    static constexpr const char kTag[] = "Item";
    using TXMLNode::TXMLNode;
};

} // namespace

TEST(XmlDocument, ReadsGbkAndWritesGbkWithReferencesForTheRest)
{
    TempWorkspace ws;
    // <?xml version="1.0" encoding="GBK"?><R A="纳税人"><N>税</N></R>, GBK bytes by hand.
    ws.Write(QStringLiteral("a.xml"),
             "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<R A=\"\xC4\xC9\xCB\xB0\xC8\xCB\"><N>\xCB\xB0</N></R>\r\n");
    auto doc = TXMLDocument::LoadFile(ws.file(QStringLiteral("A.XML")));
    TXMLNode root = doc->DocumentElement();
    EXPECT_EQ(root.Attribute("A"), QStringLiteral("纳税人"));
    EXPECT_EQ(root.ChildText("N"), QStringLiteral("税"));
    EXPECT_FALSE(doc->Modified());

    root.SetChildText("E", QStringLiteral("\U0001F600&<"));  // not in GBK, and markup characters
    EXPECT_TRUE(doc->Modified());
    doc->Save();
    const QByteArray bytes = ws.Read(QStringLiteral("a.xml"));
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"GBK\"?>")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("\xC4\xC9\xCB\xB0\xC8\xCB"));
    EXPECT_TRUE(bytes.contains("&#x1F600;") || bytes.contains("&#128512;")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("&amp;&lt;"));
    auto again = TXMLDocument::LoadFile(ws.file(QStringLiteral("a.xml")));
    EXPECT_EQ(again->DocumentElement().ChildText("E"), QStringLiteral("\U0001F600&<"));
}

// Text outside GBK becomes character references, names cannot: a document
// whose element name GBK cannot hold is refused instead of written unreadable.
TEST(XmlDocument, NamesOutsideGbkAreRefusedAndTheFileKept)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("a.xml"), "<?xml version=\"1.0\" encoding=\"GBK\"?><R/>");
    auto doc = TXMLDocument::LoadFile(ws.file(QStringLiteral("a.xml")));
    doc->DocumentElement().AppendChild("\xDC\xAD"); // U+072D
    EXPECT_THROW(doc->Save(), TUserError);
    EXPECT_EQ(ws.Read(QStringLiteral("a.xml")), QByteArray("<?xml version=\"1.0\" encoding=\"GBK\"?><R/>"));
    auto chinese = TXMLDocument::FromText(QStringLiteral("<纳税人 名称=\"甲\"/>"));
    EXPECT_TRUE(chinese->ToBytes().contains(EncodeGbk(QStringLiteral("<纳税人 名称="))));
}

TEST(XmlDocument, ParseErrorsCarryTheParsersMessage)
{
    try {
        TXMLDocument::FromText(QStringLiteral("<R><A></R>"));
        FAIL();
    } catch (const TXmlParseError &e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("(1)"))) << e.what();
    }
    TempWorkspace ws;
    EXPECT_THROW(TXMLDocument::LoadFile(ws.file(QStringLiteral("missing.xml"))), TFileError);
}

TEST(XmlDocument, NeverResolvesExternalEntities)
{
    TempWorkspace ws;
    ws.Write(QStringLiteral("secret.txt"), "SECRET");
    const QString text = QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY x SYSTEM \"file://%1\">]><R>&x;</R>")
                             .arg(ws.file(QStringLiteral("secret.txt")));
    auto doc = TXMLDocument::FromText(text);
    EXPECT_FALSE(doc->DocumentElement().Text().contains(QStringLiteral("SECRET")));
}

TEST(XmlNode, CollectionsAndCreateOnRead)
{
    auto doc = TXMLDocument::FromLines({QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>"),
                                        QStringLiteral("<Root><Item N=\"1\"/><Other/><Item N=\"2\"/></Root>")});
    TXMLCollection<ItemType> items(doc->DocumentElement());
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Get(1).Attribute("N"), QStringLiteral("2"));
    items.Insert(1).SetAttribute("N", QStringLiteral("1.5"));
    items.Add().SetAttribute("N", QStringLiteral("3"));
    QStringList order;
    for (const ItemType &item : items.Items())
        order << item.Attribute("N");
    EXPECT_EQ(order, QStringList({"1", "1.5", "2", "3"}));
    items.Delete(0);
    EXPECT_EQ(items.Get(0).Attribute("N"), QStringLiteral("1.5"));
    EXPECT_TRUE(items.Get(7).IsNull());

    // Reading a missing child adds it, so the next save writes it.
    doc->SetModified(false);
    EXPECT_EQ(items.Get(0).ChildText("SWJGDM"), QString());
    EXPECT_FALSE(items.Get(0).FindChild("SWJGDM").IsNull());
    EXPECT_TRUE(doc->Modified());
    EXPECT_TRUE(doc->ToBytes().contains("<SWJGDM/>"));
    items.Clear();
    EXPECT_EQ(items.Count(), 0);
    EXPECT_FALSE(doc->DocumentElement().FindChild("Other").IsNull());
}
