#pragma once

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

#include <QString>

#include <memory>

// The CRC document seals declared files: a GBK XML document whose root CRC
// holds one FILE element per declared file, with the file's name (without
// folder) in NAME and its CRC text in CRCVALUE. The client writes it beside
// the interface file; the checker reads it to verify that file.

// One FILE element.
class TXMLFILEType : public TXMLNode {
public:
    static constexpr const char kTag[] = "FILE";
    using TXMLNode::TXMLNode;
    QString NAME() const { return Attribute("NAME"); }
    void SetNAME(const QString &value) { SetAttribute("NAME", value); }
    QString CRCVALUE() const { return Attribute("CRCVALUE"); }
    void SetCRCVALUE(const QString &value) { SetAttribute("CRCVALUE", value); }
};

// The root CRC: a collection of FILE items in the order they were added.
class TXMLCRCType : public TXMLCollection<TXMLFILEType> {
public:
    using TXMLCollection::TXMLCollection;
};

// Binds the root of document. A document without a root element is first
// loaded from its file name when it has one and that file exists; if it
// still has no root, an empty CRC root is created. Raises TFileError or
// TXmlParseError when the file cannot be loaded.
TXMLCRCType GetCrcDocument(TXMLDocument &document);

// A CRC document loaded from a file together with its bound root.
struct TCrcDocument {
    std::unique_ptr<TXMLDocument> document;
    TXMLCRCType root;
};

// Loads the file at fileName (resolved without regard to letter case) and
// binds its root as GetCrcDocument does. Raises TFileError or
// TXmlParseError when the file cannot be loaded.
TCrcDocument LoadCrcDocument(const QString &fileName);

// Records the CRC text of the declared file in the CRC document at
// crcDocumentPath: the first FILE whose NAME equals the declared file's name
// (ASCII letter case ignored, not trimmed) gets the new CRCVALUE, otherwise
// a new FILE is appended. A missing document is created with just that
// FILE. The document is written atomically and only when everything
// succeeded: when the CRC cannot be computed or an existing document cannot
// be loaded, the error passes on and the file is untouched.
void UpdateCrcDocument(const QString &crcDocumentPath, const QString &declaredFilePath);

// Finds the recorded CRC text for fileName (a name without folder) in the
// CRC document at crcDocumentPath. Recorded names are compared after
// stripping leading and trailing blanks and control characters, ASCII
// letter case ignored; the first match gives value, untrimmed. Returns
// false, leaving value alone, when no FILE matches or an entry lacks an
// attribute. A document that cannot be loaded raises TFileError or
// TXmlParseError.
bool LookupCrcValue(const QString &crcDocumentPath, const QString &fileName, QString &value);
