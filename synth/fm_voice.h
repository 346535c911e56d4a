#pragma once
// The FM voice engine: one sounding note (FmVoice) of up to six operators (FmOperator), in
// 32-bit integer fixed point at 44100 samples per second.
//
// What the channel layer (synth/fm_synth*) may rely on; this interface only grows:
//  - FmVoice is a plain record that fits a pool slot (sizeof(FmVoice) <= fmVoiceSlotSize).
//    Take a slot, value-initialise a voice in it (FmVoice{}), link it through allLink,
//    releasedLink and channelLink (those links belong to the caller's lists; the engine never
//    touches them), then call initVoice.
//  - The voice reads its channel's state through a VoiceControls passed on every call; the
//    channel fills it (bend = (bendRange * rawBend) >> 5, modulation 0..127, coarse/fine
//    tuning 0..127 with 64 = no change, sustain pedal, rhythm flag).
//  - Before rendering a voice (each sample, or each block between two queued events) the
//    channel checks sustainReleaseDue(voice, controls) and, when true, runs its own
//    releaseVoice; releaseVoice sets `released` and calls releaseOperators(voice).
//  - renderVoiceGroup is how the synthesizer renders: many voices over the same `count`
//    samples at once (sixteen side by side, vectorised, with AVX2 where the processor has
//    it), writing each voice's output of each sample to outs[i][t]. alive[i] is false when
//    voice i has ended: the caller then kills it (unlinks it and returns its slot). For the
//    sample in which it ends, the output written is the previous sample's output (what the
//    mix reads once), and 0 for every later sample. It keeps about 13 KB of lane state on
//    the stack.
//  - renderVoice renders one sample of one voice, with the same result: the group's samples
//    equal renderVoice's for any split of the time into calls, as long as the controls only
//    change between calls. The per-sample mix uses it.
//  - Nothing here allocates or locks; tables are built once by buildTables (thread-safe).
#include <array>
#include <cstdint>

#include "synth/fm_envelope.h"
#include "synth/fm_lfo.h"
#include "synth/fm_tables.h"
#include "synth/tone_record.h"

namespace quorva {

class SynthChannel;
struct FmVoice;

inline constexpr int fmSampleRate = 44100;
inline constexpr std::size_t fmVoiceSlotSize = 1024;

// The channel values a sounding voice reads.
struct VoiceControls {
    int32_t bend = 0;         // 1/256 semitone
    int32_t modulation = 0;   // controller 1, 0..127
    int32_t coarseTune = 64;  // 64 = no change (read at note start only)
    int32_t fineTune = 64;    // 64 = no change (read at note start only)
    bool sustain = false;     // pedal down
    bool rhythm = false;      // rhythm channel: tuning taken as 64/64
};

struct FmOperator {
    uint8_t index = 0;
    FmEnvelope envelope;
    int32_t modIndex = 0;
    int32_t gain = 0;       // (outputGain >> 14, logical) + 1024; 1024 = 1.0
    int32_t output = 0;     // last computed sample
    uint32_t phase = 0;     // 2^32 = one cycle
    int32_t increment = 0;  // phase step at pitch ratio 1.0
    uint8_t modulatorCount = 0;
    std::array<uint8_t, toneOperatorCount> modulators{};  // indexes of modulating operators
    bool carrier = false;
};

struct VoiceLink {
    FmVoice* previous = nullptr;
    FmVoice* next = nullptr;
    bool linked = false;
};

struct FmVoice {
    VoiceLink allLink;
    VoiceLink releasedLink;
    VoiceLink channelLink;
    uint32_t operatorCount = 0;
    std::array<FmOperator, toneOperatorCount> operators{};
    uint32_t key = 0;
    int32_t output = 0;        // smoothed output of the last sample
    int32_t velocityGain = 0;  // velocity * velocity >> 6
    int32_t pitchRatio = 1024;
    bool released = false;
    bool sustained = false;
    bool oneShot = false;
    bool absorbNoteOff = false;
    bool keyUp = false;
    uint32_t carrierCount = 0;
    uint32_t endedCarriers = 0;
    uint32_t pan = 64;
    int32_t smoothing = 16;
    std::array<uint8_t, toneOperatorCount> carrierOutputs{};  // indexes of the carriers
    SynthChannel* channel = nullptr;
    FmLfo lfo;
};

static_assert(sizeof(FmVoice) <= fmVoiceSlotSize, "a voice must fit its pool slot");

// Fills a voice for a note: key is what note-off matches, note is the key whose pitch is
// played, velocity 1..127, pan 0..127. The tone must have operatorCount > 0 and carrierMask != 0.
void initVoice(FmVoice& voice, SynthChannel* channel, const VoiceControls& controls, uint32_t key,
               uint32_t note, uint32_t velocity, uint32_t pan, const Tone& tone);

// True when a note-off came while the pedal was down and the pedal is now up.
inline bool sustainReleaseDue(const FmVoice& voice, const VoiceControls& controls)
{
    return voice.sustained && !controls.sustain;
}

// Key-off of every operator's envelope.
void releaseOperators(FmVoice& voice);

// One sample. False when the voice has ended in this sample.
bool renderVoice(FmVoice& voice, const VoiceControls& controls);

// Which vector code renderVoiceGroup runs: the best the processor offers, or the portable one.
enum class VoiceKernel : uint8_t { Best, Portable };

// `count` samples of voiceCount voices at once: voice i reads *controls[i], writes
// outs[i][0..count) and gets alive[i] (false when it ended within them). The voices must be
// distinct.
void renderVoiceGroup(FmVoice* const* voices, const VoiceControls* const* controls, int32_t* const* outs, bool* alive,
                      int voiceCount, int count, VoiceKernel kernel = VoiceKernel::Best);

}  // namespace quorva
