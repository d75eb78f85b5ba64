#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Times one script call at a time on a thread of its own. When an armed
// call runs past its time-out, the watchdog calls onTimeout (on its own
// thread; it must only do thread-safe things such as interrupting the
// engine) and remembers that it fired.
class TScriptWatchdog {
public:
    explicit TScriptWatchdog(std::function<void()> onTimeout);
    ~TScriptWatchdog();
    TScriptWatchdog(const TScriptWatchdog &) = delete;
    TScriptWatchdog &operator=(const TScriptWatchdog &) = delete;

    // Starts timing a call; a time-out of 0 or less never fires.
    void Arm(int timeoutMs);
    // Stops timing; true when the watchdog fired for this call.
    bool Disarm();

private:
    void Watch();

    std::function<void()> onTimeout_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    bool stop_ = false;
    bool armed_ = false;
    bool fired_ = false;
    unsigned long long generation_ = 0;
    std::chrono::steady_clock::time_point deadline_;
};
