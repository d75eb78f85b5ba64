#include "FolderPicker.h"

#include <QFileInfo>

namespace {
TFolderPicker::Handler *g_picker = nullptr;
}

void TFolderPicker::SetHandler(Handler *handler) { g_picker = handler; }
TFolderPicker::Handler *TFolderPicker::CurrentHandler() { return g_picker; }

bool BrowseForFolder(const QString &title, const QString &root, QString &folder)
{
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        folder.clear();
    if (!g_picker)
        return false;
    QString picked = g_picker->Pick(title, root, folder);
    if (picked.isEmpty())
        return false;
    while (picked.size() > 1 && picked.endsWith(QLatin1Char('/')))
        picked.chop(1);
    folder = picked;
    return true;
}
