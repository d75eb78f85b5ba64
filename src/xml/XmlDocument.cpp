#include "xml/XmlDocument.h"

#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "xml/LibXmlSupport.h"

#include <libxml/parser.h>
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

QByteArray TXMLDocument::ToBytes() const
{
    const QString badName = FirstNameOutsideGbk(doc_);
    if (!badName.isNull())
        throw TUserError(QStringLiteral("无法以 GBK 编码保存文档：名称\"%1\"含有 GBK 以外的字符").arg(badName));
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlSaveCtxtPtr ctxt = xmlSaveToBuffer(buffer, "GBK", XML_SAVE_FORMAT);
    xmlSaveDoc(ctxt, doc_);
    xmlSaveClose(ctxt);
    QByteArray bytes(reinterpret_cast<const char *>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
    xmlBufferFree(buffer);
    return bytes;
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
