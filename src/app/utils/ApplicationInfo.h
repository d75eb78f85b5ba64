#pragma once

#include <QString>
#include <QStringList>

// The folders of a workspace (the application directory). Every folder path
// returned here ends in "/" and is resolved without regard to letter case.
class TApplicationInfo {
public:
    // Chooses the workspace: "--workspace DIR" among arguments, else
    // $CORVANE_HOME, else the folder of the running executable. Returns the
    // arguments without the "--workspace DIR" pair.
    static QStringList InitFromArguments(const QStringList &arguments);
    // Sets the workspace folder directly (tests, tools).
    static void SetAppDir(const QString &folder);

    // The workspace folder, ending in "/".
    static QString AppDir();
    // AppDir + "DS/": field definitions, transfer templates, DTDs, style sheets.
    static QString DSDir();
    // AppDir + "Manual.chm".
    static QString ManualFile();
    // AppDir + "Data/" + taxpayer code + "/" (not created).
    static QString DataDir(const QString &taxpayerCode);
    // DataDir, created with all missing parents.
    static QString EnsureDataDir(const QString &taxpayerCode);
    // AppDir + "数据上报/" + period + "/" (not created).
    static QString DeclareDir(const QString &period);
    // folder with a trailing "/", created with all missing parents.
    static QString EnsureDir(const QString &folder);
    // A file directly in the workspace, resolved without regard to case.
    static QString AppFile(const QString &name);
};
