#pragma once
// Pieces of one voice sample shared by the per-sample and the block renderer.
#include "synth/fm_envelope.h"

namespace quorva {

// The LFO's step for one sample: advances the oscillator and the depth envelope, then gives
// the pitch ratio (1024 = 1.0) and the tremolo gain (0x8000 = 1.0) of this sample.
inline int32_t pitchRatioFrom(const FmTables& tables, int32_t position)
{
    const int32_t p = position < 0 ? 0 : (position > 65535 ? 65535 : position);
    return (tables.semitoneTable[p >> 8] * tables.fineTable[p & 0xFF]) >> 10;
}

inline void stepLfo(FmVoice& voice, const VoiceControls& controls, const FmTables& tables, int32_t& pitchRatio,
                    int32_t& tremolo)
{
    const SineTable& sine = tables.sineTable;
    voice.lfoPhase += voice.lfoStep;
    switch (voice.lfoState) {
    case LfoState::LfoDelay:
        voice.lfoCounter = wrapAdd(voice.lfoCounter, 1);
        if (voice.lfoCounter > voice.lfoDelay) {
            voice.lfoState = LfoState::LfoFade;
        }
        break;
    case LfoState::LfoFade:
        voice.lfoFade = wrapAdd(voice.lfoFade, voice.lfoFadeStep);
        if (voice.lfoFade > voice.lfoFadeMax) {
            voice.lfoFade = voice.lfoFadeMax;
            voice.lfoState = LfoState::LfoHold;
        }
        break;
    case LfoState::LfoHold:
        break;
    }
    const int32_t depth = wrapAdd(voice.lfoFade >> 9, wrapMul(controls.modulation, 256));
    const int32_t s = sine[voice.lfoPhase >> 20] >> 15;
    const int32_t vibrato = wrapMul(wrapMul(voice.pitchModDepth >> 15, depth) >> 15, s) >> 22;
    pitchRatio = pitchRatioFrom(tables, wrapAdd(wrapAdd(vibrato, controls.bend), 0x8000));
    tremolo = wrapAdd(wrapMul(wrapMul(voice.ampModDepth >> 15, depth) >> 15, s) >> 15, 0x8000);
}

// Phase, modulation and output of one operator after its envelope step.
inline void operatorOutput(FmVoice& voice, FmOperator& op, int32_t pitchRatio, const SineTable& sine)
{
    op.phase += (static_cast<uint32_t>(op.increment) >> 10) * static_cast<uint32_t>(pitchRatio);
    int32_t modulation = 0;
    for (uint8_t m = 0; m < op.modulatorCount; ++m) {
        modulation = wrapAdd(modulation, voice.operators[op.modulators[m]].output);
    }
    const uint32_t index = (op.phase + static_cast<uint32_t>(wrapMul(op.modIndex >> 8, modulation >> 8))) >> 20;
    const uint32_t a = (static_cast<uint32_t>(op.level >> 20) * static_cast<uint32_t>(op.gain)) >> 10;
    op.output = static_cast<int32_t>(static_cast<uint32_t>(sine[index] >> 14) * ((a * a) >> 12));
}

// The voice output from the carriers' outputs of this sample.
inline void voiceOutput(FmVoice& voice, int32_t tremolo)
{
    int32_t sum = 0;
    for (uint32_t c = 0; c < voice.carrierCount; ++c) {
        sum = wrapAdd(sum, voice.operators[voice.carrierOutputs[c]].output);
    }
    const int32_t x = wrapMul(wrapMul(voice.velocityGain, sum >> 8) >> 9, tremolo) >> 6;
    voice.output = wrapAdd(voice.output, wrapMul(wrapSub(x, voice.output), voice.smoothing) >> 4);
}

// One whole sample with the exact envelope step of every operator. False when the voice ended.
inline bool exactSample(FmVoice& voice, int32_t pitchRatio, int32_t tremolo, const SineTable& sine)
{
    voice.pitchRatio = pitchRatio;
    for (uint32_t i = 0; i < voice.operatorCount; ++i) {
        FmOperator& op = voice.operators[i];
        if (stepEnvelope(op) && op.carrier) {
            ++voice.endedCarriers;
        }
        operatorOutput(voice, op, pitchRatio, sine);
    }
    if (voice.endedCarriers >= voice.carrierCount) {
        return false;
    }
    voiceOutput(voice, tremolo);
    return true;
}

}  // namespace quorva
