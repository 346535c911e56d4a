#pragma once
#include "platform/clock.h"
#include "platform/periodic_timer.h"

#include <atomic>
#include <functional>

namespace quorva {

// Time that moves only when its owner moves it: the offline renderer plays a song faster
// than real time with these, and tests step through time exactly.

// A clock that moves only when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(uint32_t startMs = 0) : now_(startMs) {}
    uint32_t nowMs() override { return now_.load(); }
    void set(uint32_t ms) { now_.store(ms); }
    void advance(uint32_t ms) { now_.fetch_add(ms); }

private:
    std::atomic<uint32_t> now_;
};

// A timer whose ticks are fired by its owner, on the owner's thread (or, with
// `firedOnAnotherThread`, on a thread of the owner's that the player must then wait for).
class ManualTimer final : public PeriodicTimer {
public:
    bool start(uint32_t periodMs, std::function<void()> tick) override
    {
        if (failStart) {
            return false;
        }
        period = periodMs;
        tick_ = std::move(tick);
        return true;
    }
    void stop() override { tick_ = nullptr; }
    bool ticksOnOwnThread() const override { return firedOnAnotherThread; }
    bool running() const { return static_cast<bool>(tick_); }
    void fire()
    {
        if (tick_) {
            tick_();
        }
    }

    uint32_t period = 0;
    bool failStart = false;
    bool firedOnAnotherThread = false;  // set and read on the owner's thread

private:
    std::function<void()> tick_;
};

}  // namespace quorva
