#pragma once
#include "platform/clock.h"
#include "platform/periodic_timer.h"

#include <atomic>
#include <thread>

namespace quorva {

class SystemClock final : public Clock {
public:
    uint32_t nowMs() override;
};

// A thread that wakes on absolute deadlines, so that the period does not drift with the
// time each tick takes. Tries for real-time priority and keeps normal priority otherwise.
class ThreadPeriodicTimer final : public PeriodicTimer {
public:
    ~ThreadPeriodicTimer() override;
    bool start(uint32_t periodMs, std::function<void()> tick) override;
    void stop() override;

private:
    std::thread thread_;
    std::atomic<bool> running_{false};
};

}  // namespace quorva
