#pragma once

#include "app/utils/FolderPicker.h"

// Answers TFolderPicker with the desktop's folder dialog, owned by the
// active window. The dialog opens at the initial folder, else at root; it
// cannot be confined to root.
class TGuiFolderPicker : public TFolderPicker::Handler {
public:
    QString Pick(const QString &title, const QString &root, const QString &initial) override;
};
