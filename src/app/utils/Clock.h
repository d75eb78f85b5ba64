#pragma once

#include <QDateTime>

// The clock seam: today's date for declarations and the like. Tests set a
// fixed moment; the real clock is the system's local time.
class TClock {
public:
    static QDateTime Now();
    static QDate Today() { return Now().date(); }
    // Fixes the clock at moment; an invalid moment restores the real clock.
    static void SetFixed(const QDateTime &moment);
};
