#pragma once
// The clock and the sequencer's timer on the multimedia timer services of winmm.
#include "platform/clock.h"
#include "platform/periodic_timer.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace quorva {

// timeGetTime: milliseconds since the system started, wrapping at 2^32.
class MultimediaClock final : public Clock {
public:
    uint32_t nowMs() override;
};

// Asks winmm for 1 ms timer resolution for the object's lifetime, as the frame sleeps and the
// periodic timer need it (the system's default is about 16 ms).
class TimerResolution {
public:
    TimerResolution();
    ~TimerResolution();
    TimerResolution(const TimerResolution&) = delete;
    TimerResolution& operator=(const TimerResolution&) = delete;

private:
    uint32_t period_ = 0;
};

// A periodic timeSetEvent timer; its ticks run on winmm's timer thread. stop() returns once no
// tick runs any more and none will start.
class MultimediaTimer final : public PeriodicTimer {
public:
    MultimediaTimer() = default;
    ~MultimediaTimer() override;
    MultimediaTimer(const MultimediaTimer&) = delete;
    MultimediaTimer& operator=(const MultimediaTimer&) = delete;

    bool start(uint32_t periodMs, std::function<void()> tick) override;
    void stop() override;
    bool ticksOnOwnThread() const override { return running_.load(std::memory_order_acquire); }
    // One tick, from winmm's callback.
    void fire();

private:

    std::function<void()> tick_;
    unsigned int timerId_ = 0;
    std::atomic<bool> running_{false};
    // Ticks that have begun and not yet returned; stop() waits for none.
    std::atomic<int> ticksInFlight_{0};
};

}  // namespace quorva
