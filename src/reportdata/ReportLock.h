#pragma once

#include <QString>

// The lock of an open report file: while one dataset holds it, no other
// dataset (in this or another process) writes the report, its journal or
// its temporary files; they show the report read-only.
//
// The lock is an flock() on "<report file>.lock" beside the report. The
// kernel drops it when its holder dies, so a lock file left by a killed
// process is simply taken over by the next opener; releasing removes the
// file. Opening needs no space on the disk and no write permission on the
// report itself (only on its folder, to make the lock file).
class TReportLock {
public:
    enum class State {
        Held,   // this object holds the lock
        Busy,   // another holder has it
        Failed, // the lock file cannot be made or locked (Error() says why)
    };

    // The lock file of a report file.
    static QString PathFor(const QString &reportPath);

    // Tries once to take the lock of reportPath, without waiting.
    explicit TReportLock(const QString &reportPath);
    // Removes the lock file and lets the lock go, when held.
    ~TReportLock();
    TReportLock(const TReportLock &) = delete;
    TReportLock &operator=(const TReportLock &) = delete;

    State Status() const { return state_; }
    bool Held() const { return state_ == State::Held; }
    // The system's error number for Failed.
    int Error() const { return error_; }
private:
    QString path_;
    int fd_ = -1;
    State state_ = State::Failed;
    int error_ = 0;
};
