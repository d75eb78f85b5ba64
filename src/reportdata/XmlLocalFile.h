#pragma once

#include "reportdata/XmlFieldDefine.h"
#include "xml/XmlNode.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>

// Report data files: one per taxpayer, schema and period.
//
//   <TAXPAYER SWSBH="...">
//     <YSFP Version="1.00" DSFile="..." RecordCount="n">
//       <REC PKID="..."><FIELD1>text</FIELD1>...</REC> ...
//
// Value text by type: TEXT unchanged (never trimmed, never cut to the
// column's size); INTEGER decimal; FLOAT general format (FormatGeneral);
// CURRENCY rounded to 2 decimals, halves away from zero, then general
// format; DATE yyyy-MM-dd; BOOLEAN "True"/"False". Reading trims the text of
// every type but TEXT; INTEGER, FLOAT and DATE texts that do not convert
// raise TConversionError naming the text, CURRENCY reads them as 0 and
// BOOLEAN as false.

// One record.
class TXMLRECType : public TXMLNode {
public:
    static constexpr const char kTag[] = "REC";
    using TXMLNode::TXMLNode;

    QString PKID() const { return Attribute("PKID"); }
    void SetPKID(const QString &v) { SetAttribute("PKID", v); }

    // Reads the field's element (added, empty, when missing) into value.
    // Raises TConversionError as described above; value is then unchanged.
    void ReadField(const TFieldDef &field, QVariant &value);
    // Sets the text of the field's element (added when missing) to the
    // value's text. value must be of the field type's QVariant kind.
    void WriteField(const TFieldDef &field, const QVariant &value);
};

// The record collection.
class TXMLYSFPType : public TXMLCollection<TXMLRECType> {
public:
    using TXMLCollection::TXMLCollection;
    QString Version() const { return Attribute("Version"); }
    void SetVersion(const QString &v) { SetAttribute("Version", v); }
    QString DSFile() const { return Attribute("DSFile"); }
    void SetDSFile(const QString &v) { SetAttribute("DSFile", v); }
    // RecordCount as written; 0 when it is not a number.
    int RecordCount() const { return Attribute("RecordCount").toInt(); }
    void SetRecordCount(int v) { SetIntAttribute("RecordCount", v); }
};

// The root: the report's owner.
class TXMLTAXPAYERType : public TXMLNode {
public:
    using TXMLNode::TXMLNode;
    QString SWSBH() const { return Attribute("SWSBH"); }
    void SetSWSBH(const QString &v) { SetAttribute("SWSBH", v); }
    // The record collection (added when missing).
    TXMLYSFPType YSFP() { return TXMLYSFPType(Child("YSFP")); }
};

// The five lines a new report file's document is built from, with the
// taxpayer code, version and definition file name filled in.
QStringList NewReportFileLines(const QString &payerCode, const QString &version, const QString &dsFile);

// Fast access to field elements for the dataset: names are compared as
// UTF-8, and the search starts at hint (the element after the one found
// last), so reading a record whose fields are in field order costs one
// step per field. hint may be null; it is updated to the element after the
// one found.
xmlNodePtr FindFieldElement(xmlNodePtr record, const QByteArray &name, xmlNodePtr *hint);
// The text of an element as UTF-8 (empty for a null element). scratch holds
// the bytes when the element's text is not a single text node.
QByteArrayView ElementText(xmlNodePtr element, QByteArray *scratch);
// Replaces the element's content by one text node holding text.
void SetElementText(xmlNodePtr element, const QString &text);
// Appends a new child element named name with text as its content.
xmlNodePtr AppendTextElement(xmlNodePtr parent, const QByteArray &name, const QString &text);
