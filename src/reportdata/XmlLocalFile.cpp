#include "reportdata/XmlLocalFile.h"

#include "xml/XmlNode.h"

#include <libxml/tree.h>

namespace {

bool IsElementNamed(xmlNodePtr node, const QByteArray &name)
{
    return node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, reinterpret_cast<const xmlChar *>(name.constData()));
}

} // namespace

void TXMLRECType::ReadField(const TFieldDef &field, QVariant &value)
{
    const QByteArray name = field.name.toUtf8();
    xmlNodePtr element = FindFieldElement(node_, name, nullptr);
    if (!element)
        element = AppendTextElement(node_, name, QString());
    QByteArray scratch;
    value = ReadFieldValueText(field.type, ElementText(element, &scratch));
}

void TXMLRECType::WriteField(const TFieldDef &field, const QVariant &value)
{
    const QByteArray name = field.name.toUtf8();
    const QString text = FieldValueText(field.type, value);
    xmlNodePtr element = FindFieldElement(node_, name, nullptr);
    if (element)
        SetElementText(element, text);
    else
        AppendTextElement(node_, name, text);
    Touch();
}

QStringList NewReportFileLines(const QString &payerCode, const QString &version, const QString &dsFile)
{
    auto escape = [](QString text) { return text.toHtmlEscaped(); };
    return {
        QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>"),
        QStringLiteral("<TAXPAYER SWSBH=\"%1\">").arg(escape(payerCode)),
        QStringLiteral("<YSFP Version=\"%1\" DSFile=\"%2\" RecordCount=\"0\">").arg(escape(version), escape(dsFile)),
        QStringLiteral("</YSFP>"),
        QStringLiteral("</TAXPAYER>"),
    };
}

xmlNodePtr FindFieldElement(xmlNodePtr record, const QByteArray &name, xmlNodePtr *hint)
{
    if (!record)
        return nullptr;
    xmlNodePtr start = hint && *hint && (*hint)->parent == record ? *hint : record->children;
    for (xmlNodePtr node = start; node; node = node->next) {
        if (IsElementNamed(node, name)) {
            if (hint)
                *hint = node->next;
            return node;
        }
    }
    for (xmlNodePtr node = record->children; node && node != start; node = node->next) {
        if (IsElementNamed(node, name)) {
            if (hint)
                *hint = node->next;
            return node;
        }
    }
    return nullptr;
}

QByteArrayView ElementText(xmlNodePtr element, QByteArray *scratch)
{
    if (!element || !element->children)
        return QByteArrayView();
    xmlNodePtr child = element->children;
    if (!child->next && (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)) {
        const char *content = reinterpret_cast<const char *>(child->content);
        return content ? QByteArrayView(content, qsizetype(qstrlen(content))) : QByteArrayView();
    }
    xmlChar *all = xmlNodeGetContent(element);
    *scratch = all ? QByteArray(reinterpret_cast<const char *>(all)) : QByteArray();
    xmlFree(all);
    return QByteArrayView(*scratch);
}

void SetElementText(xmlNodePtr element, const QString &text) { TXMLNode(element).SetText(text); }

xmlNodePtr AppendTextElement(xmlNodePtr parent, const QByteArray &name, const QString &text)
{
    xmlNodePtr element = xmlNewDocNode(parent->doc, nullptr, reinterpret_cast<const xmlChar *>(name.constData()), nullptr);
    if (!text.isEmpty()) {
        const QByteArray utf8 = text.toUtf8();
        xmlAddChild(element, xmlNewDocText(parent->doc, reinterpret_cast<const xmlChar *>(utf8.constData())));
    }
    xmlAddChild(parent, element);
    return element;
}
