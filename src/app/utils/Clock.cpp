#include "Clock.h"

namespace {
QDateTime g_fixed;
}

QDateTime TClock::Now() { return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime(); }

void TClock::SetFixed(const QDateTime &moment) { g_fixed = moment; }
