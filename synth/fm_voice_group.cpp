// Several voices rendered side by side, up to sixteen to a group, one voice per lane. Within a sample
// the operators of one voice depend on each other in a chain, so a single voice keeps the
// processor waiting on latencies; independent lanes fill those waits and vectorise (AVX2
// where the processor has it). Each lane runs straight-line envelope segments; a lane
// whose envelope changes state in a sample is written back to its voice, takes the exact
// step there and is loaded again.
#include "synth/fm_voice.h"
#include "synth/fm_voice_lanes.h"
#include "synth/fm_voice_sample.h"

namespace quorva {
namespace {

constexpr int chunkSize = laneChunkSize;
constexpr int ops = toneOperatorCount;

struct Lanes {
    FmVoice* voice[laneCount] = {};
    const VoiceControls* controls[laneCount] = {};
    int32_t* out[laneCount] = {};
    bool live[laneCount] = {};
    int loadedAt[laneCount] = {};   // sample at which the lane's straight run began
    int64_t straight[laneCount] = {};  // samples left before the next exact step
    int operatorCount = 0;
    int vectors = 0;  // vectors of lanes the kernels run
    int chunkStart = 0;
};

void loadLane(LaneGroup& group, Lanes& lanes, int l, int at)
{
    const FmVoice& voice = *lanes.voice[l];
    for (int i = 0; i < ops; ++i) {
        const FmOperator& op = voice.operators[i];
        const bool used = static_cast<uint32_t>(i) < voice.operatorCount;
        group.level[i][l] = used ? static_cast<uint32_t>(op.envelope.level) : 0;
        group.delta[i][l] = used ? static_cast<uint32_t>(op.envelope.linearDelta()) : 0;
        group.phase[i][l] = op.phase;
        group.step[i][l] = static_cast<uint32_t>(op.increment) >> 10;
        group.modIndex[i][l] = static_cast<uint32_t>(op.modIndex >> 8);
        group.gain[i][l] = static_cast<uint32_t>(op.gain);
        group.output[i][l] = static_cast<uint32_t>(op.output);
        group.carrier[i][l] = used && op.carrier ? ~0u : 0u;
        group.modulatorBits[i][l] = 0;
        for (int j = 0; j < ops; ++j) {
            group.modulates[i][j][l] = 0;
        }
        for (uint8_t m = 0; used && m < op.modulatorCount; ++m) {
            group.modulates[i][op.modulators[m]][l] = ~0u;
            group.modulatorBits[i][l] |= static_cast<uint8_t>(1u << op.modulators[m]);
        }
    }
    group.voiceOutput[l] = static_cast<uint32_t>(voice.output);
    group.velocityGain[l] = static_cast<uint32_t>(voice.velocityGain);
    group.smoothing[l] = static_cast<uint32_t>(voice.smoothing);
    lanes.loadedAt[l] = at;
    lanes.straight[l] = voiceStepsToStateChange(voice) - 1;
}

// A lane without a voice in a vector the kernels run: silent, and every value defined.
void clearLane(LaneGroup& g, int l)
{
    for (int i = 0; i < ops; ++i) {
        g.level[i][l] = g.delta[i][l] = g.phase[i][l] = g.step[i][l] = 0;
        g.modIndex[i][l] = g.gain[i][l] = g.output[i][l] = g.carrier[i][l] = 0;
        g.modulatorBits[i][l] = 0;
        for (int j = 0; j < ops; ++j) {
            g.modulates[i][j][l] = 0;
        }
    }
    g.voiceOutput[l] = g.velocityGain[l] = g.smoothing[l] = 0;
    g.lfoPhase[l] = g.lfoStep[l] = g.lfoState[l] = g.lfoCounter[l] = g.lfoDelay[l] = 0;
    g.lfoFade[l] = g.lfoFadeStep[l] = g.lfoFadeMax[l] = 0;
    g.modulationDepth[l] = g.pitchPosition[l] = g.pitchModScale[l] = g.ampModScale[l] = 0;
}

// Which modulators every lane shares (after lanes reload): when all operators modulate all
// in every lane, the kernel sums without masks.
void updateModulatorCommon(LaneGroup& group, int used)
{
    for (int i = 0; i < ops; ++i) {
        uint32_t every = ~0u;  // idle lanes are silent whatever they sum
        for (int l = 0; l < used; ++l) {
            every &= group.modulatorBits[i][l];
        }
        group.modulatorCommon[i] = every;
    }
}

// The lane whose LFO values lane l reads.
int lfoLane(const LaneGroup& g, int l)
{
    return static_cast<int>(g.lfoSource[l / laneVectorWidth]) * laneVectorWidth + static_cast<int>(g.lfoSlot[l]);
}

void storeLane(const LaneGroup& group, Lanes& lanes, int l, int at)
{
    FmVoice& voice = *lanes.voice[l];
    const int32_t samples = at - lanes.loadedAt[l];
    for (uint32_t i = 0; i < voice.operatorCount; ++i) {
        FmOperator& op = voice.operators[i];
        op.envelope.level = static_cast<int32_t>(group.level[i][l]);
        op.phase = group.phase[i][l];
        op.output = static_cast<int32_t>(group.output[i][l]);
        if (op.envelope.state == EnvelopeState::Delay) {
            op.envelope.delayCounter = wrapAdd(op.envelope.delayCounter, samples);
        }
    }
    voice.output = static_cast<int32_t>(group.voiceOutput[l]);
    if (samples > 0 && at - 1 >= lanes.chunkStart) {
        voice.pitchRatio = static_cast<int32_t>(group.pitchRatio[(at - 1) % chunkSize][lfoLane(group, l)]);
    }
    lanes.loadedAt[l] = at;
}

// One sample of every lane on straight envelope segments; t indexes the chunk's LFO values.
using RunFunction = void (*)(LaneGroup&, int, int, int, int, const int32_t*);
using LfoFunction = void (*)(LaneGroup&, int, int, const LaneTables&);

struct Kernels {
    RunFunction run = runLanesGeneric;
    LfoFunction lfo = lfoLanesGeneric;
};

Kernels chooseKernels()
{
    Kernels kernels;
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx2")) {
        kernels.run = runLanesAvx2;
        kernels.lfo = lfoLanesAvx2;
    }
#endif
    return kernels;
}

void loadLfo(LaneGroup& g, const FmVoice& voice, const VoiceControls& controls, int l)
{
    const FmLfo& lfo = voice.lfo;
    g.lfoPhase[l] = lfo.phase;
    g.lfoStep[l] = lfo.phaseStep;
    g.lfoState[l] = static_cast<uint32_t>(lfo.state);
    g.lfoCounter[l] = static_cast<uint32_t>(lfo.counter);
    g.lfoDelay[l] = static_cast<uint32_t>(lfo.delay);
    g.lfoFade[l] = static_cast<uint32_t>(lfo.fade);
    g.lfoFadeStep[l] = static_cast<uint32_t>(lfo.fadeStep);
    g.lfoFadeMax[l] = static_cast<uint32_t>(lfo.fadeMax);
    g.modulationDepth[l] = static_cast<uint32_t>(controls.modulation) * 256u;
    g.pitchPosition[l] = static_cast<uint32_t>(controls.bend) + 0x8000u;
    g.pitchModScale[l] = static_cast<uint32_t>(lfo.pitchModDepth >> 15);
    g.ampModScale[l] = static_cast<uint32_t>(lfo.ampModDepth >> 15);
}

void storeLfo(const LaneGroup& g, FmVoice& voice, int l)
{
    voice.lfo.phase = g.lfoPhase[l];
    voice.lfo.state = static_cast<LfoState>(g.lfoState[l]);
    voice.lfo.counter = static_cast<int32_t>(g.lfoCounter[l]);
    voice.lfo.fade = static_cast<int32_t>(g.lfoFade[l]);
}

// Lanes whose LFO state and controls are equal (voices of one tone started together on one
// channel, as in a chord) give equal LFO values for the whole call. While shared, each such
// state is held once, in lanes 0..slots-1, and the LFO kernel runs over one vector instead of
// two; the run kernel and the exact steps read each lane's values through lfoSource/lfoSlot.
struct LfoSharing {
    bool shared = false;
    int slots = 0;
    int slot[laneCount] = {};  // the slot holding each lane's state
};

uint32_t* lfoFields(LaneGroup& g, int field)
{
    uint32_t* const fields[] = {g.lfoPhase, g.lfoStep,        g.lfoState,      g.lfoCounter,
                                g.lfoDelay, g.lfoFade,        g.lfoFadeStep,   g.lfoFadeMax,
                                g.modulationDepth, g.pitchPosition, g.pitchModScale, g.ampModScale};
    return fields[field];
}
constexpr int lfoFieldCount = 12;

bool sameLfo(LaneGroup& g, int a, int b)
{
    for (int f = 0; f < lfoFieldCount; ++f) {
        const uint32_t* field = lfoFields(g, f);
        if (field[a] != field[b]) {
            return false;
        }
    }
    return true;
}

// Finds the distinct states and, when they fit one vector of a group of two, moves them to
// the first lanes; sets where each lane reads its LFO values.
LfoSharing shareLfo(LaneGroup& g, int used, int vectors)
{
    LfoSharing sharing;
    int source[laneCount] = {};  // the first lane of each distinct state, increasing
    for (int l = 0; l < used; ++l) {
        int k = 0;
        while (k < sharing.slots && !sameLfo(g, source[k], l)) {
            ++k;
        }
        if (k == sharing.slots) {
            source[sharing.slots++] = l;
        }
        sharing.slot[l] = k;
    }
    sharing.shared = sharing.slots <= laneVectorWidth && vectors > 1;
    for (int v = 0; v < laneVectorCount; ++v) {
        g.lfoSource[v] = sharing.shared ? 0 : static_cast<uint32_t>(v);
    }
    for (int l = 0; l < laneCount; ++l) {
        g.lfoSlot[l] = static_cast<uint32_t>(sharing.shared ? sharing.slot[l] : l % laneVectorWidth);
    }
    if (sharing.shared) {
        for (int k = 0; k < sharing.slots; ++k) {  // source[k] >= k, and later sources lie beyond
            for (int f = 0; f < lfoFieldCount; ++f) {
                lfoFields(g, f)[k] = lfoFields(g, f)[source[k]];
            }
        }
    }
    return sharing;  // idle lanes keep slot 0
}

// Each lane's value from its slot, in the `lanes` first lanes of one field of the LFO state.
void spreadState(uint32_t* row, const LfoSharing& sharing, int lanes)
{
    uint32_t held[laneCount];
    for (int k = 0; k < sharing.slots; ++k) {
        held[k] = row[k];
    }
    for (int l = 0; l < lanes; ++l) {
        row[l] = held[sharing.slot[l]];
    }
}

void finishLane(Lanes& lanes, int l, int t, int count)
{
    lanes.out[l][t] = lanes.voice[l]->output;
    for (int rest = t + 1; rest < count; ++rest) {
        lanes.out[l][rest] = 0;
    }
    lanes.live[l] = false;
}

// The kernel's outputs of samples [from, to) of the chunk into the live lanes' buffers.
void emitSamples(const LaneGroup& g, const Lanes& lanes, int used, int from, int to)
{
    for (int l = 0; l < used; ++l) {
        if (!lanes.live[l]) {
            continue;
        }
        int32_t* out = lanes.out[l] + lanes.chunkStart;
        for (int t = from; t < to; ++t) {
            out[t] = static_cast<int32_t>(g.sampleOutput[t][l]);
        }
    }
}

void renderGroup(LaneGroup& g, Lanes& lanes, int used, int count, bool* alive, const Kernels& kernels)
{
    const RunFunction run = kernels.run;
    const FmTables& tables = buildTables();
    const SineTable& sine = tables.sineTable;
    const LaneTables laneTables{sine.data(), tables.semitoneTable.data(), tables.fineTable.data()};
    for (int l = 0; l < used; ++l) {
        loadLane(g, lanes, l, 0);
        loadLfo(g, *lanes.voice[l], *lanes.controls[l], l);
    }
    for (int l = used; l < lanes.vectors * laneVectorWidth; ++l) {
        clearLane(g, l);
    }
    updateModulatorCommon(g, used);
    const LfoSharing sharing = shareLfo(g, used, lanes.vectors);
    for (int start = 0; start < count; start += chunkSize) {
        const int length = count - start < chunkSize ? count - start : chunkSize;
        lanes.chunkStart = start;
        kernels.lfo(g, sharing.shared ? 1 : lanes.vectors, length, laneTables);
        int t = 0;
        while (t < length) {
            // Run straight up to the first lane that needs an exact step.
            int64_t straight = length - t;
            bool anyLive = false;
            for (int l = 0; l < used; ++l) {
                anyLive = anyLive || lanes.live[l];
                if (lanes.live[l] && lanes.straight[l] < straight) {
                    straight = lanes.straight[l];
                }
            }
            if (!anyLive) {
                return;  // every lane has ended and written its zeros
            }
            if (straight > 0) {
                run(g, lanes.vectors, lanes.operatorCount, t, t + static_cast<int>(straight), sine.data());
                emitSamples(g, lanes, used, t, t + static_cast<int>(straight));
                for (int l = 0; l < used; ++l) {
                    lanes.straight[l] -= straight;
                }
                t += static_cast<int>(straight);
                continue;
            }
            // At least one lane takes its exact step in sample t; the others run straight.
            for (int l = 0; l < used; ++l) {
                if (lanes.live[l] && lanes.straight[l] == 0) {
                    storeLane(g, lanes, l, start + t);
                }
            }
            run(g, lanes.vectors, lanes.operatorCount, t, t + 1, sine.data());
            emitSamples(g, lanes, used, t, t + 1);
            bool reloaded = false;
            for (int l = 0; l < used; ++l) {
                if (!lanes.live[l]) {
                    continue;
                }
                if (lanes.straight[l] > 0) {
                    --lanes.straight[l];
                    continue;
                }
                FmVoice& voice = *lanes.voice[l];
                const int from = lfoLane(g, l);
                if (!exactSample(voice, static_cast<int32_t>(g.pitchRatio[t][from]), static_cast<int32_t>(g.tremolo[t][from]),
                                 sine)) {
                    finishLane(lanes, l, start + t, count);
                    alive[l] = false;
                    continue;
                }
                lanes.out[l][start + t] = voice.output;
                loadLane(g, lanes, l, start + t + 1);
                reloaded = true;
            }
            if (reloaded) {
                updateModulatorCommon(g, used);
            }
            ++t;
        }
    }
    if (sharing.shared) {
        for (int f = 0; f < lfoFieldCount; ++f) {
            spreadState(lfoFields(g, f), sharing, used);
        }
    }
    for (int l = 0; l < used; ++l) {
        if (lanes.live[l]) {
            storeLane(g, lanes, l, count);
            storeLfo(g, *lanes.voice[l], l);
        }
    }
}

}  // namespace

void renderVoiceGroup(FmVoice* const* voices, const VoiceControls* const* controls, int32_t* const* outs, bool* alive,
                      int voiceCount, int count, VoiceKernel kernel)
{
    static const Kernels best = chooseKernels();
    const Kernels kernels = kernel == VoiceKernel::Best ? best : Kernels{};
    LaneGroup group;  // every lane the kernels run is loaded or cleared before use
    for (int first = 0; first < voiceCount; first += laneCount) {
        const int used = voiceCount - first < laneCount ? voiceCount - first : laneCount;
        Lanes lanes;
        for (int l = 0; l < used; ++l) {
            lanes.voice[l] = voices[first + l];
            lanes.controls[l] = controls[first + l];
            lanes.out[l] = outs[first + l];
            lanes.live[l] = true;
            alive[first + l] = true;
            const int n = static_cast<int>(voices[first + l]->operatorCount);
            lanes.operatorCount = n > lanes.operatorCount ? n : lanes.operatorCount;
        }
        for (int l = used; l < laneCount; ++l) {
            lanes.live[l] = false;
        }
        lanes.vectors = (used + laneVectorWidth - 1) / laneVectorWidth;
        renderGroup(group, lanes, used, count, alive + first, kernels);
    }
}

}  // namespace quorva
