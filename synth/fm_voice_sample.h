#pragma once
// Pieces of one voice sample shared by the per-sample and the group renderer.
#include "synth/fm_voice.h"

namespace quorva {

// Phase, modulation and output of one operator after its envelope step.
inline void operatorOutput(FmVoice& voice, FmOperator& op, int32_t pitchRatio, const SineTable& sine)
{
    op.phase += (static_cast<uint32_t>(op.increment) >> 10) * static_cast<uint32_t>(pitchRatio);
    int32_t modulation = 0;
    for (uint8_t m = 0; m < op.modulatorCount; ++m) {
        modulation = wrapAdd(modulation, voice.operators[op.modulators[m]].output);
    }
    const uint32_t index = (op.phase + static_cast<uint32_t>(wrapMul(op.modIndex >> 8, modulation >> 8))) >> 20;
    const uint32_t a = (static_cast<uint32_t>(op.envelope.level >> 20) * static_cast<uint32_t>(op.gain)) >> 10;
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

// The smallest of the operators' stepsToStateChange; 1 when the voice ends in its next sample
// anyway (all carriers ended, or none to begin with).
int64_t voiceStepsToStateChange(const FmVoice& voice);

// One whole sample with the exact envelope step of every operator. False when the voice ended.
inline bool exactSample(FmVoice& voice, int32_t pitchRatio, int32_t tremolo, const SineTable& sine)
{
    voice.pitchRatio = pitchRatio;
    for (uint32_t i = 0; i < voice.operatorCount; ++i) {
        FmOperator& op = voice.operators[i];
        if (op.envelope.step() && op.carrier) {
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
