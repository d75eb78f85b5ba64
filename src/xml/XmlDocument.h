#pragma once

#include "xml/XmlNode.h"

#include <QString>
#include <QStringList>

#include <memory>

using xmlDocPtr = struct _xmlDoc *;

// One XML document in memory, over libxml2.
//
// Loading never resolves a DTD, never validates and never touches the
// network. Saving always writes GBK with an XML declaration saying so;
// characters that GBK cannot hold are written as character references, so
// nothing is lost. What is saved reads back as it was: whitespace-only text
// that loading would take for layout is written as character references.
// Saving is atomic: the file is either the old one or the complete new one.
// The GBK bytes of a libxml2 document without indentation (the layout of
// report files) that load back to the same tree: when the plain bytes would
// not (whitespace-only text the parser takes for layout), whitespace in
// text is written as character references. Raises TUserError, as
// TXMLDocument::ToBytes does, for what GBK cannot carry or when no form
// reads back.
QByteArray PlainBytesThatReadBack(xmlDocPtr doc);

class TXMLDocument {
public:
    // An empty document without a root element.
    TXMLDocument();
    ~TXMLDocument();
    TXMLDocument(const TXMLDocument &) = delete;
    TXMLDocument &operator=(const TXMLDocument &) = delete;

    // Loads the file at path (resolved without regard to letter case) and
    // remembers path as the file name. Raises TFileError when the file
    // cannot be read, TXmlParseError with the parser's message when it is
    // not well-formed.
    static std::unique_ptr<TXMLDocument> LoadFile(const QString &path);
    // Parses a document from text (its declaration's encoding is ignored:
    // the text is already characters). Raises TXmlParseError.
    static std::unique_ptr<TXMLDocument> FromText(const QString &text);
    // Parses a document from the bytes of a file (its declaration names the
    // encoding); name is used in error messages only. Raises TXmlParseError.
    static std::unique_ptr<TXMLDocument> FromBytes(const QByteArray &bytes, const QString &name);
    // As FromText, the lines joined with line ends.
    static std::unique_ptr<TXMLDocument> FromLines(const QStringList &lines);

    // Replaces the content with the parsed file / text (see above).
    void Load(const QString &path);
    void LoadText(const QString &text);

    // The file the document saves to.
    QString FileName() const { return fileName_; }
    void SetFileName(const QString &path) { fileName_ = path; }

    // Writes the document to FileName atomically. Raises TFileError.
    void Save() const;
    void SaveTo(const QString &path) const;
    // The bytes Save writes. Raises TUserError, writing nothing, for what
    // GBK cannot carry: a name, or CDATA, comment or processing-instruction
    // content, with a character outside GBK.
    QByteArray ToBytes() const;

    // Set when the document changed since it was loaded or saved. Bindings
    // set it through TXMLNode; savers use it to skip writing an unchanged
    // document on close.
    bool Modified() const;
    void SetModified(bool modified);

    bool HasRoot() const;
    // The root element; null when there is none.
    TXMLNode DocumentElement() const;
    // Replaces the root element by a new empty one named name.
    TXMLNode CreateRoot(const char *name);

    xmlDocPtr Raw() const { return doc_; }

private:
    void Adopt(xmlDocPtr doc);

    xmlDocPtr doc_ = nullptr;
    bool modified_ = false;
    QString fileName_;
};
