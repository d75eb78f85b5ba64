#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A scratch folder for one test, removed afterwards. CopyDemo() fills it with
// a copy of the demo workspace and makes it the application directory.
class TempWorkspace {
public:
    TempWorkspace();
    // The folder, ending in "/".
    QString path() const;
    // path() + relative.
    QString file(const QString &relative) const;
    // Copies the demo workspace here and makes this the application directory.
    void CopyDemo();
    // Makes this folder the application directory.
    void MakeCurrent();
    // Writes raw bytes to a file below this folder (parents created).
    QString Write(const QString &relative, const QByteArray &bytes) const;
    QByteArray Read(const QString &relative) const;

private:
    QTemporaryDir dir_;
};
