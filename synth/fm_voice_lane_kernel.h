#pragma once
// The straight-line sample of eight lanes, written with vector types. Included by exactly the
// files that compile it for one instruction set each; everything here has internal linkage so
// that no copy built for AVX2 can stand in for the portable one. The including file ends the
// diagnostic push below ("#pragma GCC diagnostic pop") after its own uses of the vector types.
#include <cstring>

#include "synth/fm_voice_lanes.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace quorva {
namespace {

using Lanes32 = uint32_t __attribute__((vector_size(4 * laneVectorWidth)));
using SignedLanes32 = int32_t __attribute__((vector_size(4 * laneVectorWidth)));

#define QUORVA_LOAD(to, from) std::memcpy(&(to), (from), sizeof(Lanes32))
#define QUORVA_STORE(to, from) std::memcpy((to), &(from), sizeof(Lanes32))
#define QUORVA_SAR(v, n) ((Lanes32)((SignedLanes32)(v) >> (n)))

// One operator of one vector of lanes for sample t: envelope, phase, modulation, wave.
// `output` holds the vector's operator outputs; the older ones are summed first so that
// the newest (the end of the latency chain) comes in last. With Dense every operator
// modulates every other in every lane, so no masks are needed. Lookup holds the two
// operations with variable lane indexes, which each including file supplies (vector or
// scalar): lookup(table, indexes), the table entries of eight indexes, and
// permute(values, indexes), lane l taking values[indexes[l]] (indexes 0..7).
template <int OperatorCount, bool Dense, typename Lookup>
[[gnu::always_inline]] inline void laneOperator(LaneGroup& g, int i, int at, Lanes32 ratio, Lanes32* output,
                                                const int32_t* sine)
{
    Lanes32 modulation = {};
#pragma GCC unroll 8
    for (int k = 1; k <= OperatorCount; ++k) {
        const int j = (i + k) % OperatorCount;
        if constexpr (Dense) {
            modulation += output[j];
        } else {
            Lanes32 mask;
            QUORVA_LOAD(mask, &g.modulates[i][j][at]);
            modulation += output[j] & mask;
        }
    }
    Lanes32 level, delta, phase, step, modIndex, gain;
    QUORVA_LOAD(level, &g.level[i][at]);
    QUORVA_LOAD(delta, &g.delta[i][at]);
    QUORVA_LOAD(phase, &g.phase[i][at]);
    QUORVA_LOAD(step, &g.step[i][at]);
    QUORVA_LOAD(modIndex, &g.modIndex[i][at]);
    QUORVA_LOAD(gain, &g.gain[i][at]);
    level += delta;
    phase += step * ratio;
    const Lanes32 index = (phase + modIndex * QUORVA_SAR(modulation, 8)) >> 20;
    const Lanes32 a = (QUORVA_SAR(level, 20) * gain) >> 10;
    const Lanes32 amplitude = (a * a) >> 12;
    const Lanes32 wave = Lookup::lookup(sine, index);
    output[i] = QUORVA_SAR(wave, 14) * amplitude;
    QUORVA_STORE(&g.level[i][at], level);
    QUORVA_STORE(&g.phase[i][at], phase);
}

// Samples [from, to) of the first Vectors vectors of lanes. The operator outputs stay in
// locals for the whole run; the vectors are independent, so their latencies overlap.
template <int OperatorCount, int Vectors, bool Dense, typename Lookup>
[[gnu::always_inline]] inline void laneRunOf(LaneGroup& g, int from, int to, const int32_t* sine)
{
    Lanes32 output[Vectors][OperatorCount];
    Lanes32 slot[Vectors];
    int source[Vectors];
#pragma GCC unroll 8
    for (int v = 0; v < Vectors; ++v) {
        QUORVA_LOAD(slot[v], &g.lfoSlot[v * laneVectorWidth]);
        source[v] = static_cast<int>(g.lfoSource[v]) * laneVectorWidth;
    }
#pragma GCC unroll 8
    for (int i = 0; i < OperatorCount; ++i) {
#pragma GCC unroll 8
        for (int v = 0; v < Vectors; ++v) {
            QUORVA_LOAD(output[v][i], &g.output[i][v * laneVectorWidth]);
        }
    }
    for (int t = from; t < to; ++t) {
        Lanes32 ratio[Vectors];
#pragma GCC unroll 8
        for (int v = 0; v < Vectors; ++v) {
            Lanes32 held;
            QUORVA_LOAD(held, &g.pitchRatio[t][source[v]]);
            ratio[v] = Lookup::permute(held, slot[v]);
        }
#pragma GCC unroll 8
        for (int i = 0; i < OperatorCount; ++i) {
#pragma GCC unroll 8
            for (int v = 0; v < Vectors; ++v) {
                laneOperator<OperatorCount, Dense, Lookup>(g, i, v * laneVectorWidth, ratio[v], output[v], sine);
            }
        }
#pragma GCC unroll 8
        for (int v = 0; v < Vectors; ++v) {
            const int at = v * laneVectorWidth;
            Lanes32 sum = {};
#pragma GCC unroll 8
            for (int i = 0; i < OperatorCount; ++i) {
                Lanes32 carrier;
                QUORVA_LOAD(carrier, &g.carrier[i][at]);
                sum += output[v][i] & carrier;
            }
            Lanes32 velocityGain, tremolo, voiceOutput, smoothing;
            QUORVA_LOAD(velocityGain, &g.velocityGain[at]);
            QUORVA_LOAD(tremolo, &g.tremolo[t][source[v]]);
            tremolo = Lookup::permute(tremolo, slot[v]);
            QUORVA_LOAD(voiceOutput, &g.voiceOutput[at]);
            QUORVA_LOAD(smoothing, &g.smoothing[at]);
            const Lanes32 x = QUORVA_SAR(QUORVA_SAR(velocityGain * QUORVA_SAR(sum, 8), 9) * tremolo, 6);
            voiceOutput += QUORVA_SAR((x - voiceOutput) * smoothing, 4);
            QUORVA_STORE(&g.voiceOutput[at], voiceOutput);
            QUORVA_STORE(&g.sampleOutput[t][at], voiceOutput);
        }
    }
#pragma GCC unroll 8
    for (int i = 0; i < OperatorCount; ++i) {
#pragma GCC unroll 8
        for (int v = 0; v < Vectors; ++v) {
            QUORVA_STORE(&g.output[i][v * laneVectorWidth], output[v][i]);
        }
    }
}

// The LFO step of each lane (FmLfo::step, whose arithmetic this repeats lane by lane).
template <typename Lookup>
[[gnu::always_inline]] inline void laneLfo(LaneGroup& g, int vectors, int length, const LaneTables& tables)
{
    for (int v = 0; v < vectors; ++v) {
        const int at = v * laneVectorWidth;
        Lanes32 phase, step, state, counter, delay, fade, fadeStep, fadeMax, wheel, position, pitchScale, ampScale;
        QUORVA_LOAD(phase, &g.lfoPhase[at]);
        QUORVA_LOAD(step, &g.lfoStep[at]);
        QUORVA_LOAD(state, &g.lfoState[at]);
        QUORVA_LOAD(counter, &g.lfoCounter[at]);
        QUORVA_LOAD(delay, &g.lfoDelay[at]);
        QUORVA_LOAD(fade, &g.lfoFade[at]);
        QUORVA_LOAD(fadeStep, &g.lfoFadeStep[at]);
        QUORVA_LOAD(fadeMax, &g.lfoFadeMax[at]);
        QUORVA_LOAD(wheel, &g.modulationDepth[at]);
        QUORVA_LOAD(position, &g.pitchPosition[at]);
        QUORVA_LOAD(pitchScale, &g.pitchModScale[at]);
        QUORVA_LOAD(ampScale, &g.ampModScale[at]);
        const Lanes32 zero = {};
        SignedLanes32 rest = (SignedLanes32)position;
        rest = rest < 0 ? 0 : rest;
        rest = rest > 65535 ? 65535 : rest;
        const Lanes32 ratioAtRest = QUORVA_SAR(Lookup::lookup(tables.semitone, (Lanes32)(rest >> 8)) *
                                                   Lookup::lookup(tables.fine, (Lanes32)(rest & 0xFF)),
                                               10);
        for (int t = 0; t < length; ++t) {
            phase += step;
            const Lanes32 inDelay = (Lanes32)(state == zero);
            const Lanes32 inFade = (Lanes32)(state == zero + 1u);
            counter += inDelay & 1u;
            const Lanes32 leaveDelay = inDelay & (Lanes32)((SignedLanes32)counter > (SignedLanes32)delay);
            fade += inFade & fadeStep;
            const Lanes32 over = inFade & (Lanes32)((SignedLanes32)fade > (SignedLanes32)fadeMax);
            fade = (fade & ~over) | (fadeMax & over);
            state = (state & ~(leaveDelay | over)) | (leaveDelay & 1u) | (over & 2u);

            const Lanes32 depth = QUORVA_SAR(fade, 9) + wheel;
            uint32_t anyDepth = 0;
            for (int l = 0; l < laneVectorWidth; ++l) {
                anyDepth |= depth[l];
            }
            if (anyDepth == 0) {  // no vibrato, no tremolo: the ratio of the bend alone
                const Lanes32 unity = zero + 0x8000u;
                QUORVA_STORE(&g.pitchRatio[t][at], ratioAtRest);
                QUORVA_STORE(&g.tremolo[t][at], unity);
                continue;
            }
            const Lanes32 s = QUORVA_SAR(Lookup::lookup(tables.sine, phase >> 20), 15);
            const Lanes32 vibrato = QUORVA_SAR(QUORVA_SAR(pitchScale * depth, 15) * s, 22);
            SignedLanes32 p = (SignedLanes32)(vibrato + position);
            p = p < 0 ? 0 : p;
            p = p > 65535 ? 65535 : p;
            const Lanes32 ratio = QUORVA_SAR(Lookup::lookup(tables.semitone, (Lanes32)(p >> 8)) *
                                                 Lookup::lookup(tables.fine, (Lanes32)(p & 0xFF)),
                                             10);
            const Lanes32 tremolo = QUORVA_SAR(QUORVA_SAR(ampScale * depth, 15) * s, 15) + 0x8000u;
            QUORVA_STORE(&g.pitchRatio[t][at], ratio);
            QUORVA_STORE(&g.tremolo[t][at], tremolo);
        }
        QUORVA_STORE(&g.lfoPhase[at], phase);
        QUORVA_STORE(&g.lfoState[at], state);
        QUORVA_STORE(&g.lfoCounter[at], counter);
        QUORVA_STORE(&g.lfoFade[at], fade);
    }
}

template <int Vectors, typename Lookup>
[[gnu::always_inline]] inline void laneRunVectors(LaneGroup& g, int operatorCount, int from, int to, const int32_t* sine)
{
    const uint32_t all = (1u << operatorCount) - 1;
    bool dense = true;
    for (int i = 0; i < operatorCount; ++i) {
        dense = dense && g.modulatorCommon[i] == all;
    }
    if (dense) {
        switch (operatorCount) {
        case 1: laneRunOf<1, Vectors, true, Lookup>(g, from, to, sine); break;
        case 2: laneRunOf<2, Vectors, true, Lookup>(g, from, to, sine); break;
        case 3: laneRunOf<3, Vectors, true, Lookup>(g, from, to, sine); break;
        case 4: laneRunOf<4, Vectors, true, Lookup>(g, from, to, sine); break;
        case 5: laneRunOf<5, Vectors, true, Lookup>(g, from, to, sine); break;
        default: laneRunOf<6, Vectors, true, Lookup>(g, from, to, sine); break;
        }
        return;
    }
    switch (operatorCount) {
    case 1: laneRunOf<1, Vectors, false, Lookup>(g, from, to, sine); break;
    case 2: laneRunOf<2, Vectors, false, Lookup>(g, from, to, sine); break;
    case 3: laneRunOf<3, Vectors, false, Lookup>(g, from, to, sine); break;
    case 4: laneRunOf<4, Vectors, false, Lookup>(g, from, to, sine); break;
    case 5: laneRunOf<5, Vectors, false, Lookup>(g, from, to, sine); break;
    default: laneRunOf<6, Vectors, false, Lookup>(g, from, to, sine); break;
    }
}

template <typename Lookup>
[[gnu::always_inline]] inline void laneRun(LaneGroup& g, int vectors, int operatorCount, int from, int to,
                                           const int32_t* sine)
{
    if (vectors == 1) {
        laneRunVectors<1, Lookup>(g, operatorCount, from, to, sine);
    } else {
        laneRunVectors<laneVectorCount, Lookup>(g, operatorCount, from, to, sine);
    }
}

}  // namespace
}  // namespace quorva

#undef QUORVA_LOAD
#undef QUORVA_STORE
#undef QUORVA_SAR

