#include "synth/fm_envelope.h"

namespace quorva {
namespace {

bool rise(FmOperator& op, int32_t rate, int32_t target, EnvelopeState next)
{
    op.level = wrapAdd(op.level, rate);
    if (op.level >= target) {
        op.level = target;
        op.state = next;
    }
    return false;
}

// Falling into Off reports the end of the operator.
bool fall(FmOperator& op, int32_t rate, int32_t target, EnvelopeState next)
{
    op.level = wrapSub(op.level, rate);
    if (op.level <= target) {
        op.level = target;
        op.state = next;
        return next == EnvelopeState::Off;
    }
    return false;
}

struct Segment {
    int32_t rate;
    int32_t target;
    bool rising;
};

Segment segmentOf(const FmOperator& op)
{
    switch (op.state) {
    case EnvelopeState::Attack1: return {op.attack1Rate, op.attack1Level, true};
    case EnvelopeState::Attack2: return {op.attack2Rate, op.peakLevel, true};
    case EnvelopeState::Decay1: return {op.decay1Rate, op.decay1Level, false};
    case EnvelopeState::Decay2: return {op.decay2Rate, op.decay2Level, false};
    case EnvelopeState::Decay3: return {op.decay3Rate, op.baseLevel, false};
    case EnvelopeState::Release1: return {op.decay1Rate, op.decay1Level, false};
    case EnvelopeState::Release2: return {op.decay2Rate, op.decay2Level, false};
    case EnvelopeState::Release3: return {op.releaseRate, op.releaseLevel, false};
    case EnvelopeState::Release4: return {op.finalRate, op.baseLevel, false};
    default: return {0, 0, true};
    }
}

int64_t ceilDivide(int64_t numerator, int64_t denominator) { return (numerator + denominator - 1) / denominator; }

}  // namespace

bool stepEnvelope(FmOperator& op)
{
    switch (op.state) {
    case EnvelopeState::Delay:
        op.delayCounter = wrapAdd(op.delayCounter, 1);
        if (op.delayCounter > op.delay) {
            op.state = EnvelopeState::Attack1;
        }
        return false;
    case EnvelopeState::Attack1: return rise(op, op.attack1Rate, op.attack1Level, EnvelopeState::Attack2);
    case EnvelopeState::Attack2: return rise(op, op.attack2Rate, op.peakLevel, EnvelopeState::Decay1);
    case EnvelopeState::Decay1: return fall(op, op.decay1Rate, op.decay1Level, EnvelopeState::Decay2);
    case EnvelopeState::Decay2: return fall(op, op.decay2Rate, op.decay2Level, EnvelopeState::Decay3);
    case EnvelopeState::Decay3: return fall(op, op.decay3Rate, op.baseLevel, EnvelopeState::Off);
    case EnvelopeState::Release1: return fall(op, op.decay1Rate, op.decay1Level, afterRelease1(op));
    case EnvelopeState::Release2: return fall(op, op.decay2Rate, op.decay2Level, EnvelopeState::Release3);
    case EnvelopeState::Release3: return fall(op, op.releaseRate, op.releaseLevel, EnvelopeState::Release4);
    case EnvelopeState::Release4: return fall(op, op.finalRate, op.baseLevel, EnvelopeState::Off);
    case EnvelopeState::Off: return false;
    }
    return false;
}

int32_t linearDelta(const FmOperator& op)
{
    if (op.state == EnvelopeState::Delay || op.state == EnvelopeState::Off) {
        return 0;
    }
    const Segment segment = segmentOf(op);
    return segment.rising ? segment.rate : wrapSub(0, segment.rate);
}

int64_t stepsToStateChange(const FmOperator& op)
{
    if (op.state == EnvelopeState::Off) {
        return neverChanges;
    }
    if (op.state == EnvelopeState::Delay) {
        if (op.delay == std::numeric_limits<int32_t>::max()) {
            return neverChanges;
        }
        const int64_t k = int64_t{op.delay} - op.delayCounter + 1;
        return k < 1 ? 1 : k;
    }
    const Segment segment = segmentOf(op);
    const int64_t level = op.level;
    const int64_t target = segment.target;
    const int64_t delta = segment.rising ? int64_t{segment.rate} : -int64_t{segment.rate};

    int64_t cross = neverChanges;
    if (segment.rising) {
        if (level + delta >= target) {
            return 1;
        }
        if (delta > 0) {
            cross = ceilDivide(target - level, delta);
        }
    } else {
        if (level + delta <= target) {
            return 1;
        }
        if (delta < 0) {
            cross = ceilDivide(level - target, -delta);
        }
    }
    int64_t wrap = neverChanges;
    if (delta > 0) {
        wrap = (int64_t{std::numeric_limits<int32_t>::max()} - level) / delta + 1;
    } else if (delta < 0) {
        wrap = (level - int64_t{std::numeric_limits<int32_t>::min()}) / -delta + 1;
    }
    return cross < wrap ? cross : wrap;
}

int64_t voiceStepsToStateChange(const FmVoice& voice)
{
    if (voice.endedCarriers >= voice.carrierCount) {
        return 1;
    }
    int64_t next = neverChanges;
    for (uint32_t i = 0; i < voice.operatorCount; ++i) {
        const int64_t k = stepsToStateChange(voice.operators[i]);
        next = k < next ? k : next;
    }
    return next;
}

}  // namespace quorva
