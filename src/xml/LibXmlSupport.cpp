#include "xml/LibXmlSupport.h"

#include "app/utils/TextFile.h"

#include <QSet>

#include <libxml/parser.h>
#include <libxml/tree.h>

namespace {

// Whether the code page the files are written in holds every character of
// name (UTF-8, as libxml2 keeps it).
bool FitsGbk(const xmlChar *name)
{
    const xmlChar *p = name;
    while (*p && *p < 0x80)
        ++p;
    return !*p || GbkCanHold(QString::fromUtf8(reinterpret_cast<const char *>(name)));
}

// Walks the tree once; names are mostly interned by the parser, so each
// distinct name is converted once.
class NameWalker {
public:
    const xmlChar *Find(xmlNodePtr node)
    {
        for (; node; node = node->next) {
            if (node->name && node->type != XML_TEXT_NODE && node->type != XML_COMMENT_NODE && !Fits(node->name))
                return node->name;
            if (node->type == XML_ELEMENT_NODE) {
                for (xmlAttrPtr attr = node->properties; attr; attr = attr->next) {
                    if (!Fits(attr->name))
                        return attr->name;
                }
            }
            if (node->type != XML_ENTITY_DECL) {
                if (const xmlChar *bad = Find(node->children))
                    return bad;
            }
        }
        return nullptr;
    }

private:
    bool Fits(const xmlChar *name)
    {
        if (checked_.contains(name))
            return true;
        if (!FitsGbk(name))
            return false;
        checked_.insert(name);
        return true;
    }

    QSet<const xmlChar *> checked_;
};

// Content that is written as it stands, without escaping: the encoder would
// turn a character GBK cannot hold into a character reference, which inside
// these nodes is not markup and reads back as its own letters.
const xmlChar *FirstVerbatimOutsideGbk(xmlNodePtr node)
{
    for (; node; node = node->next) {
        switch (node->type) {
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            if (node->content && !FitsGbk(node->content))
                return node->content;
            break;
        case XML_ELEMENT_NODE:
            if (const xmlChar *bad = FirstVerbatimOutsideGbk(node->children))
                return bad;
            break;
        default:
            break;
        }
    }
    return nullptr;
}

} // namespace

QString XmlParseErrorText(xmlParserCtxtPtr ctxt, const QString &name)
{
    const xmlError *error = xmlCtxtGetLastError(ctxt);
    const QString message = error && error->message ? QString::fromUtf8(error->message).trimmed()
                                                    : QStringLiteral("文档不是合法的 XML");
    return QStringLiteral("%1(%2): %3").arg(name).arg(error ? error->line : 0).arg(message);
}

QString FirstNameOutsideGbk(xmlDocPtr doc)
{
    const xmlChar *bad = NameWalker().Find(doc->children);
    return bad ? QString::fromUtf8(reinterpret_cast<const char *>(bad)) : QString();
}

QString FirstVerbatimTextOutsideGbk(xmlDocPtr doc)
{
    const xmlChar *bad = FirstVerbatimOutsideGbk(doc->children);
    return bad ? QString::fromUtf8(reinterpret_cast<const char *>(bad)) : QString();
}
