// The checker: the workspace from the command line, then either the batch
// mode ("--batch", no window, no display needed) or the window with the
// real dialogs behind the logic's seams.

#include "app/utils/ApplicationInfo.h"
#include "app/utils/FolderPicker.h"
#include "app/utils/MessageBox.h"
#include "app/utils/SystemProcess.h"
#include "checker/Batch.h"
#include "checker/forms/CheckerForm.h"
#include "widgets/DesktopLauncher.h"
#include "widgets/GuiFolderPicker.h"
#include "widgets/GuiMessageBox.h"
#include "widgets/Icons.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

bool AsksForBatch(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--batch") == 0)
            return true;
    }
    return false;
}

int RunBatchMode(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("vettra"));
    QLocale::setDefault(QLocale::c());
    const QStringList arguments = TApplicationInfo::InitFromArguments(app.arguments());
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = RunBatch(arguments.mid(arguments.indexOf(QStringLiteral("--batch")) + 1), out, err);
    out.flush();
    err.flush();
    return status;
}

int RunWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("vettra"));
    app.setWindowIcon(AppIcon());
    // Numbers use "." and dates yyyy-MM-dd whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    TApplicationInfo::InitFromArguments(app.arguments());

    TGuiMessageBox messages;
    TGuiFolderPicker folders;
    TDesktopLauncher launcher;
    TMessageBox::SetHandler(&messages);
    TFolderPicker::SetHandler(&folders);
    TSystemProcess::SetLauncher(&launcher);

    int status = 0;
    {
        TfrmChecker window;
        if (window.Create()) {
            window.show();
            window.activateWindow();
            status = app.exec();
        }
    }
    TSystemProcess::SetLauncher(nullptr);
    TFolderPicker::SetHandler(nullptr);
    TMessageBox::SetHandler(nullptr);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    if (AsksForBatch(argc, argv))
        return RunBatchMode(argc, argv);
    return RunWindow(argc, argv);
}
