#pragma once

#include "documents/RegisterDocument.h"
#include "xml/XmlNode.h"

#include <QString>

// One schema as the program carries it, with the taxpayer whose schema node
// it belongs to (empty when none).
struct TSchemaRec {
    QString SWSBH;
    QString NAME;
    QString CHSNAME;
    QString DS;
    QString JK;
    QString Transfer;
};

namespace XmlSchemaManager {

class TXMLSCHEMAType : public TXMLNode {
public:
    static constexpr const char kTag[] = "SCHEMA";
    using TXMLNode::TXMLNode;
    QString NAME() const { return Attribute("NAME"); }
    void SetNAME(const QString &v) { SetAttribute("NAME", v); }
    QString CHSNAME() const { return Attribute("CHSNAME"); }
    void SetCHSNAME(const QString &v) { SetAttribute("CHSNAME", v); }
    QString DS() const { return Attribute("DS"); }
    void SetDS(const QString &v) { SetAttribute("DS", v); }
    QString JK() const { return Attribute("JK"); }
    void SetJK(const QString &v) { SetAttribute("JK", v); }
    QString Transfer() const { return Attribute("Transfer"); }
    void SetTransfer(const QString &v) { SetAttribute("Transfer", v); }
};

class TXMLSCHEMAMANAGERType : public TXMLCollection<TXMLSCHEMAType> {
public:
    using TXMLCollection::TXMLCollection;
};

} // namespace XmlSchemaManager

// "SchemaManager.xml": the kinds of report the installation collects. The
// programs only read it. Schema names compare without regard to ASCII case.
class TSchemaRegister : public TRegisterDocument {
public:
    XmlSchemaManager::TXMLSCHEMAMANAGERType Schemas() const;

    int Count() const;
    // The schema at index with swsbh as its taxpayer.
    TSchemaRec SchemaRecord(const QString &swsbh, int index) const;
    // Index of the first schema whose NAME matches, or -1.
    int Find(const QString &name) const;
};
