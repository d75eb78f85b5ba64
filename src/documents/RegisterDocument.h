#pragma once

#include "xml/XmlDocument.h"

#include <QString>

#include <memory>

// A workspace document that is loaded whole, changed in memory and written
// whole after each change: the registers and the configuration. Opened at
// start-up, closed at shutdown; closing writes a changed document once more
// when saving on close is on.
class TRegisterDocument {
public:
    TRegisterDocument() = default;
    virtual ~TRegisterDocument() = default;
    TRegisterDocument(const TRegisterDocument &) = delete;
    TRegisterDocument &operator=(const TRegisterDocument &) = delete;

    // Loads path (resolved without regard to letter case). Raises TFileError
    // when it cannot be read and TXmlParseError with the parser's message
    // when it is not well-formed.
    void Open(const QString &path);
    bool IsOpen() const { return document_ != nullptr; }
    // Writes a changed document (when saving on close is on) and releases it.
    void Close();

    void SetSaveOnClose(bool on) { saveOnClose_ = on; }
    QString FileName() const;

    // Writes the whole document to its file now. A failure raises TFileError
    // and the in-memory document keeps the change.
    void Write();

    TXMLDocument &Document() const;

protected:
    // The root element; raises TUserError when the document has none.
    TXMLNode Root() const;

private:
    std::unique_ptr<TXMLDocument> document_;
    bool saveOnClose_ = true;
};
