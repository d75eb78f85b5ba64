#pragma once

#include "entry/HostObject.h"
#include "entry/XmlDomTree.h"

#include <QList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

// The XML DOM that scripts create with ActiveXObject, read-only, over
// libxml2. Every node object holds its document (shared ownership), so a
// node outlives the script variable that held its document; the script
// engine's garbage collector frees node objects.

// The failure of the last load: errorCode 0 when it succeeded.
class TXmlDomParseError : public TScriptHostObject {
    Q_OBJECT
    Q_PROPERTY(int errorCode READ ErrorCode CONSTANT)
    Q_PROPERTY(QString reason READ Reason CONSTANT)
    Q_PROPERTY(int line READ Line CONSTANT)
    Q_PROPERTY(int linepos READ LinePos CONSTANT)
    Q_PROPERTY(int filepos READ FilePos CONSTANT)
    Q_PROPERTY(QString srcText READ SrcText CONSTANT)
    Q_PROPERTY(QString url READ Url CONSTANT)

public:
    explicit TXmlDomParseError(const TDomLoadResult &result);
    int ErrorCode() const { return result_.errorCode; }
    QString Reason() const { return result_.reason; }
    int Line() const { return result_.line; }
    int LinePos() const { return result_.linePos; }
    int FilePos() const { return result_.filePos; }
    QString SrcText() const { return result_.srcText; }
    QString Url() const { return result_.url; }

private:
    TDomLoadResult result_;
};

// One node: element, attribute, text, comment, ... or the document itself.
class TXmlDomNode : public TScriptHostObject {
    Q_OBJECT
    Q_PROPERTY(QString nodeName READ NodeName)
    Q_PROPERTY(QString baseName READ BaseName)
    Q_PROPERTY(int nodeType READ NodeType)
    Q_PROPERTY(QVariant nodeValue READ NodeValue)
    Q_PROPERTY(QString text READ Text)
    Q_PROPERTY(QString xml READ Xml)
    Q_PROPERTY(QVariant tagName READ TagName)
    Q_PROPERTY(QVariant name READ Name)
    Q_PROPERTY(QVariant value READ Value)
    Q_PROPERTY(QObject *childNodes READ ChildNodes)
    Q_PROPERTY(QObject *attributes READ Attributes)
    Q_PROPERTY(QObject *parentNode READ ParentNode)
    Q_PROPERTY(QObject *firstChild READ FirstChild)
    Q_PROPERTY(QObject *lastChild READ LastChild)
    Q_PROPERTY(QObject *previousSibling READ PreviousSibling)
    Q_PROPERTY(QObject *nextSibling READ NextSibling)

public:
    TXmlDomNode(std::shared_ptr<TDomTree> tree, xmlNodePtr node, std::shared_ptr<TDomSettings> settings);

    // The object for a node of tree: the one already made while it lives,
    // else a new one owned by the script engine. Null for a null node.
    static QObject *For(const std::shared_ptr<TDomTree> &tree, xmlNodePtr node,
                        const std::shared_ptr<TDomSettings> &settings);

    QString NodeName() const;
    QString BaseName() const;
    int NodeType() const;
    // The DOM nodeValue: text of character nodes, value of attributes, null otherwise.
    QVariant NodeValue() const;
    QString Text() const;
    QString Xml() const;
    // Elements only (undefined for other nodes).
    QVariant TagName() const;
    // Attributes only: name and value (undefined for other nodes).
    QVariant Name() const;
    QVariant Value() const;
    QObject *ChildNodes() const;
    // Elements: their attributes; other nodes: null.
    QObject *Attributes() const;
    QObject *ParentNode() const;
    QObject *FirstChild() const;
    QObject *LastChild() const;
    QObject *PreviousSibling() const;
    QObject *NextSibling() const;

    Q_INVOKABLE bool hasChildNodes() const;
    // The attribute's value; null when the element has no such attribute.
    Q_INVOKABLE QVariant getAttribute(const QString &name) const;
    Q_INVOKABLE QObject *getAttributeNode(const QString &name) const;
    Q_INVOKABLE QObject *getElementsByTagName(const QString &name) const;
    // Nodes selected by an XPath expression or XSL Pattern, as the
    // document's SelectionLanguage says. A bad expression raises error 5.
    Q_INVOKABLE QObject *selectNodes(const QString &expression) const;
    // The first of them, or null.
    Q_INVOKABLE QObject *selectSingleNode(const QString &expression) const;

protected:
    QObject *Wrap(xmlNodePtr node) const { return For(tree_, node, settings_); }
    QObject *List(const QList<xmlNodePtr> &nodes) const;

    std::shared_ptr<TDomTree> tree_;
    xmlNodePtr node_;
    std::shared_ptr<TDomSettings> settings_;
};

// A snapshot list of nodes (childNodes, selectNodes, getElementsByTagName).
class TXmlDomNodeList : public TScriptHostObject {
    Q_OBJECT
    Q_PROPERTY(int length READ Length)

public:
    TXmlDomNodeList(std::shared_ptr<TDomTree> tree, QList<xmlNodePtr> nodes,
                    std::shared_ptr<TDomSettings> settings);
    int Length() const { return static_cast<int>(nodes_.size()); }
    // The node at 0-based index; null outside the list.
    Q_INVOKABLE QObject *item(int index) const;
    // The next node of the list's own iteration; null after the last.
    Q_INVOKABLE QObject *nextNode();
    Q_INVOKABLE void reset() { next_ = 0; }

protected:
    std::shared_ptr<TDomTree> tree_;
    QList<xmlNodePtr> nodes_;
    std::shared_ptr<TDomSettings> settings_;
    int next_ = 0;
};

// An element's attributes.
class TXmlDomNamedNodeMap : public TXmlDomNodeList {
    Q_OBJECT

public:
    using TXmlDomNodeList::TXmlDomNodeList;
    // The attribute of that qualified name, or null.
    Q_INVOKABLE QObject *getNamedItem(const QString &name) const;
};

// What a DOM ProgID gives a new document: its selection language and the
// defaults of its parser settings.
struct TDomProfile {
    // SelectionLanguage starts as XPath (true) or as XSL Patterns.
    bool xpath = false;
    bool validateOnParse = true;
    bool resolveExternals = true;
    // setProperty("ProhibitDTD"): a DOCTYPE fails the load.
    bool prohibitDtd = false;
};

// The profile of a DOM document ProgID (letter case and surrounding
// blanks ignored); nothing for a name that is not one:
//   version-independent, 2.6 and 3.0 names: XSL Patterns, validating,
//     external DTD read, DOCTYPE allowed;
//   4.0 and 5.0: as those, with XPath;
//   6.0: XPath, not validating, nothing external read, DOCTYPE prohibited.
std::optional<TDomProfile> DomProfileForProgId(const QString &progId);

// The document object of "Microsoft.XMLDOM" and its relatives.
class TXmlDomDocument : public TXmlDomNode {
    Q_OBJECT
    Q_PROPERTY(bool async READ Async WRITE SetAsync)
    Q_PROPERTY(bool preserveWhiteSpace READ PreserveWhiteSpace WRITE SetPreserveWhiteSpace)
    Q_PROPERTY(bool validateOnParse READ ValidateOnParse WRITE SetValidateOnParse)
    Q_PROPERTY(bool resolveExternals READ ResolveExternals WRITE SetResolveExternals)
    Q_PROPERTY(QObject *parseError READ ParseError)
    Q_PROPERTY(QObject *documentElement READ DocumentElement)
    Q_PROPERTY(QString url READ Url)

public:
    explicit TXmlDomDocument(const TDomProfile &profile);

    bool Async() const { return async_; }
    // Loading is always synchronous; the flag is kept for scripts that read it back.
    void SetAsync(bool value) { async_ = value; }
    bool PreserveWhiteSpace() const { return settings_->preserveWhiteSpace; }
    // Applies to the next load.
    void SetPreserveWhiteSpace(bool value) { settings_->preserveWhiteSpace = value; }
    bool ValidateOnParse() const { return validateOnParse_; }
    // Applies to the next load: validate against the DOCTYPE's DTD (see
    // TDomLoadOptions).
    void SetValidateOnParse(bool value) { validateOnParse_ = value; }
    bool ResolveExternals() const { return resolveExternals_; }
    // Applies to the next load: read the DOCTYPE's external DTD, from the
    // document's folder or else the workspace's DS folder. No other
    // external entity is ever read.
    void SetResolveExternals(bool value) { resolveExternals_ = value; }
    QObject *ParseError() const;
    QObject *DocumentElement() const;
    // The file of the last successful load; empty otherwise.
    QString Url() const { return url_; }

    // Loads a file; false when it cannot be read or parsed, or breaks its
    // DTD (see parseError).
    Q_INVOKABLE bool load(const QVariant &source);
    // Loads a document from text; false as for load. Having no folder, it
    // finds an external DTD in the workspace's DS folder only.
    Q_INVOKABLE bool loadXML(const QString &text);
    // setProperty/getProperty of the DOM: "SelectionLanguage" ("XPath" or
    // "XSLPattern"), "SelectionNamespaces", "ProhibitDTD", and
    // "ValidateOnParse" and "ResolveExternals" as the properties of those
    // names; other names are kept and read back without effect.
    Q_INVOKABLE void setDomProperty(const QString &name, const QVariant &value);
    Q_INVOKABLE QVariant getDomProperty(const QString &name) const;

protected:
    QStringList Aliases() const override;

private:
    bool Adopt(const TDomLoadResult &result);
    TDomLoadOptions LoadOptions() const;
    // The parser flag a setProperty name stands for; null for other names.
    bool *Flag(const QString &name);

    TDomLoadResult lastLoad_;
    QString url_;
    QVariantMap otherProperties_;
    bool async_ = true;
    bool validateOnParse_;
    bool resolveExternals_;
    bool prohibitDtd_;
};
