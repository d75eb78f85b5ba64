#include "entry/XmlDomTree.h"

#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

namespace {

// DTDs and external entities are never loaded, the network never used.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR;

// parseError.errorCode values: parse errors are this base plus libxml2's
// error code; the two others are the usual codes for their failures.
constexpr unsigned kParseErrorBase = 0xC00CE000u;
constexpr int kFileNotFound = static_cast<int>(0x800C0006u);
constexpr int kAccessDenied = static_cast<int>(0x80070005u);

const xmlChar *X(const QByteArray &bytes)
{
    return reinterpret_cast<const xmlChar *>(bytes.constData());
}

QString Q(const xmlChar *text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QString();
}

bool IsXmlSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

QString TrimXmlSpace(const QString &text)
{
    qsizetype start = 0, end = text.size();
    while (start < end && IsXmlSpace(text.at(start)))
        ++start;
    while (end > start && IsXmlSpace(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

// The file's characters, for the failing line of a parse error and the
// declaration test; the parser itself reads the bytes.
QString DecodeForDisplay(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    static const QRegularExpression declared(QStringLiteral(R"(^\s*<\?xml[^>]*encoding\s*=\s*["']([^"']+)["'])"));
    const QRegularExpressionMatch match = declared.match(QString::fromLatin1(bytes.left(200)));
    const QString encoding = match.hasMatch() ? match.captured(1).toUpper() : QString();
    if (encoding.startsWith(QLatin1String("GB")) || encoding == QLatin1String("CP936"))
        return DecodeGbk(bytes);
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

void DropBlankText(xmlNodePtr parent)
{
    xmlNodePtr child = parent->children;
    while (child) {
        xmlNodePtr next = child->next;
        if (child->type == XML_TEXT_NODE && xmlIsBlankNode(child) && xmlNodeGetSpacePreserve(parent) != 1) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        } else if (child->type == XML_ELEMENT_NODE) {
            DropBlankText(child);
        }
        child = next;
    }
}

TDomLoadResult Parse(const QByteArray &bytes, const QString &url, const char *encoding,
                     const QString &characters, bool preserveWhiteSpace)
{
    TDomLoadResult result;
    result.url = url;
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        result.errorCode = static_cast<int>(kParseErrorBase);
        result.reason = QStringLiteral("The XML parser could not be started.");
        return result;
    }
    const QByteArray urlBytes = url.toUtf8();
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, bytes.constData(), static_cast<int>(bytes.size()),
                                      urlBytes.isEmpty() ? nullptr : urlBytes.constData(), encoding, kParseOptions);
    if (!doc || !ctxt->wellFormed) {
        const xmlError *error = xmlCtxtGetLastError(ctxt);
        result.errorCode = static_cast<int>(kParseErrorBase + static_cast<unsigned>(error ? error->code : 1));
        result.reason = error && error->message ? TrimXmlSpace(Q(reinterpret_cast<const xmlChar *>(error->message)))
                                                : QStringLiteral("The document is not well-formed.");
        result.line = error ? error->line : 0;
        result.linePos = error ? error->int2 : 0;
        result.filePos = static_cast<int>(xmlByteConsumed(ctxt));
        const QStringList lines = characters.split(QLatin1Char('\n'));
        if (result.line >= 1 && result.line <= lines.size()) {
            QString line = lines.at(result.line - 1);
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            result.srcText = line;
        }
        xmlFreeDoc(doc);
        xmlFreeParserCtxt(ctxt);
        return result;
    }
    xmlFreeParserCtxt(ctxt);
    if (!preserveWhiteSpace)
        DropBlankText(reinterpret_cast<xmlNodePtr>(doc));
    QString head = characters.left(64);
    if (head.startsWith(QChar(0xFEFF)))
        head.remove(0, 1);
    result.tree = std::make_shared<TDomTree>(doc, head.startsWith(QLatin1String("<?xml")));
    return result;
}

QString QualifiedName(xmlNodePtr node)
{
    const QString name = Q(node->name);
    if (node->ns && node->ns->prefix)
        return Q(node->ns->prefix) + QLatin1Char(':') + name;
    return name;
}

void CollectError(void *userData, xmlErrorPtr error)
{
    auto *message = static_cast<QString *>(userData);
    if (message->isEmpty() && error && error->message)
        *message = TrimXmlSpace(Q(reinterpret_cast<const xmlChar *>(error->message)));
}

} // namespace

TDomTree::TDomTree(xmlDocPtr doc, bool hadDeclaration)
    : doc_(doc), hadDeclaration_(hadDeclaration)
{
}

TDomTree::~TDomTree() { xmlFreeDoc(doc_); }

QObject *TDomTree::Wrapper(xmlNodePtr node) const
{
    return wrappers_.value(node).data();
}

void TDomTree::SetWrapper(xmlNodePtr node, QObject *wrapper)
{
    wrappers_.insert(node, wrapper);
}

TDomLoadResult LoadDomFile(const QString &path, bool preserveWhiteSpace)
{
    QString local = path.trimmed();
    if (local.startsWith(QLatin1String("file:///"), Qt::CaseInsensitive))
        local = local.mid(7);
    else if (local.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
        local = local.mid(7);
    local.replace(QLatin1Char('\\'), QLatin1Char('/'));
    TDomLoadResult result;
    result.url = path;
    if (local.contains(QLatin1String("://"))) {
        result.errorCode = kAccessDenied;
        result.reason = QStringLiteral("Access is denied: only local files can be loaded.");
        return result;
    }
    const QString resolved = ResolveCaseInsensitive(local);
    if (local.isEmpty() || !QFileInfo(resolved).isFile()) {
        result.errorCode = kFileNotFound;
        result.reason = QStringLiteral("The system cannot locate the object specified.");
        return result;
    }
    QByteArray bytes;
    try {
        bytes = ReadFileBytes(resolved);
    } catch (const TFileError &error) {
        result.errorCode = kAccessDenied;
        result.reason = error.Message();
        return result;
    }
    TDomLoadResult parsed = Parse(bytes, resolved, nullptr, DecodeForDisplay(bytes), preserveWhiteSpace);
    parsed.url = path;
    return parsed;
}

TDomLoadResult LoadDomText(const QString &text, bool preserveWhiteSpace)
{
    return Parse(text.toUtf8(), QString(), "UTF-8", text, preserveWhiteSpace);
}

QString XslPatternToXPath(const QString &pattern)
{
    static const QRegularExpression index(QStringLiteral(R"(^\[\s*(\d+)\s*\])"));
    QString out;
    out.reserve(pattern.size() + 8);
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype close = pattern.indexOf(c, i + 1);
            const qsizetype end = close < 0 ? pattern.size() : close + 1;
            out += pattern.mid(i, end - i);
            i = end;
            continue;
        }
        if (c == QLatin1Char('[')) {
            const QRegularExpressionMatch match = index.match(QStringView(pattern).mid(i));
            if (match.hasMatch()) {
                out += QLatin1Char('[') + QString::number(match.captured(1).toLongLong() + 1) + QLatin1Char(']');
                i += match.capturedLength(0);
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

QList<xmlNodePtr> SelectDomNodes(xmlNodePtr context, const QString &expression, const TDomSettings &settings,
                                 QString *error)
{
    error->clear();
    QList<xmlNodePtr> nodes;
    if (!context || !context->doc) {
        *error = QStringLiteral("no document");
        return nodes;
    }
    xmlXPathContextPtr xpath = xmlXPathNewContext(context->doc);
    if (!xpath) {
        *error = QStringLiteral("out of memory");
        return nodes;
    }
    xpath->node = context;
    QString message;
    xpath->error = CollectError;
    xpath->userData = &message;
    static const QRegularExpression declaration(QStringLiteral(R"(xmlns:([\w.-]+)\s*=\s*["']([^"']*)["'])"));
    for (auto it = declaration.globalMatch(settings.selectionNamespaces); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        xmlXPathRegisterNs(xpath, X(match.captured(1).toUtf8()), X(match.captured(2).toUtf8()));
    }
    const QString text = settings.xpath ? expression : XslPatternToXPath(expression);
    xmlXPathObjectPtr found = xmlXPathEvalExpression(X(text.toUtf8()), xpath);
    if (!found) {
        *error = message.isEmpty() ? QStringLiteral("invalid expression") : message;
    } else if (found->type != XPATH_NODESET) {
        *error = QStringLiteral("the expression does not select nodes");
    } else if (found->nodesetval) {
        for (int i = 0; i < found->nodesetval->nodeNr; ++i) {
            xmlNodePtr node = found->nodesetval->nodeTab[i];
            // Namespace nodes are copies owned by the result; scripts never get them.
            if (node && node->type != XML_NAMESPACE_DECL)
                nodes << node;
        }
    }
    if (!error->isEmpty())
        *error = QStringLiteral("%1 in \"%2\"").arg(*error, expression);
    xmlXPathFreeObject(found);
    xmlXPathFreeContext(xpath);
    return nodes;
}

QString DomNodeText(xmlNodePtr node, bool preserveWhiteSpace)
{
    if (!node)
        return QString();
    xmlChar *content = xmlNodeGetContent(node);
    QString text = Q(content);
    xmlFree(content);
    if (node->type == XML_ATTRIBUTE_NODE || preserveWhiteSpace)
        return text;
    return TrimXmlSpace(text);
}

QString DomNodeValue(xmlNodePtr node)
{
    switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
    case XML_ATTRIBUTE_NODE: {
        xmlChar *content = xmlNodeGetContent(node);
        QString text = content ? Q(content) : QStringLiteral("");
        xmlFree(content);
        return text;
    }
    default:
        return QString();
    }
}

namespace {

QString SerializeNode(xmlNodePtr node)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL);
    if (save) {
        xmlSaveTree(save, node);
        xmlSaveClose(save);
    }
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(xmlBufferContent(buffer)),
                                     xmlBufferLength(buffer));
    xmlBufferFree(buffer);
    if (node->type == XML_ATTRIBUTE_NODE)
        text = text.trimmed();
    return text;
}

} // namespace

QString DomNodeXml(const TDomTree &tree, xmlNodePtr node)
{
    if (!node)
        return QString();
    if (node->type != XML_DOCUMENT_NODE && node->type != XML_HTML_DOCUMENT_NODE)
        return SerializeNode(node);
    QString text;
    if (tree.HadDeclaration())
        text += QStringLiteral("<?xml version=\"1.0\"?>\r\n");
    for (xmlNodePtr child = node->children; child; child = child->next)
        text += SerializeNode(child) + QStringLiteral("\r\n");
    return text;
}

QString DomNodeName(xmlNodePtr node)
{
    switch (node->type) {
    case XML_TEXT_NODE: return QStringLiteral("#text");
    case XML_CDATA_SECTION_NODE: return QStringLiteral("#cdata-section");
    case XML_COMMENT_NODE: return QStringLiteral("#comment");
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: return QStringLiteral("#document");
    case XML_DOCUMENT_FRAG_NODE: return QStringLiteral("#document-fragment");
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: return QualifiedName(node);
    default: return Q(node->name);
    }
}

int DomNodeType(xmlNodePtr node)
{
    switch (node->type) {
    case XML_HTML_DOCUMENT_NODE: return 9;
    case XML_DTD_NODE: return 10;
    default: return static_cast<int>(node->type) <= 12 ? static_cast<int>(node->type) : 0;
    }
}

QList<xmlNodePtr> DomChildren(xmlNodePtr node)
{
    QList<xmlNodePtr> children;
    if (!node || node->type == XML_ENTITY_REF_NODE)
        return children;
    for (xmlNodePtr child = node->children; child; child = child->next)
        children << child;
    return children;
}

QList<xmlNodePtr> DomElementsByTagName(xmlNodePtr node, const QString &name)
{
    QList<xmlNodePtr> found;
    if (!node)
        return found;
    const bool all = name == QLatin1String("*");
    // Depth-first, in document order, without recursion.
    xmlNodePtr current = node->children;
    while (current) {
        if (current->type == XML_ELEMENT_NODE && (all || QualifiedName(current) == name))
            found << current;
        if (current->type == XML_ELEMENT_NODE && current->children) {
            current = current->children;
            continue;
        }
        while (current && !current->next) {
            current = current->parent;
            if (current == node)
                return found;
        }
        if (current)
            current = current->next;
    }
    return found;
}
