#pragma once
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/periodic_timer.h"

#include <atomic>
#include <string>
#include <vector>

namespace quorva {

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

// A timer whose ticks are fired by the test, on the test's thread.
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
    bool ticksOnOwnThread() const override { return false; }
    bool running() const { return static_cast<bool>(tick_); }
    void fire()
    {
        if (tick_) {
            tick_();
        }
    }

    uint32_t period = 0;
    bool failStart = false;

private:
    std::function<void()> tick_;
};

// Records every message instead of showing it.
class RecordingMessageBox final : public MessageBox {
public:
    void show(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

}  // namespace quorva
