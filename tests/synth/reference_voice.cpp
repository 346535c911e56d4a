#include "reference_voice.h"

#include <cmath>

namespace quorva::testing {
namespace {

int32_t cut(int64_t x) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(x) & 0xFFFFFFFFu)); }
int32_t mul(int32_t a, int32_t b) { return cut(static_cast<int64_t>(a) * b); }
int32_t add(int32_t a, int32_t b) { return cut(static_cast<int64_t>(a) + b); }

enum { Delay, Attack1, Attack2, Decay1, Decay2, Decay3, Release1, Release2, Release3, Release4, Off };

}  // namespace

ReferenceVoice::ReferenceVoice()
{
    for (int k = 0; k < 1024; ++k) {
        sine_[k] = static_cast<int32_t>(std::trunc(1073741824.0 * std::sin(k * 0.0015339807878856412)));
        sine_[1024 + k] =
            static_cast<int32_t>(std::trunc(1073741824.0 * std::sin(1.5707963267948966 - k * 0.0015339807878856412)));
    }
    for (int k = 0; k < 2048; ++k) {
        sine_[2048 + k] = -sine_[k] - 1;
    }
    for (int i = 0; i < 256; ++i) {
        semitone_[i] = static_cast<int32_t>(std::trunc(1024.0 * std::pow(1.0594630943592953, i - 128)));
        fine_[i] = static_cast<int32_t>(std::trunc(1024.0 * std::pow(1.0594630943592953, i * 0.00390625)));
    }
}

int32_t ReferenceVoice::sineEntry(int i)
{
    static const ReferenceVoice tables;
    return tables.sine_[i];
}

int32_t ReferenceVoice::ratio(int64_t position) const
{
    const int64_t p = position < 0 ? 0 : (position > 65535 ? 65535 : position);
    return static_cast<int32_t>((static_cast<int64_t>(semitone_[p / 256]) * fine_[p % 256]) / 1024);
}

void ReferenceVoice::start(const Tone& tone, int note, int velocity, const VoiceControls& controls)
{
    count_ = tone.operatorCount;
    carriers_ = 0;
    ended_ = 0;
    output_ = 0;
    velocityGain_ = velocity * velocity / 64;
    smoothing_ = static_cast<int32_t>(tone.outputSmoothing);
    lfoCounter_ = 0;
    lfoFade_ = 0;
    lfoPhase_ = 0;
    lfoState_ = 0;
    lfoDelay_ = tone.lfoDelay;
    lfoFadeStep_ = tone.lfoFadeStep;
    lfoStep_ = tone.lfoStep;
    amd_ = tone.ampModDepth;
    pmd_ = tone.pitchModDepth;
    lfoFadeMax_ = tone.lfoDepth >> 6;
    const int coarse = controls.rhythm ? 64 : controls.coarseTune;
    const int fine = controls.rhythm ? 64 : controls.fineTune;
    for (int i = 0; i < count_; ++i) {
        Op& op = ops_[i];
        op = Op{};
        op.carrier = (tone.carrierMask >> i) & 1;
        carriers_ += op.carrier;
        op.mask = tone.operators[i].modulatorMask;
        // Which values: plain, first or last split, or interpolated between two splits.
        const int n = tone.splitCount;
        for (int w = 0; w < toneValueCount; ++w) {
            const auto which = static_cast<ToneValue>(w);
            if (n == 0) {
                op.v[w] = tone.operators[i].value(which);
            } else if (note <= tone.splits[0].key) {
                op.v[w] = tone.splits[0].operators[i].value(which);
            } else if (note >= tone.splits[n - 1].key) {
                op.v[w] = tone.splits[n - 1].operators[i].value(which);
            } else {
                int k = 0;
                while (!(tone.splits[k + 1].key >= note)) {
                    ++k;
                }
                const auto& block = tone.splits[k].operators[i];
                op.v[w] = add(block.value(which), mul(block.slope(which), note - tone.splits[k].key));
            }
        }
        int64_t p = (op.value(ToneValue::detune) >> 22) + 256 * (note + coarse - 6) + 4 * fine;
        p = p < 0 ? 0 : (p > 65535 ? 65535 : p);
        const uint64_t product = static_cast<uint64_t>(static_cast<int64_t>(semitone_[p >> 8])) *
                                 static_cast<uint64_t>(static_cast<int64_t>(fine_[p & 255])) *
                                 static_cast<uint64_t>(static_cast<int64_t>(op.value(ToneValue::multiple))) * 440u;
        op.increment = cut((static_cast<int64_t>(product) / 44100) >> 8);
        op.phase = static_cast<uint32_t>(op.value(ToneValue::initialPhase));
        op.gain = cut(static_cast<int64_t>(static_cast<uint32_t>(op.value(ToneValue::outputGain)) >> 14) + 1024);
        op.level = op.value(ToneValue::baseLevel);
        op.state = Delay;
    }
}

bool ReferenceVoice::envelope(Op& op)
{
    auto move = [&](ToneValue rate, ToneValue target, bool up, int next) {
        op.level = up ? add(op.level, op.value(rate)) : cut(static_cast<int64_t>(op.level) - op.value(rate));
        if (up ? op.level >= op.value(target) : op.level <= op.value(target)) {
            op.level = op.value(target);
            op.state = next;
            return next == Off;
        }
        return false;
    };
    switch (op.state) {
    case Delay:
        op.counter = add(op.counter, 1);
        if (op.counter > op.value(ToneValue::delay)) {
            op.state = Attack1;
        }
        return false;
    case Attack1: return move(ToneValue::attack1Rate, ToneValue::attack1Level, true, Attack2);
    case Attack2: return move(ToneValue::attack2Rate, ToneValue::peakLevel, true, Decay1);
    case Decay1: return move(ToneValue::decay1Rate, ToneValue::decay1Level, false, Decay2);
    case Decay2: return move(ToneValue::decay2Rate, ToneValue::decay2Level, false, Decay3);
    case Decay3: return move(ToneValue::decay3Rate, ToneValue::baseLevel, false, Off);
    case Release1:
        return move(ToneValue::decay1Rate, ToneValue::decay1Level, false,
                    op.value(ToneValue::decay2Rate) > op.value(ToneValue::releaseRate) ? Release2 : Release3);
    case Release2: return move(ToneValue::decay2Rate, ToneValue::decay2Level, false, Release3);
    case Release3: return move(ToneValue::releaseRate, ToneValue::releaseLevel, false, Release4);
    case Release4: return move(ToneValue::finalRate, ToneValue::baseLevel, false, Off);
    default: return false;
    }
}

void ReferenceVoice::release()
{
    for (int i = 0; i < count_; ++i) {
        Op& op = ops_[i];
        if (op.state == Off) {
            continue;
        }
        const int32_t l = op.level;
        const auto v = [&](ToneValue w) { return op.value(w); };
        if (v(ToneValue::decay2Level) < l && v(ToneValue::decay1Rate) > v(ToneValue::releaseRate)) {
            op.state = v(ToneValue::decay1Level) < l ? Release1
                       : v(ToneValue::decay2Rate) > v(ToneValue::releaseRate) ? Release2
                                                                               : Release3;
        } else {
            op.state = v(ToneValue::releaseLevel) < l ? Release3 : Release4;
        }
    }
}

bool ReferenceVoice::sample(const VoiceControls& controls)
{
    lfoPhase_ += lfoStep_;
    if (lfoState_ == 0) {
        lfoCounter_ = add(lfoCounter_, 1);
        if (lfoCounter_ > lfoDelay_) {
            lfoState_ = 1;
        }
    } else if (lfoState_ == 1) {
        lfoFade_ = add(lfoFade_, lfoFadeStep_);
        if (lfoFade_ > lfoFadeMax_) {
            lfoFade_ = lfoFadeMax_;
            lfoState_ = 2;
        }
    }
    const int32_t depth = add(lfoFade_ >> 9, controls.modulation * 256);
    const int32_t s = sine_[lfoPhase_ >> 20] >> 15;
    const int32_t vib = mul(mul(pmd_ >> 15, depth) >> 15, s) >> 22;
    const int32_t pitchRatio = ratio(static_cast<int64_t>(add(add(vib, controls.bend), 0x8000)));
    const int32_t am = add(mul(mul(amd_ >> 15, depth) >> 15, s) >> 15, 0x8000);
    for (int i = 0; i < count_; ++i) {
        Op& op = ops_[i];
        if (envelope(op) && op.carrier) {
            ++ended_;
        }
        op.phase = static_cast<uint32_t>(op.phase + static_cast<uint64_t>(static_cast<uint32_t>(op.increment) >> 10) *
                                                        static_cast<uint32_t>(pitchRatio));
        int32_t m = 0;
        for (int j = 0; j < count_; ++j) {
            if ((op.mask >> j) & 1) {
                m = add(m, ops_[j].out);
            }
        }
        const uint32_t index = static_cast<uint32_t>(op.phase + static_cast<uint32_t>(mul(op.value(ToneValue::modIndex) >> 8, m >> 8))) >> 20;
        const uint32_t a = static_cast<uint32_t>((static_cast<uint64_t>(static_cast<uint32_t>(op.level >> 20)) *
                                                  static_cast<uint32_t>(op.gain)) & 0xFFFFFFFFu) >> 10;
        const uint32_t a2 = static_cast<uint32_t>((static_cast<uint64_t>(a) * a) & 0xFFFFFFFFu) >> 12;
        op.out = cut(static_cast<int64_t>(sine_[index] >> 14) * a2);
    }
    if (ended_ >= carriers_) {
        return false;
    }
    int32_t sum = 0;
    for (int i = 0; i < count_; ++i) {
        if (ops_[i].carrier) {
            sum = add(sum, ops_[i].out);
        }
    }
    const int32_t x = mul(mul(velocityGain_, sum >> 8) >> 9, am) >> 6;
    output_ = add(output_, mul(cut(static_cast<int64_t>(x) - output_), smoothing_) >> 4);
    return true;
}

}  // namespace quorva::testing
