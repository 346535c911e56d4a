#pragma once
// The LFO of one voice: a sine oscillator whose depth fades in after a delay and adds the
// channel's modulation wheel, giving each sample's vibrato (as a pitch ratio) and tremolo.
#include <cstdint>

#include "synth/fm_tables.h"
#include "synth/wrap_arithmetic.h"

namespace quorva {

// The lane kernels hold the state as this number.
enum class LfoState : uint8_t { Delay = 0, Fade = 1, Hold = 2 };

struct FmLfo {
    uint32_t phase = 0;  // 2^32 = one cycle
    uint32_t phaseStep = 0;
    int32_t counter = 0;  // samples of the delay so far
    int32_t delay = 0;
    int32_t fade = 0;     // depth from the fade-in
    int32_t fadeStep = 0;
    int32_t fadeMax = 0;
    int32_t ampModDepth = 0;
    int32_t pitchModDepth = 0;
    LfoState state = LfoState::Delay;

    // One sample: advances the oscillator and the depth, then gives this sample's pitch ratio
    // (1024 = 1.0) at the bend (1/256 semitone) and its tremolo gain (0x8000 = 1.0), with the
    // modulation wheel (0..127) deepening both.
    void step(int32_t modulation, int32_t bend, const FmTables& tables, int32_t& pitchRatio, int32_t& tremolo)
    {
        phase += phaseStep;
        switch (state) {
        case LfoState::Delay:
            counter = wrapAdd(counter, 1);
            if (counter > delay) {
                state = LfoState::Fade;
            }
            break;
        case LfoState::Fade:
            fade = wrapAdd(fade, fadeStep);
            if (fade > fadeMax) {
                fade = fadeMax;
                state = LfoState::Hold;
            }
            break;
        case LfoState::Hold:
            break;
        }
        const int32_t depth = wrapAdd(fade >> 9, wrapMul(modulation, 256));
        const int32_t s = tables.sineTable[phase >> 20] >> 15;
        const int32_t vibrato = wrapMul(wrapMul(pitchModDepth >> 15, depth) >> 15, s) >> 22;
        pitchRatio = pitchRatioAt(tables, wrapAdd(wrapAdd(vibrato, bend), 0x8000));
        tremolo = wrapAdd(wrapMul(wrapMul(ampModDepth >> 15, depth) >> 15, s) >> 15, 0x8000);
    }
};

}  // namespace quorva
