#pragma once

#include "reportdata/XmlLocalFile.h"

#include <QString>

#include <functional>

using xmlDocPtr = struct _xmlDoc *;

// Which bytes a report document was loaded from or last saved as: the
// journal of unsaved changes (ReportJournal.h) applies only to these.
struct TFileIdentity {
    bool exists = false; // false: the document was never read from or written to a file
    qint64 size = 0;
    quint32 crc = 0;     // CRC-32 of the file's bytes
    bool operator==(const TFileIdentity &other) const = default;
};

// The document of one report data file, parsed straight from the file and
// written straight to it (no copy of the file content is kept in memory),
// with the identity of the bytes computed on the way.
//
// Loading never resolves a DTD or touches the network. Saving writes GBK
// with its declaration; characters GBK cannot hold become character
// references. Saving is atomic and durable: afterwards the file is the
// complete new document, flushed to disk, or the old file untouched.
class TReportDocument {
public:
    TReportDocument();
    ~TReportDocument();
    TReportDocument(const TReportDocument &) = delete;
    TReportDocument &operator=(const TReportDocument &) = delete;

    // Parses the file at path. Raises TFileError when it cannot be read,
    // TXmlParseError with the parser's message when it is not well-formed,
    // TUserError when its root is not TAXPAYER. On failure the document is
    // unchanged.
    void Load(const QString &path);
    // Builds the document of a new report file from the five lines of
    // NewReportFileLines with the given values; the identity says "no file".
    void LoadSkeleton(const QString &payerCode, const QString &version, const QString &dsFile);
    // Writes the document to path (see above) and takes the written bytes'
    // identity. beforeReplace, when given, is called with the identity of
    // the new file after all of it was written and before it replaces the
    // old one; an error it raises stops the save. Raises TFileError
    // (TAtomicFileError for a failed write); the identity is then unchanged.
    void Save(const QString &path, const std::function<void(const TFileIdentity &written)> &beforeReplace = {});

    bool IsLoaded() const { return doc_ != nullptr; }
    TFileIdentity Identity() const { return identity_; }
    TXMLTAXPAYERType Root() const;
    // The record collection (added when missing).
    TXMLYSFPType YSFP() const;
    xmlDocPtr Raw() const { return doc_; }

private:
    void Adopt(xmlDocPtr doc, const TFileIdentity &identity);

    xmlDocPtr doc_ = nullptr;
    TFileIdentity identity_;
};
