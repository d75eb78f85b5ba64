#pragma once

#include "entry/HostObject.h"

#include <QString>
#include <QVariant>

// "Scripting.FileSystemObject" for reading only: scripts may test for and
// read files, never write, delete or run anything. Paths may use "\" or "/";
// names are found without regard to letter case.
class TFileSystemObject : public TScriptHostObject {
    Q_OBJECT

public:
    using TScriptHostObject::TScriptHostObject;

    Q_INVOKABLE bool FileExists(const QString &path) const;
    Q_INVOKABLE bool FolderExists(const QString &path) const;
    // The last component of path ("C:\a\b.txt" gives "b.txt"; a trailing separator is ignored).
    Q_INVOKABLE QString GetFileName(const QString &path) const;
    // GetFileName without its extension.
    Q_INVOKABLE QString GetBaseName(const QString &path) const;
    // The extension without its dot; empty when there is none.
    Q_INVOKABLE QString GetExtensionName(const QString &path) const;
    // path without its last component and the separator before it.
    Q_INVOKABLE QString GetParentFolderName(const QString &path) const;
    // path and name joined by one separator (the one path uses).
    Q_INVOKABLE QString BuildPath(const QString &path, const QString &name) const;
    // Opens a text file for reading (ioMode 1). format 0, -2 or "ASCII"
    // reads GBK; -1 or "Unicode" reads UTF-16LE. Writing or appending
    // (ioMode 2, 8) raises error 70, a missing file 53, other arguments 5.
    Q_INVOKABLE QObject *OpenTextFile(const QString &path, int ioMode = 1, bool create = false,
                                      const QVariant &format = 0);
};

// A text file read whole when it was opened, handed out line by line.
class TTextStream : public TScriptHostObject {
    Q_OBJECT
    Q_PROPERTY(bool AtEndOfStream READ AtEndOfStream)
    Q_PROPERTY(bool AtEndOfLine READ AtEndOfLine)
    Q_PROPERTY(int Line READ Line)
    Q_PROPERTY(int Column READ Column)

public:
    explicit TTextStream(const QString &text);

    bool AtEndOfStream() const { return pos_ >= text_.size(); }
    bool AtEndOfLine() const;
    // 1-based number of the line the next read starts on.
    int Line() const { return line_; }
    // 1-based position on that line.
    int Column() const { return static_cast<int>(pos_ - lineStart_) + 1; }

    // The next line without its end (CR LF, LF or CR). Error 62 at the end.
    Q_INVOKABLE QString ReadLine();
    // The rest of the text; empty at the end.
    Q_INVOKABLE QString ReadAll();
    // Up to count characters. Error 62 at the end.
    Q_INVOKABLE QString Read(int count);
    Q_INVOKABLE void SkipLine();
    Q_INVOKABLE void Skip(int count);
    // Ends reading; the stream is then at its end.
    Q_INVOKABLE void Close();

private:
    void Advance(qsizetype to);

    QString text_;
    qsizetype pos_ = 0;
    qsizetype lineStart_ = 0;
    int line_ = 1;
};
