#include "reportdata/ReportWriter.h"
#include "CaseNames.h"

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

// Bytes loaded as report files are loaded.
xmlDocPtr LoadReport(const QByteArray &bytes)
{
    return xmlReadMemory(bytes.constData(), int(bytes.size()), "report", nullptr,
                         XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT);
}

// Every text of the element tree, with its place.
QByteArray Texts(xmlNodePtr node, const QByteArray &path = QByteArray())
{
    QByteArray out;
    int index = 0;
    for (; node; node = node->next, ++index) {
        const QByteArray here = path + '/' + QByteArray::number(index);
        if (node->type == XML_TEXT_NODE)
            out += here + "[" + reinterpret_cast<const char *>(node->content) + "]";
        else if (node->type == XML_ELEMENT_NODE)
            out += here + '<' + reinterpret_cast<const char *>(node->name) + '>' + Texts(node->children, here);
    }
    return out;
}


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

// The fast writer's bytes, loaded as report files are loaded, give back the
// tree that was written: blank text the parser would drop as layout is
// written as character references.
struct BlankCase {
    const char *what;
    QByteArray input;
    const char *written; // what the fast writer writes for the record
};

void PrintTo(const BlankCase &c, std::ostream *os) { *os << c.what; }

class ReportWriterBlankText : public ::testing::TestWithParam<BlankCase> {};

TEST_P(ReportWriterBlankText, ReadsBackAsWritten)
{
    const BlankCase &c = GetParam();
    const QByteArray input = "<?xml version=\"1.0\" encoding=\"GBK\"?><TAXPAYER><YSFP>" + c.input + "</YSFP></TAXPAYER>";
    xmlDocPtr doc = LoadReport(input);
    ASSERT_NE(doc, nullptr);
    QByteArray bytes;
    ASSERT_TRUE(FastBytes(doc, &bytes));
    EXPECT_TRUE(bytes.contains(c.written)) << bytes.constData();
    xmlDocPtr again = LoadReport(bytes);
    ASSERT_NE(again, nullptr) << bytes.constData();
    EXPECT_EQ(Texts(again->children), Texts(doc->children)) << bytes.constData();
    xmlFreeDoc(again);
    xmlFreeDoc(doc);
}

INSTANTIATE_TEST_SUITE_P(
    Records, ReportWriterBlankText,
    ::testing::Values(
        BlankCase{"blank reference after an element in a field", "<REC><BZ><X/>&#32;</BZ></REC>",
                  "<BZ><X/>&#32;</BZ>"},
        BlankCase{"blank references between elements", "<REC><BZ><X/>&#9;&#10;<Y/></BZ></REC>",
                  "<BZ><X/>&#9;&#10;<Y/></BZ>"},
        BlankCase{"blank reference before the first field", "<REC>&#32;<BZ>a</BZ></REC>",
                  "<REC>&#32;<BZ>a</BZ></REC>"},
        // As before, libxml2's bytes: the parser keeps these.
        BlankCase{"blank field", "<REC><BZ>&#32; </BZ></REC>", "<BZ>  </BZ>"},
        BlankCase{"blank after opening text", "<REC><BZ>a<X/>&#32;</BZ></REC>", "<BZ>a<X/> </BZ>"},
        BlankCase{"carriage return", "<REC><BZ><X/>&#13;</BZ></REC>", "<BZ><X/>&#13;</BZ>"}),
    [](const auto &info) { return CaseName(info.index, info.param.what); });

// Where the parser's choice is not known (blank text after other, later,
// text of its element), the fast writer leaves the document to libxml2.
TEST(ReportWriterBlankText, AfterLaterTextIsLeftToLibxml2)
{
    const QByteArray input = "<TAXPAYER><REC><BZ><X/>a<Y/>&#32;<Z/></BZ></REC></TAXPAYER>";
    xmlDocPtr doc = LoadReport(input);
    ASSERT_NE(doc, nullptr);
    QByteArray bytes;
    EXPECT_FALSE(FastBytes(doc, &bytes));
    EXPECT_TRUE(LibxmlBytes(doc).contains("<BZ><X/>a<Y/> <Z/></BZ>"));
    xmlFreeDoc(doc);
}

} // namespace
