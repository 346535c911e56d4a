#pragma once
#include "platform/clock.h"
#include "platform/periodic_timer.h"

#include <time.h>

#include <atomic>
#include <functional>
#include <thread>

namespace quorva {

class SystemClock final : public Clock {
public:
    uint32_t nowMs() override;
};

// A thread that wakes on absolute deadlines, so that the period does not drift with the
// time each tick takes. Tries for real-time priority and keeps normal priority otherwise.
// A sleep that fails other than by an interruption ends the thread, with one line on
// standard error.
class ThreadPeriodicTimer final : public PeriodicTimer {
public:
    // Sleeps until an absolute CLOCK_MONOTONIC deadline; 0 or an error number, as
    // clock_nanosleep returns.
    using SleepUntil = std::function<int(const timespec& deadline)>;

    ThreadPeriodicTimer();
    explicit ThreadPeriodicTimer(SleepUntil sleepUntil);
    ~ThreadPeriodicTimer() override;
    bool start(uint32_t periodMs, std::function<void()> tick) override;
    void stop() override;
    // False once the thread has ended, so that nobody waits for a tick that cannot come.
    bool ticksOnOwnThread() const override { return running_.load(std::memory_order_acquire); }

private:
    void run(uint32_t periodMs, const std::function<void()>& tick);

    SleepUntil sleepUntil_;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

}  // namespace quorva
