#pragma once
// Sixteen voices side by side, as two vectors of eight whose latency chains overlap: the lane state of the group renderer and its straight-line
// sample kernels (a portable one and, on x86, an AVX2 one in a file of its own).
#include <cstdint>

#include "synth/tone_record.h"

namespace quorva {

inline constexpr int laneCount = 16;
inline constexpr int laneVectorWidth = 8;  // lanes per vector; two vectors interleave
inline constexpr int laneChunkSize = 64;

struct alignas(64) LaneGroup {
    uint32_t level[toneOperatorCount][laneCount];
    uint32_t delta[toneOperatorCount][laneCount];
    uint32_t phase[toneOperatorCount][laneCount];
    uint32_t step[toneOperatorCount][laneCount];      // increment >> 10
    uint32_t modIndex[toneOperatorCount][laneCount];  // modIndex >> 8
    uint32_t gain[toneOperatorCount][laneCount];
    uint32_t output[toneOperatorCount][laneCount];
    uint32_t modulates[toneOperatorCount][toneOperatorCount][laneCount];  // [i][j]: all ones when j modulates i
    uint32_t carrier[toneOperatorCount][laneCount];                       // all ones for a carrier
    uint32_t voiceOutput[laneCount];
    uint32_t velocityGain[laneCount];
    uint32_t smoothing[laneCount];
    uint32_t pitchRatio[laneChunkSize][laneCount];
    uint32_t tremolo[laneChunkSize][laneCount];
};

// Samples [from, to) of the chunk for every lane, all envelopes on straight segments;
// lane l's voice output of sample t goes to sink[l][t].
void runLanesGeneric(LaneGroup& group, int operatorCount, int from, int to, const int32_t* sine, int32_t* const* sink);
#if defined(__x86_64__) || defined(__i386__)
void runLanesAvx2(LaneGroup& group, int operatorCount, int from, int to, const int32_t* sine, int32_t* const* sink);
#endif

}  // namespace quorva
