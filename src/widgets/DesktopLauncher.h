#pragma once

#include "app/utils/SystemProcess.h"

// Starts programs for the desktop client: documents and addresses go to the
// desktop's associated program; commands are started as TProcessLauncher
// starts them.
class TDesktopLauncher : public TProcessLauncher {
public:
    // An existing file is opened as a local file, anything else as an
    // address as the user would type it; false when the desktop refused.
    bool OpenDocument(const QString &target) override;
};
