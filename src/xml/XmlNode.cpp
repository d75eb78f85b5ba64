#include "xml/XmlNode.h"

#include "xml/XmlDocument.h"

#include <libxml/tree.h>

namespace {

const xmlChar *X(const char *name) { return reinterpret_cast<const xmlChar *>(name); }

QString FromXml(const xmlChar *text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QString();
}

QString TakeXml(xmlChar *text)
{
    QString result = FromXml(text);
    xmlFree(text);
    return result;
}

bool IsElementNamed(xmlNodePtr node, const char *name)
{
    return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, X(name)) == 0;
}

} // namespace

void TXMLNode::Touch() const
{
    if (node_ && node_->doc && node_->doc->_private)
        static_cast<TXMLDocument *>(node_->doc->_private)->SetModified(true);
}

QString TXMLNode::NodeName() const { return node_ ? FromXml(node_->name) : QString(); }

QString TXMLNode::Attribute(const char *name) const
{
    return node_ ? TakeXml(xmlGetNoNsProp(node_, X(name))) : QString();
}

bool TXMLNode::HasAttribute(const char *name) const
{
    return node_ && xmlHasNsProp(node_, X(name), nullptr) != nullptr;
}

void TXMLNode::SetAttribute(const char *name, const QString &value)
{
    xmlSetProp(node_, X(name), X(value.toUtf8().constData()));
    Touch();
}

void TXMLNode::SetIntAttribute(const char *name, int value) { SetAttribute(name, QString::number(value)); }

QString TXMLNode::Text() const { return node_ ? TakeXml(xmlNodeGetContent(node_)) : QString(); }

void TXMLNode::SetText(const QString &value)
{
    xmlNodePtr child = node_->children;
    while (child) {
        xmlNodePtr next = child->next;
        xmlUnlinkNode(child);
        xmlFreeNode(child);
        child = next;
    }
    if (!value.isEmpty())
        xmlAddChild(node_, xmlNewDocText(node_->doc, X(value.toUtf8().constData())));
    Touch();
}

TXMLNode TXMLNode::FindChild(const char *name) const
{
    if (!node_)
        return TXMLNode();
    for (xmlNodePtr child = node_->children; child; child = child->next) {
        if (IsElementNamed(child, name))
            return TXMLNode(child);
    }
    return TXMLNode();
}

TXMLNode TXMLNode::Child(const char *name)
{
    TXMLNode found = FindChild(name);
    return found.IsNull() ? AppendChild(name) : found;
}

QString TXMLNode::ChildText(const char *name) { return Child(name).Text(); }

void TXMLNode::SetChildText(const char *name, const QString &value) { Child(name).SetText(value); }

int TXMLNode::CountChildren(const char *name) const
{
    int count = 0;
    if (node_) {
        for (xmlNodePtr child = node_->children; child; child = child->next)
            count += IsElementNamed(child, name) ? 1 : 0;
    }
    return count;
}

TXMLNode TXMLNode::ChildAt(const char *name, int index) const
{
    if (node_ && index >= 0) {
        for (xmlNodePtr child = node_->children; child; child = child->next) {
            if (IsElementNamed(child, name) && index-- == 0)
                return TXMLNode(child);
        }
    }
    return TXMLNode();
}

std::vector<TXMLNode> TXMLNode::Children(const char *name) const
{
    std::vector<TXMLNode> result;
    if (node_) {
        for (xmlNodePtr child = node_->children; child; child = child->next) {
            if (IsElementNamed(child, name))
                result.emplace_back(child);
        }
    }
    return result;
}

TXMLNode TXMLNode::AppendChild(const char *name)
{
    xmlNodePtr child = xmlNewDocNode(node_->doc, nullptr, X(name), nullptr);
    xmlAddChild(node_, child);
    Touch();
    return TXMLNode(child);
}

TXMLNode TXMLNode::InsertChild(const char *name, int index)
{
    TXMLNode before = ChildAt(name, index);
    if (before.IsNull())
        return AppendChild(name);
    xmlNodePtr child = xmlNewDocNode(node_->doc, nullptr, X(name), nullptr);
    xmlAddPrevSibling(before.Raw(), child);
    Touch();
    return TXMLNode(child);
}

void TXMLNode::RemoveChildAt(const char *name, int index)
{
    TXMLNode child = ChildAt(name, index);
    child.Remove();
}

void TXMLNode::RemoveChildren(const char *name)
{
    for (TXMLNode child : Children(name))
        child.Remove();
}

void TXMLNode::Remove()
{
    if (!node_)
        return;
    Touch();
    xmlUnlinkNode(node_);
    xmlFreeNode(node_);
    node_ = nullptr;
}
