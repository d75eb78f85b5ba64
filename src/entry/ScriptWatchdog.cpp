#include "entry/ScriptWatchdog.h"

TScriptWatchdog::TScriptWatchdog(std::function<void()> onTimeout)
    : onTimeout_(std::move(onTimeout))
{
}

TScriptWatchdog::~TScriptWatchdog()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void TScriptWatchdog::Arm(int timeoutMs)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fired_ = false;
    if (timeoutMs <= 0) {
        armed_ = false;
        return;
    }
    armed_ = true;
    ++generation_;
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!thread_.joinable())
        thread_ = std::thread(&TScriptWatchdog::Watch, this);
    wake_.notify_all();
}

bool TScriptWatchdog::Disarm()
{
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
    ++generation_;
    wake_.notify_all();
    const bool fired = fired_;
    fired_ = false;
    return fired;
}

void TScriptWatchdog::Watch()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (!armed_) {
            wake_.wait(lock, [this] { return stop_ || armed_; });
            continue;
        }
        const unsigned long long generation = generation_;
        const auto deadline = deadline_;
        const bool changed = wake_.wait_until(lock, deadline, [this, generation] {
            return stop_ || generation_ != generation;
        });
        if (changed)
            continue;
        // Still the same call, past its deadline. The callback runs under
        // the lock so that Disarm cannot return between "fired" and the
        // interrupt; it must not call back into the watchdog.
        fired_ = true;
        armed_ = false;
        onTimeout_();
    }
}
