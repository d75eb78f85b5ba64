#include "CommandRunner.h"

#include "Errors.h"
#include "MessageBox.h"
#include "WaitPanel.h"

bool RunCommand(const std::function<void()> &command)
{
    try {
        command();
        return true;
    } catch (const TSilentAbort &) {
        TWaitPanel::Close();
    } catch (const TUserError &error) {
        TWaitPanel::Close();
        TMessageBox::Show(error.Message(), TMessageBox::ErrorOk);
    } catch (const std::exception &error) {
        TWaitPanel::Close();
        TMessageBox::Show(QString::fromLocal8Bit(error.what()), TMessageBox::ErrorOk);
    }
    return false;
}
