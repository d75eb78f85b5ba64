#pragma once

#include "app/utils/TextFile.h"
#include "TempWorkspace.h"

#include <QString>

// Writes a workspace document given as characters, GBK-encoded as the
// workspace keeps them, and returns its path.
inline QString WriteGbkDocument(const TempWorkspace &ws, const QString &name, const QString &text)
{
    return ws.Write(name, EncodeGbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n") + text));
}
