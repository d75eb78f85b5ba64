#include "entry/XmlDomObject.h"

#include "entry/ScriptErrors.h"

#include "app/utils/ApplicationInfo.h"

#include <QRegularExpression>

#include <libxml/tree.h>

namespace {

std::shared_ptr<TDomTree> EmptyTree()
{
    return std::make_shared<TDomTree>(xmlNewDoc(reinterpret_cast<const xmlChar *>("1.0")), false);
}

} // namespace

TXmlDomParseError::TXmlDomParseError(const TDomLoadResult &result)
    : result_(result)
{
    result_.tree.reset();
}

// --- nodes ---------------------------------------------------------------

TXmlDomNode::TXmlDomNode(std::shared_ptr<TDomTree> tree, xmlNodePtr node, std::shared_ptr<TDomSettings> settings)
    : tree_(std::move(tree)), node_(node), settings_(std::move(settings))
{
}

QObject *TXmlDomNode::For(const std::shared_ptr<TDomTree> &tree, xmlNodePtr node,
                          const std::shared_ptr<TDomSettings> &settings)
{
    if (!node || !tree)
        return nullptr;
    if (QObject *existing = tree->Wrapper(node))
        return existing;
    auto *wrapper = Adopt(new TXmlDomNode(tree, node, settings));
    tree->SetWrapper(node, wrapper);
    return wrapper;
}

QObject *TXmlDomNode::List(const QList<xmlNodePtr> &nodes) const
{
    return Adopt(new TXmlDomNodeList(tree_, nodes, settings_));
}

QString TXmlDomNode::NodeName() const { return DomNodeName(node_); }

QString TXmlDomNode::BaseName() const
{
    if (node_->type == XML_ELEMENT_NODE || node_->type == XML_ATTRIBUTE_NODE)
        return QString::fromUtf8(reinterpret_cast<const char *>(node_->name));
    return DomNodeName(node_);
}

int TXmlDomNode::NodeType() const { return DomNodeType(node_); }

QVariant TXmlDomNode::NodeValue() const
{
    const QString value = DomNodeValue(node_);
    return value.isNull() ? QVariant::fromValue(nullptr) : QVariant(value);
}

QString TXmlDomNode::Text() const { return DomNodeText(node_, settings_->preserveWhiteSpace); }

QString TXmlDomNode::Xml() const { return DomNodeXml(*tree_, node_); }

QVariant TXmlDomNode::TagName() const
{
    return node_->type == XML_ELEMENT_NODE ? QVariant(DomNodeName(node_)) : QVariant();
}

QVariant TXmlDomNode::Name() const
{
    return node_->type == XML_ATTRIBUTE_NODE ? QVariant(DomNodeName(node_)) : QVariant();
}

QVariant TXmlDomNode::Value() const
{
    return node_->type == XML_ATTRIBUTE_NODE ? QVariant(DomNodeValue(node_)) : QVariant();
}

QObject *TXmlDomNode::ChildNodes() const { return List(DomChildren(node_)); }

QObject *TXmlDomNode::Attributes() const
{
    if (node_->type != XML_ELEMENT_NODE)
        return nullptr;
    QList<xmlNodePtr> attributes;
    for (xmlAttrPtr attribute = node_->properties; attribute; attribute = attribute->next)
        attributes << reinterpret_cast<xmlNodePtr>(attribute);
    return Adopt(new TXmlDomNamedNodeMap(tree_, attributes, settings_));
}

QObject *TXmlDomNode::ParentNode() const
{
    // An attribute has no parent in the DOM; its element is its owner.
    if (node_->type == XML_ATTRIBUTE_NODE)
        return nullptr;
    return Wrap(node_->parent);
}

QObject *TXmlDomNode::FirstChild() const
{
    const QList<xmlNodePtr> children = DomChildren(node_);
    return children.isEmpty() ? nullptr : Wrap(children.first());
}

QObject *TXmlDomNode::LastChild() const
{
    const QList<xmlNodePtr> children = DomChildren(node_);
    return children.isEmpty() ? nullptr : Wrap(children.last());
}

QObject *TXmlDomNode::PreviousSibling() const { return node_->type == XML_ATTRIBUTE_NODE ? nullptr : Wrap(node_->prev); }

QObject *TXmlDomNode::NextSibling() const { return node_->type == XML_ATTRIBUTE_NODE ? nullptr : Wrap(node_->next); }

bool TXmlDomNode::hasChildNodes() const { return !DomChildren(node_).isEmpty(); }

QVariant TXmlDomNode::getAttribute(const QString &name) const
{
    if (node_->type == XML_ELEMENT_NODE) {
        for (xmlAttrPtr attribute = node_->properties; attribute; attribute = attribute->next) {
            auto *node = reinterpret_cast<xmlNodePtr>(attribute);
            if (DomNodeName(node) == name)
                return DomNodeValue(node);
        }
    }
    return QVariant::fromValue(nullptr);
}

QObject *TXmlDomNode::getAttributeNode(const QString &name) const
{
    if (node_->type == XML_ELEMENT_NODE) {
        for (xmlAttrPtr attribute = node_->properties; attribute; attribute = attribute->next) {
            auto *node = reinterpret_cast<xmlNodePtr>(attribute);
            if (DomNodeName(node) == name)
                return Wrap(node);
        }
    }
    return nullptr;
}

QObject *TXmlDomNode::getElementsByTagName(const QString &name) const
{
    return List(DomElementsByTagName(node_, name));
}

QObject *TXmlDomNode::selectNodes(const QString &expression) const
{
    QString error;
    const QList<xmlNodePtr> nodes = SelectDomNodes(node_, expression, *settings_, &error);
    if (!error.isEmpty()) {
        ThrowScriptError(ScriptErrorNumber::InvalidCall, error);
        return nullptr;
    }
    return List(nodes);
}

QObject *TXmlDomNode::selectSingleNode(const QString &expression) const
{
    QString error;
    const QList<xmlNodePtr> nodes = SelectDomNodes(node_, expression, *settings_, &error);
    if (!error.isEmpty()) {
        ThrowScriptError(ScriptErrorNumber::InvalidCall, error);
        return nullptr;
    }
    return nodes.isEmpty() ? nullptr : Wrap(nodes.first());
}

// --- lists ---------------------------------------------------------------

TXmlDomNodeList::TXmlDomNodeList(std::shared_ptr<TDomTree> tree, QList<xmlNodePtr> nodes,
                                 std::shared_ptr<TDomSettings> settings)
    : tree_(std::move(tree)), nodes_(std::move(nodes)), settings_(std::move(settings))
{
}

QObject *TXmlDomNodeList::item(int index) const
{
    if (index < 0 || index >= nodes_.size())
        return nullptr;
    return TXmlDomNode::For(tree_, nodes_.at(index), settings_);
}

QObject *TXmlDomNodeList::nextNode()
{
    if (next_ >= nodes_.size())
        return nullptr;
    return TXmlDomNode::For(tree_, nodes_.at(next_++), settings_);
}

QObject *TXmlDomNamedNodeMap::getNamedItem(const QString &name) const
{
    for (xmlNodePtr node : nodes_) {
        if (DomNodeName(node) == name)
            return TXmlDomNode::For(tree_, node, settings_);
    }
    return nullptr;
}

// --- the document ----------------------------------------------------------

std::optional<TDomProfile> DomProfileForProgId(const QString &progId)
{
    const QString name = progId.trimmed().toLower();
    static const QRegularExpression versioned(
        QStringLiteral(R"(^msxml2\.(?:freethreaded)?domdocument(?:\.(2\.6|[3-6]\.0))?$)"));
    int version = 0;
    if (name == QLatin1String("microsoft.xmldom") || name == QLatin1String("microsoft.freethreadedxmldom")
        || name == QLatin1String("msxml.domdocument")) {
        version = 3;
    } else if (const QRegularExpressionMatch match = versioned.match(name); match.hasMatch()) {
        // The version-independent Msxml2 names stand for 3.0.
        version = match.captured(1).isEmpty() ? 3 : static_cast<int>(match.captured(1).toDouble());
    } else {
        return std::nullopt;
    }
    TDomProfile profile;
    profile.xpath = version >= 4;
    if (version >= 6) {
        profile.validateOnParse = false;
        profile.resolveExternals = false;
        profile.prohibitDtd = true;
    }
    return profile;
}

TXmlDomDocument::TXmlDomDocument(const TDomProfile &profile)
    : TXmlDomNode(EmptyTree(), nullptr, std::make_shared<TDomSettings>()),
      validateOnParse_(profile.validateOnParse), resolveExternals_(profile.resolveExternals),
      prohibitDtd_(profile.prohibitDtd)
{
    settings_->xpath = profile.xpath;
    node_ = reinterpret_cast<xmlNodePtr>(tree_->Doc());
    tree_->SetWrapper(node_, this);
}

QStringList TXmlDomDocument::Aliases() const
{
    return {QStringLiteral("setProperty:setDomProperty"), QStringLiteral("getProperty:getDomProperty")};
}

bool TXmlDomDocument::Adopt(const TDomLoadResult &result)
{
    lastLoad_ = result;
    tree_ = result.tree ? result.tree : EmptyTree();
    lastLoad_.tree.reset();
    node_ = reinterpret_cast<xmlNodePtr>(tree_->Doc());
    tree_->SetWrapper(node_, this);
    return result.tree != nullptr;
}

TDomLoadOptions TXmlDomDocument::LoadOptions() const
{
    TDomLoadOptions options;
    options.preserveWhiteSpace = settings_->preserveWhiteSpace;
    options.validateOnParse = validateOnParse_;
    options.resolveExternals = resolveExternals_;
    options.prohibitDtd = prohibitDtd_;
    if (resolveExternals_)
        options.dtdFallbackFolder = TApplicationInfo::DSDir();
    return options;
}

bool TXmlDomDocument::load(const QVariant &source)
{
    const bool loaded = Adopt(LoadDomFile(source.toString(), LoadOptions()));
    url_ = loaded ? source.toString() : QString();
    return loaded;
}

bool TXmlDomDocument::loadXML(const QString &text)
{
    url_.clear();
    return Adopt(LoadDomText(text, LoadOptions()));
}

QObject *TXmlDomDocument::ParseError() const
{
    TDomLoadResult shown = lastLoad_;
    shown.tree.reset();
    return TScriptHostObject::Adopt(new TXmlDomParseError(shown));
}

QObject *TXmlDomDocument::DocumentElement() const { return Wrap(xmlDocGetRootElement(tree_->Doc())); }

void TXmlDomDocument::setDomProperty(const QString &name, const QVariant &value)
{
    if (name.compare(QLatin1String("SelectionLanguage"), Qt::CaseInsensitive) == 0) {
        const QString language = value.toString();
        if (language.compare(QLatin1String("XPath"), Qt::CaseInsensitive) == 0)
            settings_->xpath = true;
        else if (language.compare(QLatin1String("XSLPattern"), Qt::CaseInsensitive) == 0)
            settings_->xpath = false;
        else
            ThrowScriptError(ScriptErrorNumber::InvalidCall,
                             QStringLiteral("Unknown SelectionLanguage \"%1\"").arg(language));
        return;
    }
    if (name.compare(QLatin1String("SelectionNamespaces"), Qt::CaseInsensitive) == 0) {
        settings_->selectionNamespaces = value.toString();
        return;
    }
    if (bool *flag = Flag(name)) {
        *flag = value.toBool();
        return;
    }
    otherProperties_.insert(name.toLower(), value);
}

QVariant TXmlDomDocument::getDomProperty(const QString &name) const
{
    if (name.compare(QLatin1String("SelectionLanguage"), Qt::CaseInsensitive) == 0)
        return settings_->xpath ? QStringLiteral("XPath") : QStringLiteral("XSLPattern");
    if (name.compare(QLatin1String("SelectionNamespaces"), Qt::CaseInsensitive) == 0)
        return settings_->selectionNamespaces;
    if (bool *flag = const_cast<TXmlDomDocument *>(this)->Flag(name))
        return *flag;
    return otherProperties_.value(name.toLower());
}

bool *TXmlDomDocument::Flag(const QString &name)
{
    if (name.compare(QLatin1String("ProhibitDTD"), Qt::CaseInsensitive) == 0)
        return &prohibitDtd_;
    if (name.compare(QLatin1String("ValidateOnParse"), Qt::CaseInsensitive) == 0)
        return &validateOnParse_;
    if (name.compare(QLatin1String("ResolveExternals"), Qt::CaseInsensitive) == 0)
        return &resolveExternals_;
    return nullptr;
}
