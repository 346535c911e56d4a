#pragma once
// Up to sixteen voices side by side, as one or two vectors of eight whose latency chains
// overlap: the lane state of the group renderer and its straight-line sample kernels (a
// portable one and, on x86, an AVX2 one in a file of its own).
#include <cstdint>

#include "synth/tone_record.h"

namespace quorva {

inline constexpr int laneVectorWidth = 8;  // lanes per vector
inline constexpr int laneVectorCount = 2;  // vectors of a full group; their chains interleave
inline constexpr int laneCount = laneVectorWidth * laneVectorCount;
inline constexpr int laneChunkSize = 32;

struct alignas(64) LaneGroup {
    uint32_t level[toneOperatorCount][laneCount];
    uint32_t delta[toneOperatorCount][laneCount];
    uint32_t phase[toneOperatorCount][laneCount];
    uint32_t step[toneOperatorCount][laneCount];      // increment >> 10
    uint32_t modIndex[toneOperatorCount][laneCount];  // modIndex >> 8
    uint32_t gain[toneOperatorCount][laneCount];
    uint32_t output[toneOperatorCount][laneCount];
    uint32_t carrier[toneOperatorCount][laneCount];                       // all ones for a carrier
    uint32_t modulates[toneOperatorCount][toneOperatorCount][laneCount];  // [i][j]: all ones when j modulates i
    uint8_t modulatorBits[toneOperatorCount][laneCount];  // bit j: j modulates i in this lane
    uint32_t modulatorCommon[toneOperatorCount];           // bit j: j modulates i in every lane
    uint32_t voiceOutput[laneCount];
    uint32_t velocityGain[laneCount];
    uint32_t smoothing[laneCount];
    uint32_t pitchRatio[laneChunkSize][laneCount];
    uint32_t tremolo[laneChunkSize][laneCount];
    uint32_t sampleOutput[laneChunkSize][laneCount];  // voice output of each sample of the chunk
    // Where each lane reads its LFO values: lane l of vector v takes pitchRatio[t][8 * lfoSource[v]
    // + lfoSlot[l]] (and the same of tremolo); lanes with equal LFO states share one.
    uint32_t lfoSource[laneVectorCount];
    uint32_t lfoSlot[laneCount];
    // LFO state and the constants it reads (held here for a whole call).
    uint32_t lfoPhase[laneCount];
    uint32_t lfoStep[laneCount];
    uint32_t lfoState[laneCount];  // LfoState as a number
    uint32_t lfoCounter[laneCount];
    uint32_t lfoDelay[laneCount];
    uint32_t lfoFade[laneCount];
    uint32_t lfoFadeStep[laneCount];
    uint32_t lfoFadeMax[laneCount];
    uint32_t modulationDepth[laneCount];  // modulation wheel * 256
    uint32_t pitchPosition[laneCount];    // bend + 0x8000
    uint32_t pitchModScale[laneCount];    // pitchModDepth >> 15
    uint32_t ampModScale[laneCount];      // ampModDepth >> 15
};

struct LaneTables {
    const int32_t* sine;
    const int32_t* semitone;
    const int32_t* fine;
};

// The kernels work on the first `vectors` (1..laneVectorCount) vectors of lanes.
// LFO of every lane for samples [0, length) of a chunk: fills pitchRatio and tremolo.
void lfoLanesGeneric(LaneGroup& group, int vectors, int length, const LaneTables& tables);
#if defined(__x86_64__) || defined(__i386__)
void lfoLanesAvx2(LaneGroup& group, int vectors, int length, const LaneTables& tables);
#endif

// Samples [from, to) of the chunk for every lane, all envelopes on straight segments; lane l's
// voice output of sample t goes to sampleOutput[t][l].
void runLanesGeneric(LaneGroup& group, int vectors, int operatorCount, int from, int to, const int32_t* sine);
#if defined(__x86_64__) || defined(__i386__)
void runLanesAvx2(LaneGroup& group, int vectors, int operatorCount, int from, int to, const int32_t* sine);
#endif

}  // namespace quorva
