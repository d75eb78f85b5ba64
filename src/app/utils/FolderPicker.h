#pragma once

#include <QString>

// The folder-picker seam. The GUI installs a dialog; tests install scripted
// answers; without a handler nothing is picked.
class TFolderPicker {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        // Returns the picked folder, or an empty text when the user cancelled.
        virtual QString Pick(const QString &title, const QString &root, const QString &initial) = 0;
    };
    static void SetHandler(Handler *handler);
    static Handler *CurrentHandler();
};

// Lets the user pick a folder. A folder passed in that does not exist is
// cleared first. On a pick, folder receives the path without a trailing "/"
// and the result is true; otherwise folder keeps its (possibly cleared) text.
bool BrowseForFolder(const QString &title, const QString &root, QString &folder);
