// The collection client: fixed date and number conventions, the workspace
// from the command line, the real dialogs behind the logic's seams, then
// the main window.

#include "app/forms/MainForm.h"
#include "app/utils/ApplicationInfo.h"
#include "app/utils/FolderPicker.h"
#include "app/utils/MessageBox.h"
#include "app/utils/SystemProcess.h"
#include "app/utils/WaitPanel.h"
#include "entry/forms/ConfirmForm.h"
#include "widgets/DesktopLauncher.h"
#include "widgets/GuiFolderPicker.h"
#include "widgets/GuiMessageBox.h"
#include "widgets/Icons.h"
#include "widgets/WaitForm.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("corvane"));
    app.setWindowIcon(AppIcon());
    // Stored dates are yyyy-MM-dd and numbers use "." whatever the user's
    // locale; widgets that format numbers follow the same rule.
    QLocale::setDefault(QLocale::c());
    TApplicationInfo::InitFromArguments(app.arguments());
    TMessageBox::SetApplicationTitle(QStringLiteral("-"));

    TGuiMessageBox messages;
    TGuiFolderPicker folders;
    TDesktopLauncher launcher;
    TGuiWaitPanel wait;
    TMessageBox::SetHandler(&messages);
    TFolderPicker::SetHandler(&folders);
    TSystemProcess::SetLauncher(&launcher);
    TWaitPanel::SetHandler(&wait);

    int status = 0;
    {
        TfrmMain window;
        // The double-entry confirmation asks over the main window.
        TGuiConfirmHandler confirmation(&window);
        TConfirmDialog::SetHandler(&confirmation);
        if (window.Create()) {
            window.show();
            window.activateWindow(); // the login dialog had the focus
            status = app.exec();
        }
        TConfirmDialog::SetHandler(nullptr);
    }
    TWaitPanel::SetHandler(nullptr);
    TSystemProcess::SetLauncher(nullptr);
    TFolderPicker::SetHandler(nullptr);
    TMessageBox::SetHandler(nullptr);
    return status;
}
