#include "synth/synth_channel.h"

#include <algorithm>

namespace quorva {

void SynthChannel::resetChannel()
{
    pan = 64;
    expression = 127;
    controls.modulation = 0;
    volume = 100;
    controls.sustain = false;
    rawBend = 0;
    controls.bend = 0;
    bendRange = 2;
    controls.fineTune = 64;
    controls.coarseTune = 64;
    setResonance(64);
    setCutoff(127);
    outLeft = outRight = 0;
    velocityLeft = velocityRight = 0;
}

void SynthChannel::setCutoff(int32_t value)
{
    cutoff = value + 1;
    if (resonance == 0) {
        filterMode = value == 127 ? FilterMode::PassThrough : FilterMode::Smooth;
    }
}

void SynthChannel::setResonance(int32_t value)
{
    const int32_t r = value >> 4;
    if (r > 4) {
        filterMode = FilterMode::Resonant;
        resonance = r - 4;
    } else {
        resonance = 0;
        filterMode = cutoff == 128 ? FilterMode::PassThrough : FilterMode::Smooth;
    }
}

uint32_t SynthChannel::gain() const
{
    const uint32_t e = static_cast<uint32_t>(expression * expression) >> 7;
    const uint32_t v = static_cast<uint32_t>(volume * volume) >> 7;
    return (e * v) >> 7;
}

void SynthChannel::filter(int32_t inLeft, int32_t inRight)
{
    switch (filterMode) {
    case FilterMode::PassThrough:
        outLeft = inLeft;
        outRight = inRight;
        break;
    case FilterMode::Smooth:
        outLeft = wrapAdd(outLeft, wrapMul(wrapSub(inLeft, outLeft) >> 7, cutoff));
        outRight = wrapAdd(outRight, wrapMul(wrapSub(inRight, outRight) >> 7, cutoff));
        break;
    case FilterMode::Resonant: {
        static constexpr int32_t damping[4] = {0, 10, 5, 2};
        const int32_t c = cutoff;
        const int32_t d = damping[std::clamp<int32_t>(resonance, 1, 3)];
        auto step = [c, d](int32_t velocity, int32_t in, int32_t out) {
            const int32_t push = wrapSub(in, out) / 44100;
            const int32_t drag = wrapMul(wrapMul(wrapMul(c, velocity), d), 2) >> 13;
            return wrapSub(wrapAdd(velocity, push), drag);
        };
        velocityLeft = step(velocityLeft, inLeft, outLeft);
        velocityRight = step(velocityRight, inRight, outRight);
        const int32_t reach = (44100 * c) >> 7;
        outLeft = wrapAdd(outLeft, wrapMul(wrapMul(velocityLeft, c) >> 7, reach));
        outRight = wrapAdd(outRight, wrapMul(wrapMul(velocityRight, c) >> 7, reach));
        break;
    }
    }
}

void SynthChannel::filterBlock(int32_t* left, int32_t* right, uint32_t count)
{
    if (count == 0) {
        return;
    }
    switch (filterMode) {
    case FilterMode::PassThrough:
        outLeft = left[count - 1];
        outRight = right[count - 1];
        break;
    case FilterMode::Smooth: {
        int32_t l = outLeft;
        int32_t r = outRight;
        for (uint32_t i = 0; i < count; ++i) {
            l = wrapAdd(l, wrapMul(wrapSub(left[i], l) >> 7, cutoff));
            r = wrapAdd(r, wrapMul(wrapSub(right[i], r) >> 7, cutoff));
            left[i] = l;
            right[i] = r;
        }
        outLeft = l;
        outRight = r;
        break;
    }
    case FilterMode::Resonant:
        for (uint32_t i = 0; i < count; ++i) {
            filter(left[i], right[i]);
            left[i] = outLeft;
            right[i] = outRight;
        }
        break;
    }
}

}  // namespace quorva
