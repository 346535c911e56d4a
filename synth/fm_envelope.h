#pragma once
// Envelope steps of one operator: the exact per-sample state machine and, for block
// rendering, how many steps stay on a straight line before the next state change.
#include <cstdint>
#include <limits>

#include "synth/fm_voice.h"

namespace quorva {

inline int32_t wrapAdd(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int32_t wrapSub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int32_t wrapMul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

// One envelope step. True when the operator reached Off in this step.
bool stepEnvelope(FmOperator& op);

// The state that follows Release1.
inline EnvelopeState afterRelease1(const FmOperator& op)
{
    return op.decay2Rate > op.releaseRate ? EnvelopeState::Release2 : EnvelopeState::Release3;
}

inline constexpr int64_t neverChanges = std::numeric_limits<int64_t>::max();

// Number k >= 1 of the step at which the state changes or the level wraps around 32 bits;
// steps 1..k-1 only add linearDelta(op) to the level (and count the delay). neverChanges
// when no such step comes.
int64_t stepsToStateChange(const FmOperator& op);

// The smallest of stepsToStateChange over the voice's operators; 1 when the voice ends in its
// next sample anyway (all carriers ended, or none to begin with).
int64_t voiceStepsToStateChange(const FmVoice& voice);

// The per-step change of the level in the current state, wrapping (0 in Delay and Off).
int32_t linearDelta(const FmOperator& op);

}  // namespace quorva
