#pragma once
#include <cstdint>
#include <functional>

namespace quorva {

// Calls `tick` every `periodMs` on a thread of its own until stop().
class PeriodicTimer {
public:
    virtual ~PeriodicTimer() = default;
    virtual bool start(uint32_t periodMs, std::function<void()> tick) = 0;
    virtual void stop() = 0;
    // False for a timer whose ticks are fired by hand on the caller's thread, and for one whose
    // thread is not running.
    virtual bool ticksOnOwnThread() const { return true; }
};

}  // namespace quorva
