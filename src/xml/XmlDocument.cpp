#include "xml/XmlDocument.h"

#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "xml/LibXmlSupport.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlsave.h>

namespace {

// No DTD loading, no entity substitution, no network: documents from other
// installations are outside input.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOWARNING | XML_PARSE_NOERROR;

void Ignore(void *, const char *, ...) {}

struct ParserInit {
    ParserInit()
    {
        xmlInitParser();
        xmlSetGenericErrorFunc(nullptr, Ignore);
    }
};

xmlDocPtr Parse(const QByteArray &bytes, const QString &name, const char *encoding)
{
    static ParserInit init;
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        throw TXmlParseError(QStringLiteral("XML 解析器无法启动"));
    const QByteArray url = name.toUtf8();
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, bytes.constData(), int(bytes.size()), url.constData(), encoding,
                                      kParseOptions);
    if (!doc || !ctxt->wellFormed) {
        const QString message = XmlParseErrorText(ctxt, name);
        xmlFreeDoc(doc);
        xmlFreeParserCtxt(ctxt);
        throw TXmlParseError(message);
    }
    xmlFreeParserCtxt(ctxt);
    return doc;
}

// How a document is written. Loading drops whitespace-only text that the
// parser takes for layout (between elements of element-only content), and
// its guess depends on what stands around the text in the file, so a blank
// text kept on loading, or made by an edit, may be dropped when the saved
// file is read again. Such documents are written in the next layout whose
// bytes read back as themselves: whitespace written as character
// references is never taken for layout.
enum class Layout {
    // Indented where an element holds no text; what every document read
    // back unchanged is written in.
    Indented,
    // No indentation at all (report files).
    Plain,
    // As Indented, whitespace-only text as character references.
    IndentedBlankTextAsReferences,
    // No indentation, every whitespace character of text as a reference:
    // no whitespace is left for the parser to drop or to keep.
    PlainAllBlanksAsReferences,
};

bool IsBlank(xmlChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsBlankText(const xmlChar *text)
{
    for (const xmlChar *p = text; p && *p; ++p) {
        if (!IsBlank(*p))
            return false;
    }
    return true;
}

bool HasBlank(const xmlChar *text)
{
    for (const xmlChar *p = text; p && *p; ++p) {
        if (IsBlank(*p))
            return true;
    }
    return false;
}

bool HasBlankSensitiveNode(xmlNodePtr node)
{
    for (; node; node = node->next) {
        if (node->type == XML_TEXT_NODE && IsBlankText(node->content))
            return true;
        if (node->type != XML_ELEMENT_NODE)
            continue;
        for (xmlAttrPtr attr = node->properties; attr; attr = attr->next) {
            if (attr->ns && xmlStrEqual(attr->name, reinterpret_cast<const xmlChar *>("space")))
                return true;
        }
        if (HasBlankSensitiveNode(node->children))
            return true;
    }
    return false;
}

// Whether the parser's handling of whitespace can make the saved bytes read
// back differently: a whitespace-only text, an xml:space attribute (kept
// indentation) or a DTD (its element declarations decide on whitespace).
// Without any of these the indented bytes always read back as they are.
bool HoldsBlankSensitiveContent(xmlDocPtr doc)
{
    return doc->intSubset || doc->extSubset || HasBlankSensitiveNode(doc->children);
}

// text escaped as the saver escapes it, its whitespace as references too.
QByteArray EscapedWithBlanks(const xmlChar *text)
{
    QByteArray out;
    for (const xmlChar *p = text; p && *p; ++p) {
        switch (*p) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '\r': out += "&#13;"; break;
        case '\n': out += "&#10;"; break;
        case '\t': out += "&#9;"; break;
        case ' ': out += "&#32;"; break;
        default: out += char(*p); break;
        }
    }
    return out;
}

// Rewrites the text below node that layout writes with its whitespace as
// references: escaped here, and marked for the saver to write as it stands.
void PreEscapeText(xmlNodePtr node, Layout layout)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            PreEscapeText(node->children, layout);
        } else if (node->type == XML_TEXT_NODE && node->name != xmlStringTextNoenc) {
            const bool escape = layout == Layout::PlainAllBlanksAsReferences ? HasBlank(node->content)
                                                                             : IsBlankText(node->content);
            if (!escape)
                continue;
            const QByteArray text = EscapedWithBlanks(node->content);
            xmlNodeSetContent(node, reinterpret_cast<const xmlChar *>(text.constData()));
            node->name = xmlStringTextNoenc;
        }
    }
}

QByteArray SaveToGbk(xmlDocPtr doc, int options)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlSaveCtxtPtr ctxt = xmlSaveToBuffer(buffer, "GBK", options);
    xmlSaveDoc(ctxt, doc);
    xmlSaveClose(ctxt);
    QByteArray bytes(reinterpret_cast<const char *>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
    xmlBufferFree(buffer);
    return bytes;
}

QByteArray Serialize(xmlDocPtr doc, Layout layout)
{
    if (layout == Layout::Indented)
        return SaveToGbk(doc, XML_SAVE_FORMAT);
    if (layout == Layout::Plain)
        return SaveToGbk(doc, 0);
    xmlDocPtr copy = xmlCopyDoc(doc, 1);
    if (!copy)
        throw TUserError(QStringLiteral("无法保存文档：内存不足"));
    PreEscapeText(copy->children, layout);
    const QByteArray bytes =
        SaveToGbk(copy, layout == Layout::IndentedBlankTextAsReferences ? XML_SAVE_FORMAT : 0);
    xmlFreeDoc(copy);
    return bytes;
}

// Whether bytes, written in layout, load and save again to themselves.
bool ReadsBack(const QByteArray &bytes, Layout layout)
{
    xmlDocPtr again = nullptr;
    try {
        again = Parse(bytes, QStringLiteral("(saved)"), nullptr);
    } catch (const TXmlParseError &) {
        return false;
    }
    const bool same = Serialize(again, layout) == bytes;
    xmlFreeDoc(again);
    return same;
}

} // namespace

TXMLDocument::TXMLDocument()
{
    static ParserInit init;
    Adopt(xmlNewDoc(reinterpret_cast<const xmlChar *>("1.0")));
}

TXMLDocument::~TXMLDocument() { xmlFreeDoc(doc_); }

void TXMLDocument::Adopt(xmlDocPtr doc)
{
    xmlFreeDoc(doc_);
    doc_ = doc;
    // Bindings find their document through this to mark it modified; a
    // libxml2 document owned elsewhere (a report) leaves it null.
    doc_->_private = this;
    modified_ = false;
}

std::unique_ptr<TXMLDocument> TXMLDocument::LoadFile(const QString &path)
{
    auto document = std::make_unique<TXMLDocument>();
    document->Load(path);
    return document;
}

std::unique_ptr<TXMLDocument> TXMLDocument::FromText(const QString &text)
{
    auto document = std::make_unique<TXMLDocument>();
    document->LoadText(text);
    return document;
}

std::unique_ptr<TXMLDocument> TXMLDocument::FromBytes(const QByteArray &bytes, const QString &name)
{
    auto document = std::make_unique<TXMLDocument>();
    document->Adopt(Parse(bytes, name, nullptr));
    return document;
}

std::unique_ptr<TXMLDocument> TXMLDocument::FromLines(const QStringList &lines)
{
    return FromText(lines.join(QStringLiteral("\r\n")));
}

void TXMLDocument::Load(const QString &path)
{
    const QString resolved = ResolveCaseInsensitive(path);
    Adopt(Parse(ReadFileBytes(resolved), resolved, nullptr));
    fileName_ = resolved;
}

void TXMLDocument::LoadText(const QString &text)
{
    Adopt(Parse(text.toUtf8(), QStringLiteral("(text)"), "UTF-8"));
}

namespace {

void RequireGbkCanCarry(xmlDocPtr doc)
{
    const QString badName = FirstNameOutsideGbk(doc);
    if (!badName.isNull())
        throw TUserError(QStringLiteral("无法以 GBK 编码保存文档：名称\"%1\"含有 GBK 以外的字符").arg(badName));
    const QString badText = FirstVerbatimTextOutsideGbk(doc);
    if (!badText.isNull())
        throw TUserError(
            QStringLiteral("无法以 GBK 编码保存文档：CDATA 段、注释或处理指令\"%1\"含有 GBK 以外的字符").arg(badText));
}

} // namespace

QByteArray PlainBytesThatReadBack(xmlDocPtr doc)
{
    RequireGbkCanCarry(doc);
    const QByteArray plain = Serialize(doc, Layout::Plain);
    if (!HoldsBlankSensitiveContent(doc) || ReadsBack(plain, Layout::Plain))
        return plain;
    const QByteArray escaped = Serialize(doc, Layout::PlainAllBlanksAsReferences);
    if (ReadsBack(escaped, Layout::PlainAllBlanksAsReferences))
        return escaped;
    throw TUserError(QStringLiteral("无法保存文档：其中的空白文本在读回时会改变"));
}

QByteArray TXMLDocument::ToBytes() const
{
    RequireGbkCanCarry(doc_);
    const QByteArray indented = Serialize(doc_, Layout::Indented);
    if (!HoldsBlankSensitiveContent(doc_) || ReadsBack(indented, Layout::Indented))
        return indented;
    for (const Layout layout : {Layout::IndentedBlankTextAsReferences, Layout::PlainAllBlanksAsReferences}) {
        const QByteArray bytes = Serialize(doc_, layout);
        if (ReadsBack(bytes, layout))
            return bytes;
    }
    throw TUserError(QStringLiteral("无法保存文档：其中的空白文本在读回时会改变"));
}

void TXMLDocument::Save() const { SaveTo(fileName_); }

void TXMLDocument::SaveTo(const QString &path) const
{
    WriteFileAtomically(ResolveCaseInsensitive(path), ToBytes());
    const_cast<TXMLDocument *>(this)->SetModified(false);
}

bool TXMLDocument::Modified() const { return modified_; }

void TXMLDocument::SetModified(bool modified) { modified_ = modified; }

bool TXMLDocument::HasRoot() const { return xmlDocGetRootElement(doc_) != nullptr; }

TXMLNode TXMLDocument::DocumentElement() const { return TXMLNode(xmlDocGetRootElement(doc_)); }

TXMLNode TXMLDocument::CreateRoot(const char *name)
{
    xmlNodePtr root = xmlNewDocNode(doc_, nullptr, reinterpret_cast<const xmlChar *>(name), nullptr);
    xmlNodePtr old = xmlDocSetRootElement(doc_, root);
    if (old)
        xmlFreeNode(old);
    SetModified(true);
    return TXMLNode(root);
}
