#pragma once

#include "documents/RegisterDocument.h"
#include "xml/XmlNode.h"

#include <QList>
#include <QString>

// The taxpayer registry "TaxPayers.xml" and the enterprise list "QYXX.xml"
// share one shape: a TAXPAYERS root with TAXPAYER items whose fields are
// child elements. A missing field reads as empty text and is added to the
// document by the read.

// One registry item, also the record a taxpayer node carries.
struct TTaxPayerRec {
    QString SWSBH;
    QString NSRMC;
    QString SWJGDM;
};

// What the new-taxpayer dialog fills in.
using TTaxPayerInfo = TTaxPayerRec;

namespace XmlTaxPayer {

class TXMLTAXPAYERType : public TXMLNode {
public:
    static constexpr const char kTag[] = "TAXPAYER";
    using TXMLNode::TXMLNode;
    QString SWSBH() { return ChildText("SWSBH"); }
    void SetSWSBH(const QString &v) { SetChildText("SWSBH", v); }
    QString NSRMC() { return ChildText("NSRMC"); }
    void SetNSRMC(const QString &v) { SetChildText("NSRMC", v); }
    QString SWJGDM() { return ChildText("SWJGDM"); }
    void SetSWJGDM(const QString &v) { SetChildText("SWJGDM", v); }
};

class TXMLTAXPAYERSType : public TXMLCollection<TXMLTAXPAYERType> {
public:
    using TXMLCollection::TXMLCollection;
};

} // namespace XmlTaxPayer

// "TaxPayers.xml": the units that have a branch in the navigation tree.
// Items are identified by SWSBH, compared without regard to ASCII case; the
// first match wins. Every change writes the file at once.
class TTaxPayerRegistry : public TRegisterDocument {
public:
    XmlTaxPayer::TXMLTAXPAYERSType TaxPayers() const;

    // All items in document order.
    QList<TTaxPayerRec> Enumerate();
    // Index of the first item whose SWSBH matches, or -1.
    int Find(const QString &swsbh);
    // Appends an item (SWSBH, NSRMC, SWJGDM in this order) and writes.
    void Add(const TTaxPayerInfo &info);
    // Sets NSRMC and SWJGDM of the first matching item and writes; no match: nothing.
    void Update(const TTaxPayerRec &rec);
    // Removes the first matching item and writes; no match: nothing.
    void Delete(const QString &swsbh);
};
