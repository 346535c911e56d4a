#pragma once
// The envelope of one operator: a delay, two attack segments, three decay segments, and a
// release of up to four segments chosen by the level at key-off. Levels are 2^30 = 1.0;
// rates are what a segment adds to or takes from the level every sample.
#include <cstdint>
#include <limits>

#include "synth/wrap_arithmetic.h"

namespace quorva {

enum class EnvelopeState : uint8_t {
    Delay, Attack1, Attack2, Decay1, Decay2, Decay3, Release1, Release2, Release3, Release4, Off,
};

inline constexpr int64_t neverChanges = std::numeric_limits<int64_t>::max();

struct FmEnvelope {
    int32_t delay = 0;  // samples
    int32_t attack1Rate = 0;
    int32_t attack2Rate = 0;
    int32_t decay1Rate = 0;
    int32_t decay2Rate = 0;
    int32_t decay3Rate = 0;
    int32_t releaseRate = 0;
    int32_t finalRate = 0;
    int32_t baseLevel = 0;
    int32_t attack1Level = 0;
    int32_t peakLevel = 0;
    int32_t decay1Level = 0;
    int32_t decay2Level = 0;
    int32_t releaseLevel = 0;
    int32_t level = 0;
    int32_t delayCounter = 0;
    EnvelopeState state = EnvelopeState::Off;

    // One sample's step. True when the envelope reached Off in this step.
    bool step();
    // Key-off: the release state for the current level (an envelope that is Off stays so).
    void keyOff();
    // The state that follows Release1.
    EnvelopeState afterRelease1() const
    {
        return decay2Rate > releaseRate ? EnvelopeState::Release2 : EnvelopeState::Release3;
    }

    // For straight-line rendering: the per-step change of the level in the current state,
    // wrapping (0 in Delay and Off)...
    int32_t linearDelta() const;
    // ...and the number k >= 1 of the step at which the state changes or the level wraps
    // around 32 bits; steps 1..k-1 only add linearDelta() to the level (and count the delay).
    // neverChanges when no such step comes.
    int64_t stepsToStateChange() const;
};

}  // namespace quorva
