#include "entry/XmlDomTree.h"

#include "entry/XmlDomDtd.h"

#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

namespace {

// The network is never used; a DTD is loaded and validated against only
// as TDomLoadOptions asks (XML_PARSE_DTDLOAD, XML_PARSE_DTDVALID added per
// load), and then only through ResolveExternalSubset below.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR;

// parseError.errorCode values: parse and validation errors are this base
// plus libxml2's error code; the others are the usual codes for their
// failures (DomErrorCode).
constexpr unsigned kParseErrorBase = 0xC00CE000u;
// libxml2 has no code for a refused DOCTYPE; this one follows its codes.
constexpr int kDtdProhibited = static_cast<int>(kParseErrorBase + 0x5FFu);

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

// What one parse knows beyond libxml2's context. Set for the length of a
// parse on its thread; the callbacks below find it there.
struct TParseState {
    const TDomLoadOptions *options = nullptr;
    QString documentFolder;
    // The first error of error level or above that libxml2 reported.
    bool hasError = false;
    int code = 0;
    QString message;
    int line = 0;
    int column = 0;
    QString file;
    // A refusal of the DOM's own (DOCTYPE prohibited, DTD missing or not
    // read); it stops the parse and is what parseError shows.
    bool refused = false;
    int refusedCode = 0;
    QString refusedReason;
    QString refusedFile;
    int refusedLine = 0;
    int refusedColumn = 0;
    // The document has a DOCTYPE; without one there is nothing to
    // validate against and it is never invalid.
    bool sawDoctype = false;
    bool externalSubsetAsked = false;
    // The DOCTYPE named an external DTD that was not read, so the
    // declarations are incomplete and validity is not judged.
    bool externalSubsetSkipped = false;
    // The DTD read; its bytes stay alive for the whole parse.
    TDomDtdFile dtd;
};

thread_local TParseState *t_parseState = nullptr;

void Refuse(xmlParserCtxtPtr ctxt, TParseState *state, int code, const QString &reason)
{
    state->refused = true;
    state->refusedCode = code;
    state->refusedReason = reason;
    state->refusedFile = ctxt->input && ctxt->input->filename ? QString::fromUtf8(ctxt->input->filename) : QString();
    state->refusedLine = ctxt->input ? ctxt->input->line : 0;
    state->refusedColumn = ctxt->input ? ctxt->input->col : 0;
    xmlStopParser(ctxt);
}

void CaptureFirstError(void *, xmlErrorPtr error)
{
    TParseState *state = t_parseState;
    if (!state || !error || state->hasError || error->level < XML_ERR_ERROR)
        return;
    if (error->domain == XML_FROM_VALID && !state->sawDoctype)
        return;
    state->hasError = true;
    state->code = error->code;
    state->message = error->message ? TrimXmlSpace(Q(reinterpret_cast<const xmlChar *>(error->message))) : QString();
    state->line = error->line;
    state->column = error->int2;
    state->file = error->file ? QString::fromUtf8(error->file) : QString();
}

void InternalSubset(void *ctx, const xmlChar *name, const xmlChar *externalId, const xmlChar *systemId)
{
    auto *ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    TParseState *state = t_parseState;
    if (state)
        state->sawDoctype = true;
    if (state && state->options->prohibitDtd) {
        Refuse(ctxt, state, kDtdProhibited, QStringLiteral("DTD is prohibited."));
        return;
    }
    xmlSAX2InternalSubset(ctx, name, externalId, systemId);
}

// The parser asks for the DOCTYPE's external DTD here (and for nothing
// else: external entities go through the loader that TDomEntityGuard
// shuts).
xmlParserInputPtr ResolveExternalSubset(void *ctx, const xmlChar *, const xmlChar *systemId)
{
    auto *ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    TParseState *state = t_parseState;
    if (!state || state->externalSubsetAsked || ctxt->inSubset != 2 || !systemId)
        return nullptr;
    state->externalSubsetAsked = true;
    if (!state->options->resolveExternals) {
        state->externalSubsetSkipped = true;
        return nullptr;
    }
    state->dtd = ReadDomDtd(Q(systemId), state->documentFolder, state->options->dtdFallbackFolder);
    if (state->dtd.errorCode != 0) {
        Refuse(ctxt, state, state->dtd.errorCode, state->dtd.reason);
        return nullptr;
    }
    xmlParserInputBufferPtr buffer = xmlParserInputBufferCreateMem(
        state->dtd.bytes.constData(), static_cast<int>(state->dtd.bytes.size()), XML_CHAR_ENCODING_NONE);
    xmlParserInputPtr input = buffer ? xmlNewIOInputStream(ctxt, buffer, XML_CHAR_ENCODING_NONE) : nullptr;
    if (!input) {
        if (buffer)
            xmlFreeParserInputBuffer(buffer);
        Refuse(ctxt, state, static_cast<int>(kParseErrorBase), QStringLiteral("The DTD could not be read."));
        return nullptr;
    }
    input->filename = reinterpret_cast<const char *>(xmlStrdup(X(state->dtd.path.toUtf8())));
    return input;
}

// The line of text shown as srcText: line (1-based) of characters.
QString SourceLine(const QString &characters, int line)
{
    const QStringList lines = characters.split(QLatin1Char('\n'));
    if (line < 1 || line > lines.size())
        return QString();
    QString text = lines.at(line - 1);
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

TDomLoadResult Parse(const QByteArray &bytes, const QString &url, const char *encoding,
                     const QString &characters, const TDomLoadOptions &options)
{
    TDomLoadResult result;
    result.url = url;
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        result.errorCode = static_cast<int>(kParseErrorBase);
        result.reason = QStringLiteral("The XML parser could not be started.");
        return result;
    }
    ctxt->sax->serror = CaptureFirstError;
    ctxt->sax->internalSubset = InternalSubset;
    ctxt->sax->resolveEntity = ResolveExternalSubset;
    TParseState state;
    state.options = &options;
    if (!url.isEmpty())
        state.documentFolder = QFileInfo(url).absolutePath();
    int parseOptions = kParseOptions;
    if (options.resolveExternals)
        parseOptions |= XML_PARSE_DTDLOAD;
    if (options.validateOnParse)
        parseOptions |= XML_PARSE_DTDVALID;

    const QByteArray urlBytes = url.toUtf8();
    xmlDocPtr doc = nullptr;
    TDomEntityGuard::TRefusal entityRefused;
    {
        const TDomEntityGuard guard(ctxt);
        // Errors libxml2 raises without the context (encoding failures, the
        // final ID/IDREF check of validation) come to this thread's handler:
        // caught here, so they are reported and never printed.
        const xmlStructuredErrorFunc previousHandler = xmlStructuredError;
        void *const previousContext = xmlStructuredErrorContext;
        xmlSetStructuredErrorFunc(nullptr, CaptureFirstError);
        t_parseState = &state;
        doc = xmlCtxtReadMemory(ctxt, bytes.constData(), static_cast<int>(bytes.size()),
                                urlBytes.isEmpty() ? nullptr : urlBytes.constData(), encoding, parseOptions);
        t_parseState = nullptr;
        xmlSetStructuredErrorFunc(previousContext, previousHandler);
        entityRefused = guard.FirstRefusal();
    }
    // Asked to resolve externals, the DOM refuses all but the DTD: a
    // document that needs another one cannot be loaded as it is meant.
    if (!state.refused && options.resolveExternals && !entityRefused.url.isEmpty()) {
        state.refused = true;
        state.refusedCode = DomErrorCode::AccessDenied;
        state.refusedReason = QStringLiteral("Access is denied: the external entity \"%1\" is not read; "
                                             "only the DOCTYPE's DTD is.")
                                  .arg(entityRefused.url);
        state.refusedLine = entityRefused.line;
        state.refusedColumn = entityRefused.column;
        state.refusedFile = entityRefused.file;
    }
    const bool wellFormed = doc && ctxt->wellFormed;
    const bool invalid =
        options.validateOnParse && state.sawDoctype && !state.externalSubsetSkipped && !ctxt->valid;
    if (state.refused || !wellFormed || invalid) {
        if (state.refused) {
            result.errorCode = state.refusedCode;
            result.reason = state.refusedReason;
            result.line = state.refusedLine;
            result.linePos = state.refusedColumn;
        } else if (state.hasError) {
            result.errorCode = static_cast<int>(kParseErrorBase + static_cast<unsigned>(state.code));
            result.reason = state.message.isEmpty() ? QStringLiteral("The document is not valid.") : state.message;
            result.line = state.line;
            result.linePos = state.column;
        } else {
            const xmlError *error = xmlCtxtGetLastError(ctxt);
            result.errorCode = static_cast<int>(kParseErrorBase + static_cast<unsigned>(error ? error->code : 1));
            result.reason = error && error->message
                ? TrimXmlSpace(Q(reinterpret_cast<const xmlChar *>(error->message)))
                : QStringLiteral("The document is not well-formed.");
            result.line = error ? error->line : 0;
            result.linePos = error ? error->int2 : 0;
        }
        result.filePos = static_cast<int>(xmlByteConsumed(ctxt));
        // Where the failure lies: a refusal made while the DTD was read names
        // it as file, as does an error libxml2 found in it.
        const bool inDtd =
            !state.dtd.path.isEmpty() && (state.refused ? state.refusedFile : state.file) == state.dtd.path;
        if (inDtd)
            result.url = state.dtd.path;
        result.srcText = SourceLine(inDtd ? DecodeForDisplay(state.dtd.bytes) : characters, result.line);
        xmlFreeDoc(doc);
        xmlFreeParserCtxt(ctxt);
        return result;
    }
    xmlFreeParserCtxt(ctxt);
    if (!options.preserveWhiteSpace)
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

TDomLoadResult LoadDomFile(const QString &path, const TDomLoadOptions &options)
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
        result.errorCode = DomErrorCode::AccessDenied;
        result.reason = QStringLiteral("Access is denied: only local files can be loaded.");
        return result;
    }
    const QString resolved = ResolveCaseInsensitive(local);
    if (local.isEmpty() || !QFileInfo(resolved).isFile()) {
        result.errorCode = DomErrorCode::FileNotFound;
        result.reason = QStringLiteral("The system cannot locate the object specified.");
        return result;
    }
    QByteArray bytes;
    try {
        bytes = ReadFileBytes(resolved);
    } catch (const TFileError &error) {
        result.errorCode = DomErrorCode::AccessDenied;
        result.reason = error.Message();
        return result;
    }
    TDomLoadResult parsed = Parse(bytes, resolved, nullptr, DecodeForDisplay(bytes), options);
    if (parsed.url == resolved)
        parsed.url = path;
    return parsed;
}

TDomLoadResult LoadDomText(const QString &text, const TDomLoadOptions &options)
{
    return Parse(text.toUtf8(), QString(), "UTF-8", text, options);
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
