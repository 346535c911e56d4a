#pragma once
#include <cstdint>

namespace quorva {

// How the frame loop gives up time: whole-millisecond sleeps, and the short pause taken
// between clock readings while spinning out the last stretch before a frame deadline.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(uint32_t ms) = 0;
    virtual void spinPause() = 0;
};

// The real thing, on the standard library's thread sleeps.
class ThreadSleeper final : public Sleeper {
public:
    void sleepMs(uint32_t ms) override;
    void spinPause() override;
};

}  // namespace quorva
