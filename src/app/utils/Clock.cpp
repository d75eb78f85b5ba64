#include "Clock.h"

#include <QThread>

namespace {
QDateTime g_fixed;
qint64 g_waited = 0;
} // namespace

QDateTime TClock::Now() { return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime(); }

void TClock::SetFixed(const QDateTime &moment)
{
    g_fixed = moment;
    g_waited = 0;
}

void TClock::Wait(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    g_waited += milliseconds;
    if (g_fixed.isValid())
        g_fixed = g_fixed.addMSecs(milliseconds);
    else
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

qint64 TClock::WaitedMilliseconds() { return g_waited; }
