#pragma once

#include <QDateTime>

// The clock seam: today's date for declarations and the like, and waiting.
// Tests set a fixed moment; then waits return at once and move the fixed
// moment on, so no test sleeps. The real clock is the system's local time.
class TClock {
public:
    static QDateTime Now();
    static QDate Today() { return Now().date(); }
    // Fixes the clock at moment; an invalid moment restores the real clock.
    static void SetFixed(const QDateTime &moment);
    // Waits milliseconds (the real clock blocks the calling thread; a fixed
    // clock advances by that much and returns).
    static void Wait(int milliseconds);
    // Milliseconds waited through Wait since the clock was last fixed
    // (tests check what would have been waited).
    static qint64 WaitedMilliseconds();
};
