#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>

#include <memory>

using xmlDocPtr = struct _xmlDoc *;
using xmlNodePtr = struct _xmlNode *;

class QObject;

// The libxml2 side of the scripts' XML DOM: one parsed document, shared by
// the document object and every node object taken from it, and freed with
// the last of them.
class TDomTree {
public:
    explicit TDomTree(xmlDocPtr doc, bool hadDeclaration);
    ~TDomTree();
    TDomTree(const TDomTree &) = delete;
    TDomTree &operator=(const TDomTree &) = delete;

    xmlDocPtr Doc() const { return doc_; }
    // Whether the source began with an XML declaration (the document's
    // "xml" text repeats one only then).
    bool HadDeclaration() const { return hadDeclaration_; }

    // The script object already made for a node, so that a node read twice
    // is the same object; null when there is none (yet, or any more).
    QObject *Wrapper(xmlNodePtr node) const;
    void SetWrapper(xmlNodePtr node, QObject *wrapper);

private:
    xmlDocPtr doc_;
    bool hadDeclaration_;
    QHash<xmlNodePtr, QPointer<QObject>> wrappers_;
};

// Selection and white-space settings of one document object; node objects
// share them, so a later setProperty applies to nodes taken before it.
struct TDomSettings {
    // XPath when true; XSL Patterns (0-based "[n]") when false.
    bool xpath = false;
    bool preserveWhiteSpace = false;
    // "xmlns:p='uri' ..." declarations for prefixes used in selections.
    QString selectionNamespaces;
};

// The outcome of a load; tree is null when it failed and the other fields
// describe the failure as parseError shows it.
struct TDomLoadResult {
    std::shared_ptr<TDomTree> tree;
    int errorCode = 0;
    QString reason;
    int line = 0;
    int linePos = 0;
    int filePos = 0;
    QString srcText;
    QString url;
};

// How a document is read. A DOCTYPE's external DTD is read only when
// resolveExternals is set, and only through ReadDomDtd (XmlDomDtd.h): from
// the document's folder, else from dtdFallbackFolder; a DTD that cannot be
// read then fails the load. The document is validated when validateOnParse
// is set and its DTD is complete: its internal subset alone when the
// DOCTYPE names no external DTD, both subsets when the external one was
// read; a DOCTYPE whose external DTD is not read (resolveExternals off)
// leaves the document unvalidated. The first violation fails the load.
// No other external resource is ever read, the network never used.
struct TDomLoadOptions {
    bool preserveWhiteSpace = false;
    bool validateOnParse = false;
    bool resolveExternals = false;
    // A DOCTYPE of any kind fails the load.
    bool prohibitDtd = false;
    // Where a DTD missing beside the document is looked for (the
    // workspace's DS folder); the only place for documents loaded from text.
    QString dtdFallbackFolder;
};

// Parses a file (path resolved without regard to letter case; "\" read as
// "/"; "file://" URLs accepted; other URLs refused). The declared encoding
// is honoured, GBK included. Unless preserveWhiteSpace, white-space-only
// text nodes are dropped (except under xml:space="preserve"). Failures
// inside an external DTD give its path as url and its line as srcText.
TDomLoadResult LoadDomFile(const QString &path, const TDomLoadOptions &options);
// As LoadDomFile, from text that is already characters (its declared
// encoding is ignored). It has no folder of its own.
TDomLoadResult LoadDomText(const QString &text, const TDomLoadOptions &options);

// Nodes selected by expression from context, in document order. Under XSL
// Patterns a "[n]" with a plain integer n is the (n+1)th item. On a bad
// expression returns nothing and sets error.
QList<xmlNodePtr> SelectDomNodes(xmlNodePtr context, const QString &expression,
                                 const TDomSettings &settings, QString *error);

// An XSL Pattern with its 0-based "[n]" indexes turned into XPath's 1-based ones.
QString XslPatternToXPath(const QString &pattern);

// The node's text: all descendant text run together; trimmed unless white
// space is preserved. An attribute's text is its value.
QString DomNodeText(xmlNodePtr node, bool preserveWhiteSpace);
// The node's value: the text of a text, CDATA, comment or processing
// instruction node or the value of an attribute; null QString otherwise.
QString DomNodeValue(xmlNodePtr node);
// The node serialised as XML text; a document gives its declaration (when
// it had one) and its top-level nodes, each line ended by CR LF.
QString DomNodeXml(const TDomTree &tree, xmlNodePtr node);
// The node's name as the DOM gives it: "#text", "#document", the
// qualified name of elements and attributes, ...
QString DomNodeName(xmlNodePtr node);
// The DOM node type number (1 element, 2 attribute, 3 text, 9 document, ...).
int DomNodeType(xmlNodePtr node);
// Children of a node as the DOM lists them (an attribute's value is not a child here).
QList<xmlNodePtr> DomChildren(xmlNodePtr node);
// Elements below node (not node itself) named name ("*" for all), in document order.
QList<xmlNodePtr> DomElementsByTagName(xmlNodePtr node, const QString &name);
