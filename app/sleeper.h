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

// The real thing, on the standard library's thread sleeps. Between clock readings of the
// last stretch it pauses `spinPauseUs` microseconds, or only yields the processor when 0.
class ThreadSleeper final : public Sleeper {
public:
    static constexpr uint32_t defaultSpinPauseUs = 100;

    explicit ThreadSleeper(uint32_t spinPauseUs = defaultSpinPauseUs) : spinPauseUs_(spinPauseUs) {}
    void sleepMs(uint32_t ms) override;
    void spinPause() override;

private:
    uint32_t spinPauseUs_;
};

}  // namespace quorva
