#include "reportdata/ReportWriter.h"

#include <QString>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <gtest/gtest.h>

namespace {

xmlDocPtr ParseUtf8(const QByteArray &xml)
{
    return xmlReadMemory(xml.constData(), int(xml.size()), "test", "UTF-8", XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT);
}

QByteArray LibxmlBytes(xmlDocPtr doc)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlSaveCtxtPtr ctxt = xmlSaveToBuffer(buffer, "GBK", 0);
    xmlSaveDoc(ctxt, doc);
    xmlSaveClose(ctxt);
    QByteArray bytes(reinterpret_cast<const char *>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
    xmlBufferFree(buffer);
    return bytes;
}

bool FastBytes(xmlDocPtr doc, QByteArray *bytes)
{
    bytes->clear();
    return WriteReportXml(doc, [bytes](const QByteArray &block) { *bytes += block; });
}

const xmlChar *X(const char *text) { return reinterpret_cast<const xmlChar *>(text); }

// libxml2's own output is the oracle: the fast writer must produce the same bytes.
TEST(ReportWriter, WritesWhatLibxml2Writes)
{
    const QByteArray xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<TAXPAYER SWSBH=\"中&quot;&lt;&amp;&gt;'😀\"><YSFP Version=\"1.00\" DSFile=\"\" RecordCount=\"3\">"
        "<REC PKID=\"{A}\"><NAME>a &lt;b&gt; &amp; \"c\" 'd' 中文 € 😀 &#13;&#10;x\ty</NAME><EMPTY/><BLANK>   </BLANK>"
        "<金额>12.35</金额></REC>"
        "<REC PKID=\"B\">mixed<I>in</I>text</REC>"
        "</YSFP></TAXPAYER>").toUtf8();
    xmlDocPtr doc = ParseUtf8(xml);
    ASSERT_NE(doc, nullptr);
    // Values set in memory, as the dataset sets them.
    xmlNodePtr rec = xmlNewDocNode(doc, nullptr, X("REC"), nullptr);
    xmlSetProp(rec, X("PKID"), X("tab\tline\ncr\r\"q\"<>&"));
    xmlNodePtr field = xmlNewDocNode(doc, nullptr, X("NAME"), nullptr);
    xmlAddChild(field, xmlNewDocText(doc, X("x\r\ny]]>z")));
    xmlAddChild(rec, field);
    xmlAddChild(xmlDocGetRootElement(doc)->children, rec);

    QByteArray fast;
    ASSERT_TRUE(FastBytes(doc, &fast));
    EXPECT_EQ(fast, LibxmlBytes(doc));
    EXPECT_TRUE(fast.startsWith("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<TAXPAYER SWSBH=\""));
    EXPECT_TRUE(fast.contains("&#128512;")); // outside GBK
    EXPECT_TRUE(fast.contains("\xD6\xD0\xCE\xC4")); // 中文 in GBK
    EXPECT_TRUE(fast.contains("<EMPTY/><BLANK>   </BLANK>"));
    EXPECT_TRUE(fast.contains("PKID=\"tab&#9;line&#10;cr&#13;&quot;q&quot;&lt;&gt;&amp;\""));
    xmlFreeDoc(doc);
}

TEST(ReportWriter, LeavesUnusualDocumentsToLibxml2)
{
    const char *documents[] = {
        "<TAXPAYER><!-- note --></TAXPAYER>",
        "<TAXPAYER><![CDATA[x]]></TAXPAYER>",
        "<TAXPAYER><?pi x?></TAXPAYER>",
        "<!DOCTYPE TAXPAYER [<!ENTITY e \"v\">]><TAXPAYER>&e;</TAXPAYER>",
        "<?xml version=\"1.0\" standalone=\"yes\"?><TAXPAYER/>",
        "<TAXPAYER xmlns=\"urn:x\"/>",
        "<TAXPAYER/><!-- after -->",
    };
    for (const char *text : documents) {
        xmlDocPtr doc = xmlReadMemory(text, int(strlen(text)), "test", "UTF-8", XML_PARSE_NONET);
        ASSERT_NE(doc, nullptr) << text;
        QByteArray fast;
        EXPECT_FALSE(FastBytes(doc, &fast)) << text;
        xmlFreeDoc(doc);
    }
}

TEST(ReportWriter, LargeDocumentsComeInBlocks)
{
    QByteArray xml = "<TAXPAYER><YSFP>";
    for (int i = 0; i < 30000; ++i)
        xml += "<REC PKID=\"" + QByteArray::number(i) + "\"><NAME>北京市第" + QByteArray::number(i) + "贸易有限公司</NAME></REC>";
    xml += "</YSFP></TAXPAYER>";
    xmlDocPtr doc = ParseUtf8(xml);
    int blocks = 0;
    QByteArray fast;
    ASSERT_TRUE(WriteReportXml(doc, [&](const QByteArray &block) {
        ++blocks;
        fast += block;
    }));
    EXPECT_GT(blocks, 1);
    EXPECT_EQ(fast, LibxmlBytes(doc));
    xmlFreeDoc(doc);
}

} // namespace
