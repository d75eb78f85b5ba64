#pragma once

#include <QByteArray>
#include <QString>

using xmlParserCtxtPtr = struct _xmlParserCtxt *;

// Where the scripts' XML DOM may read an external DTD from, and the guard
// that keeps every other external resource out of its parser.

// parseError.errorCode of a resource that is not there, and of one the DOM
// will not read (a network URL, a file outside the allowed folders, a file
// too large).
namespace DomErrorCode {
constexpr int FileNotFound = static_cast<int>(0x800C0006u);
constexpr int AccessDenied = static_cast<int>(0x80070005u);
} // namespace DomErrorCode

// The largest DTD read; a larger one is refused.
constexpr qint64 kMaxDomDtdBytes = 1024 * 1024;

// A DTD found for a DOCTYPE, or why none was read (errorCode nonzero).
struct TDomDtdFile {
    QString path;
    QByteArray bytes;
    int errorCode = 0;
    QString reason;
};

// Finds and reads the DTD that a DOCTYPE's system identifier names.
// A relative name is looked up in documentFolder (empty for a document
// loaded from text), else by its file name in fallbackFolder (the
// workspace's DS folder; empty for none); names are matched without regard
// to letter case and "\" is read as "/". An absolute path or a "file:" URL
// is read only when it lies in one of the two folders. Any other URL, a
// drive letter, "..", a file whose real path leads out of both folders
// (a symbolic link), something that is not a regular file, and a file
// larger than kMaxDomDtdBytes are refused without being read.
TDomDtdFile ReadDomDtd(const QString &systemId, const QString &documentFolder, const QString &fallbackFolder);

// While one lives, libxml2's external entity loader refuses every request
// made on this thread (external parameter entities of a DTD, external
// general entities of a document, catalogs), so a parse can read nothing
// but the bytes handed to it. Other threads, and parsers run while no
// guard lives, are not affected. Guards may nest; the innermost records.
// parser, when given, is the parse the guard is for: a refusal made for a
// sub-parse of it (an external entity) records where that parse was.
class TDomEntityGuard {
public:
    explicit TDomEntityGuard(xmlParserCtxtPtr parser = nullptr);
    ~TDomEntityGuard();
    TDomEntityGuard(const TDomEntityGuard &) = delete;
    TDomEntityGuard &operator=(const TDomEntityGuard &) = delete;

    // The first request refused while this guard lived (its URL as
    // libxml2 gave it), with the file, line and column the parser was at;
    // an empty url when nothing was asked for.
    struct TRefusal {
        QString url;
        QString file;
        int line = 0;
        int column = 0;
    };
    const TRefusal &FirstRefusal() const { return refusal_; }

private:
    friend struct TDomEntityGuardAccess;
    TDomEntityGuard *previous_;
    xmlParserCtxtPtr parser_;
    TRefusal refusal_;
};
