#pragma once

#include "documents/RegisterDocument.h"
#include "xml/XmlNode.h"

#include <QHash>
#include <QList>
#include <QString>

class TSchemaRegister;

// Report status values.
inline constexpr int kStatusAwaiting = 1; // "待申报"
inline constexpr int kStatusDeclared = 9; // "已申报"

// "待申报" for 1, "已申报" for 9, empty for any other status.
QString ReportStatusText(int status);

// One report file as the program carries it.
struct TXmlFileRec {
    QString SWSBH;
    QString SchemaName;
    QString FileName;
    int STATUS = kStatusAwaiting;
    QString SBRQ;
};

namespace XmlFileManager {

class TXMLDATAFILEType : public TXMLNode {
public:
    static constexpr const char kTag[] = "DATAFILE";
    using TXMLNode::TXMLNode;
    QString NAME() const { return Attribute("NAME"); }
    void SetNAME(const QString &v) { SetAttribute("NAME", v); }
    // Raises TConversionError when STATUS is missing or not an integer.
    int STATUS() const;
    void SetSTATUS(int v) { SetIntAttribute("STATUS", v); }
    QString SBRQ() const { return Attribute("SBRQ"); }
    void SetSBRQ(const QString &v) { SetAttribute("SBRQ", v); }
};

class TXMLFILELISTType : public TXMLCollection<TXMLDATAFILEType> {
public:
    static constexpr const char kTag[] = "FILELIST";
    using TXMLCollection::TXMLCollection;
    QString TYPEID() const { return Attribute("TYPEID"); }
    void SetTYPEID(const QString &v) { SetAttribute("TYPEID", v); }
};

class TXMLTAXPAYERType : public TXMLCollection<TXMLFILELISTType> {
public:
    static constexpr const char kTag[] = "TAXPAYER";
    using TXMLCollection::TXMLCollection;
    QString SWSBH() const { return Attribute("SWSBH"); }
    void SetSWSBH(const QString &v) { SetAttribute("SWSBH", v); }
};

class TXMLFILEMANAGERType : public TXMLCollection<TXMLTAXPAYERType> {
public:
    using TXMLCollection::TXMLCollection;
};

} // namespace XmlFileManager

// Every DATAFILE of a register grouped by taxpayer and schema, read in one
// walk of the document: the navigation tree asks for every pair, and a walk
// per pair would cost the square of the number of taxpayers. Answers what
// TFileRegister::ReportFiles answers for the same document.
class TReportFileIndex {
public:
    // As TFileRegister::ReportFiles; raises TConversionError for a DATAFILE
    // of that pair whose STATUS is unreadable.
    QList<TXmlFileRec> ReportFiles(const QString &swsbh, const QString &schemaName) const;

private:
    friend class TFileRegister;
    struct TEntry {
        QString name;
        QString status;
        QString sbrq;
    };
    QHash<QString, QList<TEntry>> files_; // key: both codes, ASCII letters folded
};

// "FileManager.xml": which report files exist for each taxpayer and schema,
// with their status and declaration date. Codes, schema names and file
// names compare without regard to ASCII case; the first match wins at each
// level. Every change writes the file at once.
class TFileRegister : public TRegisterDocument {
public:
    XmlFileManager::TXMLFILEMANAGERType Root() const;

    // Appends a TAXPAYER with one FILELIST per schema of schemas, in order.
    void AddTaxpayer(const QString &swsbh, const TSchemaRegister &schemas);
    // Removes the first matching TAXPAYER with everything under it.
    void DeleteTaxpayer(const QString &swsbh);
    // Index of the first matching TAXPAYER, or -1.
    int FindTaxpayer(const QString &swsbh) const;
    // Index of the first FILELIST of that TAXPAYER whose TYPEID matches, or -1.
    int FindFileList(int taxpayerIndex, const QString &schemaName) const;
    // Appends a DATAFILE (NAME, STATUS, SBRQ), creating the TAXPAYER and
    // FILELIST when missing.
    void AddReportFile(const TXmlFileRec &rec);
    // Removes the first DATAFILE matching the record (taxpayer, schema, name).
    void DeleteReportFile(const TXmlFileRec &rec);
    // Sets STATUS and SBRQ of the first DATAFILE matching the record.
    void UpdateReportFile(const TXmlFileRec &rec);
    // Every DATAFILE under every matching TAXPAYER and FILELIST, in document
    // order. Raises TConversionError for a DATAFILE whose STATUS is unreadable.
    QList<TXmlFileRec> ReportFiles(const QString &swsbh, const QString &schemaName) const;
    // The same for every pair at once.
    TReportFileIndex IndexReportFiles() const;

private:
    XmlFileManager::TXMLDATAFILEType FindReportFile(const TXmlFileRec &rec) const;
};
