#pragma once
#include "synth/fm_voice.h"
#include "synth/synth_voice_list.h"
#include "synth/tone_bank.h"
#include "synth/wrap_arithmetic.h"

#include <cstdint>

namespace quorva {

enum class FilterMode : uint8_t { PassThrough, Smooth, Resonant };

// One MIDI channel of the synthesizer: controller state, the tone and drum set of its
// program, its sounding voices and its output filter. Touched by the rendering thread only.
class SynthChannel {
public:
    // Controller defaults; program, tones, rhythm flag and parameter selection are kept.
    void resetChannel();
    void setCutoff(int32_t value);
    void setResonance(int32_t value);

    // Volume and expression as one gain: 76 for volume 100 and expression 127.
    uint32_t gain() const;
    int32_t currentBend() const { return (bendRange * rawBend) >> 5; }
    // Turns the channel's input sample into outLeft and outRight.
    void filter(int32_t inLeft, int32_t inRight);
    // The same for count samples in place: inputs in, outputs out; outLeft and outRight
    // end as the last sample's.
    void filterBlock(int32_t* left, int32_t* right, uint32_t count);

    ChannelVoiceList voices;
    int32_t outLeft = 0;
    int32_t outRight = 0;
    uint32_t number = 0;
    // bend, modulation, coarse and fine tuning, sustain and the rhythm flag, as voices read them.
    VoiceControls controls;
    int32_t expression = 127;
    int32_t volume = 100;
    int32_t pan = 64;
    int32_t program = 0;
    int32_t rawBend = 0;
    int32_t bendRange = 2;
    int32_t paramMode = 0;  // 1 after an RPN select, 0 after an NRPN select
    int32_t nrpnMsb = 0;
    int32_t nrpnLsb = 0;
    int32_t rpnMsb = 0;
    int32_t rpnLsb = 0;
    const Tone* tone = nullptr;
    const DrumSet* drumSet = nullptr;
    int32_t cutoff = 128;   // 1..128
    int32_t resonance = 0;  // 0 none, 1..3
    int32_t velocityLeft = 0;
    int32_t velocityRight = 0;
    FilterMode filterMode = FilterMode::PassThrough;
};

}  // namespace quorva
