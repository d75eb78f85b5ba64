#include "print/Print.h"

#include "app/utils/Errors.h"
#include "app/utils/Paths.h"
#include "app/utils/TextFile.h"
#include "app/utils/Utils.h"
#include "xml/LibXmlSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <libxml/HTMLtree.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>
#include <libxslt/documents.h>
#include <libxslt/imports.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>
#include <memory>

namespace {

const char kPrintPage[] = "print.html";

// The print file: the DTD it names is never loaded (its name differs in
// case from the installed file and the page does not need it).
constexpr int kDocumentOptions = XML_PARSE_NONET;
// Style sheets: entities substituted and CDATA merged as libxslt expects,
// but no external DTD and no network.
constexpr int kStyleSheetOptions = XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NOCDATA;

QString FromXml(const xmlChar *text) { return QString::fromUtf8(reinterpret_cast<const char *>(text)); }
QString FromXml(const char *text) { return QString::fromUtf8(text); }

// While one print page is rendered, libxml2 and libxslt read local files of
// the style sheet's folder only, write nothing, never touch the network, and
// tell their errors to this object instead of standard error. The settings
// are the libraries' global ones; everything runs on one thread, and the
// previous settings are restored when the object goes.
class TXsltSandbox {
public:
    explicit TXsltSandbox(const QString &folder)
        : folder_(QDir(folder).canonicalPath())
    {
        current_ = this;
        oldGeneric_ = xmlGenericError;
        oldGenericContext_ = xmlGenericErrorContext;
        oldStructured_ = xmlStructuredError;
        oldStructuredContext_ = xmlStructuredErrorContext;
        oldXsltGeneric_ = xsltGenericError;
        oldXsltGenericContext_ = xsltGenericErrorContext;
        oldEntityLoader_ = xmlGetExternalEntityLoader();
        oldDefaultPrefs_ = xsltGetDefaultSecurityPrefs();

        xmlSetGenericErrorFunc(this, &TXsltSandbox::Generic);
        xmlSetStructuredErrorFunc(this, &TXsltSandbox::Structured);
        xsltSetGenericErrorFunc(this, &TXsltSandbox::Generic);
        xmlSetExternalEntityLoader(&TXsltSandbox::LoadEntity);

        prefs_ = xsltNewSecurityPrefs();
        xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_READ_FILE, &TXsltSandbox::CheckRead);
        xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_READ_NETWORK, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
        // xsl:include and xsl:import are checked against the default preferences.
        xsltSetDefaultSecurityPrefs(prefs_);
    }

    ~TXsltSandbox()
    {
        xsltSetDefaultSecurityPrefs(oldDefaultPrefs_);
        xsltFreeSecurityPrefs(prefs_);
        xmlSetExternalEntityLoader(oldEntityLoader_);
        xsltSetGenericErrorFunc(oldXsltGenericContext_, oldXsltGeneric_);
        xmlSetStructuredErrorFunc(oldStructuredContext_, oldStructured_);
        xmlSetGenericErrorFunc(oldGenericContext_, oldGeneric_);
        current_ = nullptr;
    }

    TXsltSandbox(const TXsltSandbox &) = delete;
    TXsltSandbox &operator=(const TXsltSandbox &) = delete;

    xsltSecurityPrefsPtr Prefs() const { return prefs_; }

    // What the libraries said, one message a line.
    QString Messages() const
    {
        QStringList all = messages_;
        if (!pending_.trimmed().isEmpty())
            all << pending_.trimmed();
        return all.join(QStringLiteral("\r\n"));
    }
    bool HasMessages() const { return !Messages().isEmpty(); }

    static void Generic(void *context, const char *format, ...)
    {
        char buffer[2048];
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        static_cast<TXsltSandbox *>(context)->AddText(FromXml(buffer));
    }

private:
    // libxml2 and libxslt give one message in several pieces: a line is
    // complete at its line end.
    void AddText(const QString &text)
    {
        pending_ += text;
        qsizetype end;
        while ((end = pending_.indexOf(QLatin1Char('\n'))) >= 0) {
            AddMessage(pending_.left(end));
            pending_.remove(0, end + 1);
        }
    }

    void AddMessage(const QString &message)
    {
        const QString trimmed = message.trimmed();
        if (!trimmed.isEmpty() && (messages_.isEmpty() || messages_.last() != trimmed))
            messages_ << trimmed;
    }

    static void Structured(void *context, xmlErrorPtr error)
    {
        if (!error || error->level == XML_ERR_WARNING)
            return;
        QString where;
        if (error->file)
            where = QStringLiteral("%1(%2): ").arg(FileNamePart(FromXml(error->file))).arg(error->line);
        static_cast<TXsltSandbox *>(context)->AddMessage(where + FromXml(error->message ? error->message : ""));
    }

    // The local file a URL names, or an empty text for anything else.
    static QString LocalPath(const char *url)
    {
        const QString text = FromXml(url);
        static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
        if (!scheme.match(text).hasMatch()) {
            // libxml2 hands on the names it builds from a base as URI
            // references, escaped ("%E5%B7%A5" for a folder named in
            // Chinese); a name it was given as it stands is not.
            if (FileExistsAnyCase(text))
                return text;
            return QUrl::fromPercentEncoding(text.toUtf8());
        }
        const QUrl parsed(text);
        return parsed.isLocalFile() ? parsed.toLocalFile() : QString();
    }

    // The existing spelling of a local file inside the folder, or an empty
    // text when url names no such file.
    QString Allowed(const char *url) const
    {
        const QString path = LocalPath(url);
        if (path.isEmpty())
            return QString();
        const QString resolved = ResolveCaseInsensitive(QFileInfo(path).absoluteFilePath());
        const QString canonical = QFileInfo(resolved).canonicalFilePath();
        if (canonical.isEmpty() || !canonical.startsWith(folder_ + QLatin1Char('/')))
            return QString();
        return canonical;
    }

    void Refuse(const char *url)
    {
        AddMessage(QStringLiteral("不能读取样式表目录以外的文件或网络资源: %1").arg(FromXml(url ? url : "")));
    }

    static int CheckRead(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char *value)
    {
        if (!current_->Allowed(value).isEmpty())
            return 1;
        current_->Refuse(value);
        return 0;
    }

    static xmlParserInputPtr LoadEntity(const char *url, const char *id, xmlParserCtxtPtr context)
    {
        const QString allowed = url ? current_->Allowed(url) : QString();
        if (allowed.isEmpty()) {
            current_->Refuse(url);
            return nullptr;
        }
        const QByteArray path = QFile::encodeName(allowed);
        return current_->oldEntityLoader_(path.constData(), id, context);
    }

    static inline TXsltSandbox *current_ = nullptr;

    QString folder_;
    QStringList messages_;
    QString pending_;
    xsltSecurityPrefsPtr prefs_ = nullptr;

    xmlGenericErrorFunc oldGeneric_;
    void *oldGenericContext_;
    xmlStructuredErrorFunc oldStructured_;
    void *oldStructuredContext_;
    xmlGenericErrorFunc oldXsltGeneric_;
    void *oldXsltGenericContext_;
    xmlExternalEntityLoader oldEntityLoader_;
    xsltSecurityPrefsPtr oldDefaultPrefs_;
};

struct DocFree {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
struct StyleFree {
    void operator()(xsltStylesheetPtr style) const { xsltFreeStylesheet(style); }
};
struct TransformFree {
    void operator()(xsltTransformContextPtr context) const { xsltFreeTransformContext(context); }
};
struct ParserFree {
    void operator()(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
};
using TDoc = std::unique_ptr<xmlDoc, DocFree>;

TDoc ReadDocument(const QString &path, int options)
{
    std::unique_ptr<xmlParserCtxt, ParserFree> context(xmlNewParserCtxt());
    if (!context)
        throw std::bad_alloc();
    const QByteArray name = QFile::encodeName(path);
    TDoc doc(xmlCtxtReadFile(context.get(), name.constData(), nullptr, options));
    if (!doc || !context->wellFormed)
        throw TXmlParseError(XmlParseErrorText(context.get(), path));
    return doc;
}

// The href of the first xml-stylesheet instruction of type text/xsl in front
// of the root element.
QString StyleSheetHref(xmlDocPtr doc)
{
    static const QRegularExpression pseudoAttribute(
        QStringLiteral("([A-Za-z-]+)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"));
    for (xmlNodePtr node = doc->children; node; node = node->next) {
        if (node->type != XML_PI_NODE || !xmlStrEqual(node->name, BAD_CAST "xml-stylesheet"))
            continue;
        QString type;
        QString href;
        auto attributes = pseudoAttribute.globalMatch(FromXml(node->content ? node->content : BAD_CAST ""));
        while (attributes.hasNext()) {
            const auto attribute = attributes.next();
            const QString value = attribute.captured(2).isNull() ? attribute.captured(3) : attribute.captured(2);
            if (attribute.captured(1) == QLatin1String("type"))
                type = value;
            else if (attribute.captured(1) == QLatin1String("href"))
                href = value;
        }
        if (type.compare(QLatin1String("text/xsl"), Qt::CaseInsensitive) == 0 && !href.isEmpty())
            return href;
    }
    return QString();
}

bool IsElement(xmlNodePtr node, const char *name)
{
    return node && node->type == XML_ELEMENT_NODE
        && xmlStrcasecmp(node->name, BAD_CAST name) == 0;
}

bool DeclaresCharset(xmlNodePtr meta)
{
    if (xmlHasProp(meta, BAD_CAST "charset"))
        return true;
    xmlChar *equiv = xmlGetProp(meta, BAD_CAST "http-equiv");
    const bool contentType = equiv && xmlStrcasecmp(equiv, BAD_CAST "content-type") == 0;
    xmlFree(equiv);
    return contentType;
}

// Makes <meta charset="UTF-8"> the first child of the page's head (added
// when missing) and drops every other charset declaration, so the page
// says what it is written in.
void DeclareUtf8(xmlDocPtr page)
{
    xmlNodePtr html = xmlDocGetRootElement(page);
    if (!IsElement(html, "html"))
        return;
    xmlNodePtr head = html->children;
    while (head && !IsElement(head, "head"))
        head = head->next;
    if (!head) {
        head = xmlNewDocNode(page, html->ns, BAD_CAST "head", nullptr);
        if (html->children)
            xmlAddPrevSibling(html->children, head);
        else
            xmlAddChild(html, head);
    }
    for (xmlNodePtr node = head->children; node;) {
        xmlNodePtr next = node->next;
        if (IsElement(node, "meta") && DeclaresCharset(node)) {
            xmlUnlinkNode(node);
            xmlFreeNode(node);
        }
        node = next;
    }
    xmlNodePtr meta = xmlNewDocNode(page, head->ns, BAD_CAST "meta", nullptr);
    xmlNewProp(meta, BAD_CAST "charset", BAD_CAST "UTF-8");
    if (head->children)
        xmlAddPrevSibling(head->children, meta);
    else
        xmlAddChild(head, meta);
}

// The page's bytes in UTF-8: HTML output as HTML, anything else as XML.
QByteArray PageBytes(xmlDocPtr page, xsltStylesheetPtr style)
{
    int indent = 0;
    XSLT_GET_IMPORT_INT(indent, style, indent);
    if (page->type != XML_HTML_DOCUMENT_NODE) {
        xmlChar *text = nullptr;
        int size = 0;
        xmlDocDumpFormatMemoryEnc(page, &text, &size, "UTF-8", indent > 0);
        const QByteArray bytes(reinterpret_cast<const char *>(text), size);
        xmlFree(text);
        return bytes;
    }
    xmlOutputBufferPtr buffer = xmlAllocOutputBuffer(nullptr);
    if (!buffer)
        throw std::bad_alloc();
    htmlDocContentDumpFormatOutput(buffer, page, "UTF-8", indent > 0);
    xmlOutputBufferFlush(buffer);
    const QByteArray bytes(reinterpret_cast<const char *>(xmlOutputBufferGetContent(buffer)),
                           qsizetype(xmlOutputBufferGetSize(buffer)));
    xmlOutputBufferClose(buffer);
    return bytes;
}

} // namespace

QString PrintStyleSheetName(const QString &printFile)
{
    const QString path = ResolveCaseInsensitive(printFile);
    TXsltSandbox sandbox(QFileInfo(path).absolutePath());
    return StyleSheetHref(ReadDocument(path, kDocumentOptions).get());
}

QString RenderPrintPage(const QString &printFile)
{
    const QString path = ResolveCaseInsensitive(printFile);
    if (!QFileInfo(path).isFile())
        throw TFileError(path, QStringLiteral("文件不存在"));
    const QString folder = QFileInfo(path).absolutePath();
    TXsltSandbox sandbox(folder);

    TDoc document = ReadDocument(path, kDocumentOptions);
    const QString href = StyleSheetHref(document.get());
    const QString styleSheet = href.isEmpty() ? JoinPath(folder, QString()) : ResolveInFolder(folder, href);
    if (href.isEmpty() || !QFileInfo(styleSheet).isFile())
        throw TUserError(FormatText(QStringLiteral("打印样式表“%S”不存在！"), {styleSheet}));

    const auto failed = [&]() {
        const QString messages = sandbox.HasMessages() ? sandbox.Messages() : QStringLiteral("样式表处理失败");
        return TUserError(FormatText(QStringLiteral("打印样式表“%S”不能使用：\r\n%S"), {styleSheet, messages}));
    };

    std::unique_ptr<xmlParserCtxt, ParserFree> parser(xmlNewParserCtxt());
    if (!parser)
        throw std::bad_alloc();
    const QByteArray styleName = QFile::encodeName(styleSheet);
    TDoc styleDoc(xmlCtxtReadFile(parser.get(), styleName.constData(), nullptr, kStyleSheetOptions));
    if (!styleDoc || !parser->wellFormed)
        throw failed();
    // A compiled style sheet owns its document, also one compiled with errors.
    std::unique_ptr<xsltStylesheet, StyleFree> style(xsltParseStylesheetDoc(styleDoc.get()));
    if (style)
        (void)styleDoc.release();
    if (!style || style->errors != 0)
        throw failed();

    std::unique_ptr<xsltTransformContext, TransformFree> transform(xsltNewTransformContext(style.get(), document.get()));
    if (!transform)
        throw failed();
    xsltSetCtxtSecurityPrefs(sandbox.Prefs(), transform.get());
    xsltSetTransformErrorFunc(transform.get(), &sandbox, &TXsltSandbox::Generic);
    TDoc page(xsltApplyStylesheetUser(style.get(), document.get(), nullptr, nullptr, nullptr, transform.get()));
    if (!page || transform->state != XSLT_STATE_OK)
        throw failed();

    DeclareUtf8(page.get());
    const QString pageFile = ResolveInFolder(folder, QString::fromLatin1(kPrintPage));
    WriteFileAtomically(pageFile, PageBytes(page.get(), style.get()));
    return pageFile;
}
