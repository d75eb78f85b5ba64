#pragma once

#include "app/utils/SystemProcess.h"

// Starts programs for the desktop client: documents and addresses go to the
// desktop's associated program, commands are started with QProcess.
class TDesktopLauncher : public TSystemProcess::Launcher {
public:
    // An existing file is opened as a local file, anything else as an
    // address as the user would type it; false when the desktop refused.
    bool OpenDocument(const QString &target) override;
    bool StartDetached(const QString &program, const QStringList &arguments) override;
    // Output goes to the client's own console; waits without a time limit.
    bool RunAndWait(const QString &program, const QStringList &arguments) override;
};
