#pragma once

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

#include <QDate>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TXmlDataSet;

// The description of one declaration, filled by the declare command and
// copied into the converter.
struct TExportBaseInfo {
    QString period;        // yyyyMM, the report's period
    QString schemaName;    // the schema's NAME
    QString schemaCaption; // the schema's CHSNAME
    QString taxpayerId;    // SWSBH
    QString taxpayerName;  // NSRMC
    QDate declarationDate;
    int recordCount = 0; // as counted by the declare command before the export
    QString collectionType; // configuration item CJLX
    QString collectorCode;  // CJRDM, already resolved from "@SWSBH"
    QString collectorName;  // CJRMC, already resolved from "@NSRMC"
    QString crcFileName;    // the CRC document's name, without folder
    QString transferTemplate; // the schema's Transfer attribute
    QString interfaceFile;    // the interface file's name; full path once the export folder is known
};

// text with "&" as "&amp;" (first), then "'" as "&apos;", '"' as "&quot;",
// "<" as "&lt;" and ">" as "&gt;".
QString EscapeXmlText(const QString &text);

// Converts an open report into an interface file through a transfer
// template:
//
//   <?xml version="1.0" encoding="GBK"?>
//   <!DOCTYPE SCHEMA SYSTEM "<schema name>JK.dtd">
//   <SCHEMA NAME=.. CHSNAME=.. SSSQ=.. CRC=..>
//     <TAXPAYER SWSBH=.. NSRMC=.. SBRQ=.. RECORDCOUNT=.. CJLX=.. CJRDM=.. CJRMC=..>
//       ...elements built from the template's Head, down to the records...
//         <one record element per dataset record, built from the template's Body/>
//
// Template: a document element with a Head and a Body child. Every child
// of Head is an element to create (tag in its Name attribute, its own
// children continue below it), except a child named Record (any case),
// whose Name is the tag of the record elements and whose place is the
// record container; the last Record met decides. Every child of Body is an
// output item: the dataset field Name written as the attribute (Mode
// "Attribute") or child element (Mode "Element"; any case) named Caption of
// the record element; an item with children also adds an element named
// Caption filled from those children the same way.
//
// Field values are the fields' text forms (TField::AsString). The converter
// does not change the report; it ends with the dataset on its first record,
// and with its controls enabled again, also after an error.
class TXmlDataTransfer {
public:
    TXmlDataTransfer();
    virtual ~TXmlDataTransfer();
    TXmlDataTransfer(const TXmlDataTransfer &) = delete;
    TXmlDataTransfer &operator=(const TXmlDataTransfer &) = delete;

    // The transfer template, loaded by the caller from the DS folder (not owned).
    TXMLDocument *TemplateDocument() const { return template_; }
    void SetTemplateDocument(TXMLDocument *document) { template_ = document; }
    // The document that receives the interface file: one the caller set
    // (not owned), else the converter's own. Execute replaces its content.
    TXMLDocument &TargetDocument() const { return target_ ? *target_ : *ownTarget_; }
    void SetTargetDocument(TXMLDocument *document) { target_ = document; }
    // The open report (not owned).
    TXmlDataSet *DataSet() const { return dataSet_; }
    void SetDataSet(TXmlDataSet *dataSet) { dataSet_ = dataSet; }
    const TExportBaseInfo &BaseInfo() const { return info_; }
    void SetBaseInfo(const TExportBaseInfo &info) { info_ = info; }

    // Called with the percentage of records converted (0 to 100) whenever it
    // changes: at most 101 calls, none for a report without records.
    std::function<void(int percent)> OnProgress;

    // WriteHeader, BuildHead, WriteBody. Raises TUserError:
    // "在接口模板文档中没有找到表头结点!" (no Head), "在接口模板文档中没有找到表体结点!"
    // (no Body), "在接口模板文档中没有找到记录结点!" (a Head without Record),
    // "未知的转换标志"<mode>"!", "接口模板文档中的结点名称"<name>"无效!" (a tag
    // or attribute name that is no XML name), the dataset's field-not-found
    // error, TConversionError for a stored value its type cannot read (the
    // message names the text), TXmlParseError for a header value that breaks the XML (a
    // control character). Raises TUserError when the template or dataset is
    // not set or the dataset is not open.
    void Execute();

    // Writes the target document to path atomically, as GBK (characters
    // outside GBK as character references): the file is either as it was
    // or the complete interface file. Raises TFileError (TAtomicFileError)
    // when it cannot be written, TUserError for a name GBK cannot hold.
    void SaveTo(const QString &path) const;

    // Found by the last Execute: the TAXPAYER element, the record container
    // and the record element name (null / empty before).
    TXMLNode TaxPayerNode() const { return TXMLNode(taxPayer_); }
    TXMLNode RecordContainer() const { return TXMLNode(recordContainer_); }
    QString RecordName() const { return recordName_; }

protected:
    // Replaces the target document by the header (six lines, every value
    // escaped with EscapeXmlText) parsed without loading the DTD, and finds
    // its TAXPAYER element.
    virtual void WriteHeader();
    // Creates the Head path below TAXPAYER and finds the record container.
    virtual void BuildHead();
    // Adds one record element per dataset record, reporting progress.
    virtual void WriteBody();

    // The children of Head or Body of the template (null when missing).
    xmlNodePtr TemplateChild(const char *name) const;

private:
    struct Item;
    // The Body items compiled once per run: field indexes, names as UTF-8.
    std::vector<Item> CompileItems(xmlNodePtr templateNode) const;
    // Builds one record's output below target from items.
    void MapRecord(xmlNodePtr target, const std::vector<Item> &items, const QByteArray &tag, int record);
    // The text form of the item's field in record, as UTF-8 (valid until the next call).
    const char *FieldText(int record, const Item &item);
    void WalkHead(xmlNodePtr templateNode, xmlNodePtr target);
    void ReportProgress(int percent);

    TXMLDocument *template_ = nullptr;
    TXMLDocument *target_ = nullptr;
    std::unique_ptr<TXMLDocument> ownTarget_;
    TXmlDataSet *dataSet_ = nullptr;
    TExportBaseInfo info_;

    xmlNodePtr taxPayer_ = nullptr;
    xmlNodePtr recordContainer_ = nullptr;
    QString recordName_;
    bool recordFound_ = false;
    int lastPercent_ = -1;
    std::string valueText_; // the value being written, as UTF-8
    QByteArray scratch_;
    // Element text that is only blanks: a reader dropping layout blanks
    // would lose it, so SaveTo takes the careful path of the XML layer.
    bool blankText_ = false;
};
