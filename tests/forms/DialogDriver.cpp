#include "DialogDriver.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

void Poll(const std::function<void(QWidget *)> &action, int triesLeft)
{
    if (QWidget *modal = QApplication::activeModalWidget()) {
        action(modal);
        return;
    }
    if (triesLeft > 0)
        QTimer::singleShot(10, [action, triesLeft] { Poll(action, triesLeft - 1); });
    else
        ADD_FAILURE() << "no modal dialog appeared";
}

} // namespace

void WhenModal(const std::function<void(QWidget *)> &action)
{
    QTimer::singleShot(0, [action] { Poll(action, 300); });
}

bool ShowActive(QWidget *window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}
