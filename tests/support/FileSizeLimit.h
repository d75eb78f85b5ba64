#pragma once

#include <sys/resource.h>

#include <csignal>

// While alive, no file may grow beyond limit bytes: writes past it fail as
// on a full disk. Tests run as root, where permissions cannot make a save
// fail; this can.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit small = old_;
        small.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit old_ {};
};
