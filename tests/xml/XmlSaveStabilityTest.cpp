// What is saved reads back as what was in memory: whitespace the parser
// would take for layout, and characters GBK cannot hold, are never lost or
// altered on the way through a file; documents that already read back as
// themselves keep their bytes.

#include "app/utils/Errors.h"
#include "app/utils/TextFile.h"
#include "xml/XmlDocument.h"
#include "CaseNames.h"

#include <QDir>
#include <QDirIterator>

#include <gtest/gtest.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

namespace {

const QByteArray kDeclaration = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n";

// Every node below node with its kind and content, so two trees compare
// as text and a difference shows where it is.
QByteArray Outline(xmlNodePtr node)
{
    QByteArray out;
    for (; node; node = node->next) {
        const QByteArray content = node->content ? QByteArray(reinterpret_cast<const char *>(node->content)) : "";
        switch (node->type) {
        case XML_ELEMENT_NODE:
            out += '<' + QByteArray(reinterpret_cast<const char *>(node->name));
            for (xmlAttrPtr attr = node->properties; attr; attr = attr->next) {
                xmlChar *value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr));
                out += ' ' + QByteArray(reinterpret_cast<const char *>(attr->name)) + "=[" +
                       reinterpret_cast<const char *>(value) + ']';
                xmlFree(value);
            }
            out += '>' + Outline(node->children) + "</>";
            break;
        case XML_TEXT_NODE: out += "text[" + content + ']'; break;
        case XML_CDATA_SECTION_NODE: out += "cdata[" + content + ']'; break;
        case XML_COMMENT_NODE: out += "comment[" + content + ']'; break;
        case XML_PI_NODE: out += "pi[" + content + ']'; break;
        case XML_ENTITY_REF_NODE: out += "ref[" + QByteArray(reinterpret_cast<const char *>(node->name)) + ']'; break;
        default: break;
        }
    }
    return out;
}

QByteArray Outline(const TXMLDocument &doc) { return Outline(doc.DocumentElement().Raw()); }

struct RoundTrip {
    const char *what;
    QByteArray input;
};

void PrintTo(const RoundTrip &c, std::ostream *os) { *os << c.what; }

class SavedBlankText : public ::testing::TestWithParam<RoundTrip> {};

// Each document keeps blank text where the parser, reading the plainly
// written file, would drop it as layout (or, for the DTD cases, would keep
// the saver's indentation as text): the loaded tree, and so every text,
// is the same after a save and a load, and saving again gives the same
// bytes.
TEST_P(SavedBlankText, ReadsBackAsLoaded)
{
    const RoundTrip &c = GetParam();
    auto doc = TXMLDocument::FromBytes(c.input, QStringLiteral("in"));
    const QByteArray saved = doc->ToBytes();
    auto again = TXMLDocument::FromBytes(saved, QStringLiteral("saved"));
    EXPECT_EQ(Outline(*again), Outline(*doc)) << saved.constData();
    EXPECT_EQ(again->ToBytes(), saved);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, SavedBlankText,
    ::testing::Values(
        // Found by fuzzing: "\r" after a nested element is kept on loading
        // because the text before it was read in two pieces, and dropped
        // when the saved "\n" is read in one.
        RoundTrip{"lone carriage return after nested element",
                  "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<T><R/>/YS\r\n<T><R/>/YS</T>\r</T>\r\n"},
        RoundTrip{"blank character reference between elements", "<R><A/>&#32;<B/></R>"},
        RoundTrip{"blank text after an entity reference",
                  "<!DOCTYPE R [<!ENTITY e \"x\">]><R><A/>&e;&#10;<B/></R>"},
        RoundTrip{"element only declared with leading blank references",
                  "<!DOCTYPE R [<!ELEMENT A (B)*>]><R><A>&#32;&#32;&lt;</A></R>"},
        RoundTrip{"declared ANY keeps indentation", "<!DOCTYPE R [<!ELEMENT R ANY>]><R><A><B/></A></R>"},
        RoundTrip{"default space inside preserved space",
                  "<R xml:space=\"preserve\"><A> <B/> </A><C xml:space=\"default\"> <D/></C></R>"},
        RoundTrip{"GBK text with blank reference between elements",
                  "<?xml version=\"1.0\" encoding=\"GBK\"?><R>\xC4\xC9<A/>&#9;<B/>\xCB\xB0</R>"}),
    [](const auto &info) { return CaseName(info.index, info.param.what); });

// A blank text that an edit leaves between elements is saved so that it
// reads back, not dropped with the next load.
TEST(SavedBlankText, LeftByAnEditReadsBack)
{
    auto doc = TXMLDocument::FromText(QStringLiteral("<R><E> </E></R>"));
    TXMLNode e = doc->DocumentElement().FindChild("E");
    e.AppendChild("X");
    const QByteArray saved = doc->ToBytes();
    auto again = TXMLDocument::FromBytes(saved, QStringLiteral("saved"));
    EXPECT_EQ(again->DocumentElement().FindChild("E").Text(), QStringLiteral(" ")) << saved.constData();
    EXPECT_EQ(again->ToBytes(), saved);
}

// The bytes written for documents that read back as themselves do not
// depend on the check: indentation, blank text that stays, whitespace
// inside text, and the indentation kept under xml:space all as before.
TEST(SavedBlankText, DocumentsThatReadBackKeepTheirBytes)
{
    const struct {
        QByteArray input;
        QByteArray saved;
    } cases[] = {
        {"<R><A> </A><B>a b\n</B></R>", "<R>\n  <A> </A>\n  <B>a b\n</B>\n</R>\n"},
        {"<R>a<A/> <B/></R>", "<R>a<A/> <B/></R>\n"},
        {"<R xml:space=\"preserve\"><A/></R>", "<R xml:space=\"preserve\">\n  <A/>\n</R>\n"},
        {"<!DOCTYPE R [<!ELEMENT R (A)*>]><R> <A/> </R>",
         "<!DOCTYPE R [\n<!ELEMENT R (A)*>\n]>\n<R>\n  <A/>\n</R>\n"},
    };
    for (const auto &c : cases) {
        auto doc = TXMLDocument::FromBytes(c.input, QStringLiteral("in"));
        EXPECT_EQ(doc->ToBytes(), kDeclaration + c.saved) << c.input.constData();
    }
}

// libxml2's own indented GBK save, as documents were written before the
// check.
QByteArray PlainSave(const TXMLDocument &doc)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlSaveCtxtPtr ctxt = xmlSaveToBuffer(buffer, "GBK", XML_SAVE_FORMAT);
    xmlSaveDoc(ctxt, doc.Raw());
    xmlSaveClose(ctxt);
    QByteArray bytes(reinterpret_cast<const char *>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
    xmlBufferFree(buffer);
    return bytes;
}

// Every file of the demo workspace saves as it did, stably; those the
// client itself writes save to their own bytes.
TEST(SavedBlankText, DemoWorkspaceFilesSaveAsBefore)
{
    QDirIterator it(QStringLiteral(CORVANE_DEMO_WORKSPACE), {QStringLiteral("*.xml")}, QDir::Files,
                    QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray bytes = ReadFileBytes(path);
        auto doc = TXMLDocument::FromBytes(bytes, path);
        const QByteArray saved = doc->ToBytes();
        EXPECT_EQ(saved, PlainSave(*doc)) << path.toStdString();
        EXPECT_EQ(TXMLDocument::FromBytes(saved, path)->ToBytes(), saved) << path.toStdString();
        ++files;
    }
    EXPECT_GT(files, 10);
    for (const char *name : {"Config.xml", "FileManager.xml", "QYXX.xml", "SchemaManager.xml", "TaxPayers.xml"}) {
        const QString path = QStringLiteral(CORVANE_DEMO_WORKSPACE "/") + QLatin1String(name);
        const QByteArray bytes = ReadFileBytes(path);
        EXPECT_EQ(TXMLDocument::FromBytes(bytes, path)->ToBytes(), bytes) << name;
    }
}

// CDATA, comments and processing instructions are written unescaped: a
// character GBK cannot hold would come back as the letters of a character
// reference, so the save is refused instead.
TEST(SavedVerbatimText, OutsideGbkIsRefused)
{
    for (const char *input : {"<R><![CDATA[\xE2\x98\x83]]></R>", "<R><!--\xE2\x98\x83--></R>",
                              "<R><?pi \xE2\x98\x83?></R>"}) {
        auto doc = TXMLDocument::FromBytes(QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + input,
                                           QStringLiteral("in"));
        EXPECT_THROW(doc->ToBytes(), TUserError) << input;
    }
    auto chinese = TXMLDocument::FromText(QStringLiteral("<R><![CDATA[纳税人 <&>]]><!--税--></R>"));
    EXPECT_EQ(chinese->ToBytes(), kDeclaration + EncodeGbk(QStringLiteral("<R><![CDATA[纳税人 <&>]]><!--税--></R>\n")));
    // The euro sign is one byte of the code page, also before a digit.
    auto euro = TXMLDocument::FromText(QStringLiteral("<R><!--€5--></R>"));
    EXPECT_EQ(euro->ToBytes(), kDeclaration + QByteArray("<R>\n  <!--\x80" "5-->\n</R>\n"));
}

} // namespace
