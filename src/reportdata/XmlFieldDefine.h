#pragma once

#include "reportdata/FieldValue.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Field-definition documents: one per schema in the DS folder, shipped with
// the schema and only read. Root FORM with VERSION, KEYFIELDS, CONFIRM and
// the ordered COLUMNS; each COLUMN declares one field of the schema's report
// files. Getters never add missing elements; absent items read as empty.

// The footer cell of a column: VALUE shown when VALUETYPE is "Text", the
// column's sum when it is "Sum" (both letter case ignored).
class TXMLFOOTERType : public TXMLNode {
public:
    using TXMLNode::TXMLNode;
    QString VALUE() const { return Attribute("VALUE"); }
    void SetVALUE(const QString &v) { SetAttribute("VALUE", v); }
    QString VALUETYPE() const { return Attribute("VALUETYPE"); }
    void SetVALUETYPE(const QString &v) { SetAttribute("VALUETYPE", v); }
};

// One field of the schema.
class TXMLCOLUMNType : public TXMLNode {
public:
    static constexpr const char kTag[] = "COLUMN";
    using TXMLNode::TXMLNode;

    QString NAME() const { return Attribute("NAME"); }
    void SetNAME(const QString &v) { SetAttribute("NAME", v); }
    QString CHSNAME() const { return FindChild("CHSNAME").Text(); }
    void SetCHSNAME(const QString &v) { SetChildText("CHSNAME", v); }
    QString DATATYPE() const { return FindChild("DATATYPE").Text(); }
    void SetDATATYPE(const QString &v) { SetChildText("DATATYPE", v); }
    QString DATASIZE() const { return FindChild("DATASIZE").Text(); }
    void SetDATASIZE(const QString &v) { SetChildText("DATASIZE", v); }
    QString EDITFORMAT() const { return FindChild("EDITFORMAT").Text(); }
    void SetEDITFORMAT(const QString &v) { SetChildText("EDITFORMAT", v); }
    QString DISPFORMAT() const { return FindChild("DISPFORMAT").Text(); }
    void SetDISPFORMAT(const QString &v) { SetChildText("DISPFORMAT", v); }
    QString DISPWIDTH() const { return FindChild("DISPWIDTH").Text(); }
    void SetDISPWIDTH(const QString &v) { SetChildText("DISPWIDTH", v); }
    QString REGULAREXP() const { return FindChild("REGULAREXP").Text(); }
    void SetREGULAREXP(const QString &v) { SetChildText("REGULAREXP", v); }
    QString COMMENT() const { return FindChild("COMMENT").Text(); }
    void SetCOMMENT(const QString &v) { SetChildText("COMMENT", v); }
    // The footer element; a null handle when the column has none (its
    // attributes then read as empty).
    TXMLFOOTERType FOOTER() const { return TXMLFOOTERType(FindChild("FOOTER").Raw()); }
    // The footer element, added when missing.
    TXMLFOOTERType EnsureFOOTER() { return TXMLFOOTERType(Child("FOOTER").Raw()); }
};

class TXMLCOLUMNSType : public TXMLCollection<TXMLCOLUMNType> {
public:
    using TXMLCollection::TXMLCollection;
};

// The root of a field-definition document.
class TXMLFORMType : public TXMLNode {
public:
    using TXMLNode::TXMLNode;
    QString VERSION() const { return Attribute("VERSION"); }
    void SetVERSION(const QString &v) { SetAttribute("VERSION", v); }
    QString KEYFIELDS() const { return FindChild("KEYFIELDS").Text(); }
    void SetKEYFIELDS(const QString &v) { SetChildText("KEYFIELDS", v); }
    QString CONFIRM() const { return FindChild("CONFIRM").Text(); }
    void SetCONFIRM(const QString &v) { SetChildText("CONFIRM", v); }
    // The column collection (a null handle, counting 0, when absent).
    TXMLCOLUMNSType COLUMNS() const { return TXMLCOLUMNSType(FindChild("COLUMNS")); }
    // The column collection, added when missing.
    TXMLCOLUMNSType EnsureCOLUMNS() { return TXMLCOLUMNSType(Child("COLUMNS")); }
};

// A loaded field-definition document; FORM() is valid while it lives.
class TFieldDefineDocument {
public:
    explicit TFieldDefineDocument(std::unique_ptr<TXMLDocument> document);
    TXMLFORMType FORM() const;
    QString FileName() const { return document_->FileName(); }

private:
    std::unique_ptr<TXMLDocument> document_;
};

// Loads the document at path (a full path). Raises the XML layer's
// TFileError / TXmlParseError; callers check that the file exists first.
std::unique_ptr<TFieldDefineDocument> LoadFieldDefinitions(const QString &path);

// One field of a report, as the dataset creates it from a COLUMN.
struct TFieldDef {
    QString name;    // NAME; also the element name of the value in REC
    QString label;   // CHSNAME, or NAME when CHSNAME is empty
    TFieldType type = TFieldType::Text;
    int size = 0;    // DATASIZE for TEXT (GBK bytes) and BOOLEAN (0), else 0
    QString rule;    // REGULAREXP as written (blank: no computed value)
    QString comment; // COMMENT
};

// The field list of a report: one TFieldDef per COLUMN in order. Raises
// TUserError "系统不支持字段类型"%S"!" for an unknown DATATYPE, a field-name
// error for an empty NAME, a NAME repeating another (letter case ignored)
// or one that cannot be an element name of a GBK document, TConversionError
// naming the text for a TEXT or BOOLEAN DATASIZE that is not an integer, and
// an invalid-size error for a BOOLEAN size other than 0 or a negative TEXT size.
std::vector<TFieldDef> BuildFieldList(const TXMLFORMType &form);

// Key column names: KEYFIELDS split at ";", each trimmed, empty names left out.
QStringList SplitKeyFields(const QString &keyFields);

// The columns to be entered twice, in CONFIRM order: the text is trimmed,
// ";" appended, and each name up to a ";" is looked up, as written (not
// trimmed), among the COLUMN NAMEs without regard to letter case; names
// matching no column (an empty one, " QTY") are skipped, a name listed
// twice gives two entries.
std::vector<TXMLCOLUMNType> ConfirmColumns(const TXMLFORMType &form);

// A computed-value rule "TARGET=FUNCTION": split at "=", empty parts left
// out, both parts trimmed. False (and nothing set) with fewer than two parts.
bool ParseComputedRule(const QString &rule, QString *target, QString *function);
