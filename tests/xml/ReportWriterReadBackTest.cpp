// The fast report writer's bytes, loaded as report files are loaded, give
// back the tree that was written: blank text the parser would drop as
// layout is written as character references.

#include "reportdata/ReportWriter.h"
#include "CaseNames.h"

#include <QByteArray>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <gtest/gtest.h>

namespace {

constexpr int kReportParseOptions = XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT;

xmlDocPtr Load(const QByteArray &bytes)
{
    return xmlReadMemory(bytes.constData(), int(bytes.size()), "report", nullptr, kReportParseOptions);
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
    xmlDocPtr doc = Load(input);
    ASSERT_NE(doc, nullptr);
    QByteArray bytes;
    ASSERT_TRUE(WriteReportXml(doc, [&bytes](const QByteArray &block) { bytes += block; }));
    EXPECT_TRUE(bytes.contains(c.written)) << bytes.constData();
    xmlDocPtr again = Load(bytes);
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
    xmlDocPtr doc = Load(input);
    ASSERT_NE(doc, nullptr);
    QByteArray bytes;
    EXPECT_FALSE(WriteReportXml(doc, [&bytes](const QByteArray &block) { bytes += block; }));
    EXPECT_TRUE(LibxmlBytes(doc).contains("<BZ><X/>a<Y/> <Z/></BZ>"));
    xmlFreeDoc(doc);
}

} // namespace
