#include "synth/fm_envelope.h"

namespace quorva {
namespace {

bool rise(FmEnvelope& op, int32_t rate, int32_t target, EnvelopeState next)
{
    op.level = wrapAdd(op.level, rate);
    if (op.level >= target) {
        op.level = target;
        op.state = next;
    }
    return false;
}

// Falling into Off reports the end of the operator.
bool fall(FmEnvelope& op, int32_t rate, int32_t target, EnvelopeState next)
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

Segment segmentOf(const FmEnvelope& op)
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

bool FmEnvelope::step()
{
    switch (state) {
    case EnvelopeState::Delay:
        delayCounter = wrapAdd(delayCounter, 1);
        if (delayCounter > delay) {
            state = EnvelopeState::Attack1;
        }
        return false;
    case EnvelopeState::Attack1: return rise(*this, attack1Rate, attack1Level, EnvelopeState::Attack2);
    case EnvelopeState::Attack2: return rise(*this, attack2Rate, peakLevel, EnvelopeState::Decay1);
    case EnvelopeState::Decay1: return fall(*this, decay1Rate, decay1Level, EnvelopeState::Decay2);
    case EnvelopeState::Decay2: return fall(*this, decay2Rate, decay2Level, EnvelopeState::Decay3);
    case EnvelopeState::Decay3: return fall(*this, decay3Rate, baseLevel, EnvelopeState::Off);
    case EnvelopeState::Release1: return fall(*this, decay1Rate, decay1Level, afterRelease1());
    case EnvelopeState::Release2: return fall(*this, decay2Rate, decay2Level, EnvelopeState::Release3);
    case EnvelopeState::Release3: return fall(*this, releaseRate, releaseLevel, EnvelopeState::Release4);
    case EnvelopeState::Release4: return fall(*this, finalRate, baseLevel, EnvelopeState::Off);
    case EnvelopeState::Off: return false;
    }
    return false;
}

void FmEnvelope::keyOff()
{
    if (state == EnvelopeState::Off) {
        return;
    }
    if (decay2Level < level && decay1Rate > releaseRate) {
        if (decay1Level < level) {
            state = EnvelopeState::Release1;
        } else if (decay2Rate > releaseRate) {
            state = EnvelopeState::Release2;
        } else {
            state = EnvelopeState::Release3;
        }
    } else {
        state = releaseLevel < level ? EnvelopeState::Release3 : EnvelopeState::Release4;
    }
}

int32_t FmEnvelope::linearDelta() const
{
    if (state == EnvelopeState::Delay || state == EnvelopeState::Off) {
        return 0;
    }
    const Segment segment = segmentOf(*this);
    return segment.rising ? segment.rate : wrapSub(0, segment.rate);
}

int64_t FmEnvelope::stepsToStateChange() const
{
    if (state == EnvelopeState::Off) {
        return neverChanges;
    }
    if (state == EnvelopeState::Delay) {
        if (delay == std::numeric_limits<int32_t>::max()) {
            return neverChanges;
        }
        const int64_t k = int64_t{delay} - delayCounter + 1;
        return k < 1 ? 1 : k;
    }
    const Segment segment = segmentOf(*this);
    const int64_t now = level;
    const int64_t target = segment.target;
    const int64_t delta = segment.rising ? int64_t{segment.rate} : -int64_t{segment.rate};

    int64_t cross = neverChanges;
    if (segment.rising) {
        if (now + delta >= target) {
            return 1;
        }
        if (delta > 0) {
            cross = ceilDivide(target - now, delta);
        }
    } else {
        if (now + delta <= target) {
            return 1;
        }
        if (delta < 0) {
            cross = ceilDivide(now - target, -delta);
        }
    }
    int64_t wrap = neverChanges;
    if (delta > 0) {
        wrap = (int64_t{std::numeric_limits<int32_t>::max()} - now) / delta + 1;
    } else if (delta < 0) {
        wrap = (now - int64_t{std::numeric_limits<int32_t>::min()}) / -delta + 1;
    }
    return cross < wrap ? cross : wrap;
}

}  // namespace quorva
