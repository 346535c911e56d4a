// Block rendering of one voice, the synthesizer's renderer before the group renderer took
// its place; kept to hold the straight-line idea against the reference in the tests and the
// benchmarks. Between envelope state changes every operator's level moves on a straight
// line, so the samples in between run without the state machine; the samples at which a
// state changes (and the rare ones where a level wraps) take the exact step.
#include "block_voice.h"

#include "synth/fm_voice_sample.h"

namespace quorva::testing {
namespace {

constexpr int chunkSize = 64;

// Operator state copied into locals for a straight-line run.
struct RunState {
    int count = 0;
    int32_t level[toneOperatorCount];
    int32_t delta[toneOperatorCount];
    uint32_t phase[toneOperatorCount];
    uint32_t step[toneOperatorCount];  // increment >> 10
    int32_t modIndex[toneOperatorCount];  // modIndex >> 8
    uint32_t gain[toneOperatorCount];
    int32_t output[toneOperatorCount];
    int modulatorCount[toneOperatorCount];
    uint8_t modulators[toneOperatorCount][toneOperatorCount];
};

void loadRun(const FmVoice& voice, RunState& run)
{
    run.count = static_cast<int>(voice.operatorCount);
    for (int i = 0; i < toneOperatorCount; ++i) {
        const FmOperator& op = voice.operators[i];
        run.level[i] = op.envelope.level;
        run.delta[i] = op.envelope.linearDelta();
        run.phase[i] = op.phase;
        run.step[i] = static_cast<uint32_t>(op.increment) >> 10;
        run.modIndex[i] = op.modIndex >> 8;
        run.gain[i] = static_cast<uint32_t>(op.gain);
        run.output[i] = op.output;
        run.modulatorCount[i] = op.modulatorCount;
        for (int m = 0; m < toneOperatorCount; ++m) {
            run.modulators[i][m] = op.modulators[m];
        }
    }
}

// `samples` samples in which no envelope changes state, for a voice of N operators: with the
// count fixed the loops unroll and the operator outputs stay in registers, which shortens the
// chain of latencies from one operator to the next.
template <int N>
void straightRunOf(FmVoice& voice, const RunState& run, const int32_t* pitchRatio, const int32_t* tremolo, int32_t* out,
                   int samples, const SineTable& sine)
{
    uint32_t level[N];
    uint32_t phase[N];
    uint32_t output[N];
    uint32_t mask[N][N];
    uint32_t carrier[N];
    for (int i = 0; i < N; ++i) {
        level[i] = static_cast<uint32_t>(run.level[i]);
        phase[i] = run.phase[i];
        output[i] = static_cast<uint32_t>(run.output[i]);
        carrier[i] = voice.operators[i].carrier ? ~0u : 0u;
        for (int j = 0; j < N; ++j) {
            mask[i][j] = 0;
        }
        for (int m = 0; m < run.modulatorCount[i]; ++m) {
            mask[i][run.modulators[i][m]] = ~0u;
        }
    }
    auto voiceOut = static_cast<uint32_t>(voice.output);
    const auto velocityGain = static_cast<uint32_t>(voice.velocityGain);
    const auto smoothing = static_cast<uint32_t>(voice.smoothing);
    for (int t = 0; t < samples; ++t) {
        const auto ratio = static_cast<uint32_t>(pitchRatio[t]);
#pragma GCC unroll 6
        for (int i = 0; i < N; ++i) {
            level[i] += static_cast<uint32_t>(run.delta[i]);
            phase[i] += run.step[i] * ratio;
            uint32_t modulation = 0;
#pragma GCC unroll 6
            for (int j = 0; j < N; ++j) {
                modulation += output[j] & mask[i][j];
            }
            const uint32_t index =
                (phase[i] + static_cast<uint32_t>(run.modIndex[i]) * static_cast<uint32_t>(static_cast<int32_t>(modulation) >> 8)) >> 20;
            const uint32_t a = (static_cast<uint32_t>(static_cast<int32_t>(level[i]) >> 20) * run.gain[i]) >> 10;
            output[i] = static_cast<uint32_t>(sine[index] >> 14) * ((a * a) >> 12);
        }
        uint32_t sum = 0;
#pragma GCC unroll 6
        for (int i = 0; i < N; ++i) {
            sum += output[i] & carrier[i];
        }
        const uint32_t scaled = velocityGain * static_cast<uint32_t>(static_cast<int32_t>(sum) >> 8);
        const auto x = static_cast<uint32_t>(
            static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(scaled) >> 9) * static_cast<uint32_t>(tremolo[t])) >> 6);
        voiceOut += static_cast<uint32_t>(static_cast<int32_t>((x - voiceOut) * smoothing) >> 4);
        out[t] = static_cast<int32_t>(voiceOut);
    }
    voice.output = static_cast<int32_t>(voiceOut);
    voice.pitchRatio = pitchRatio[samples - 1];
    for (int i = 0; i < N; ++i) {
        FmOperator& op = voice.operators[i];
        op.envelope.level = static_cast<int32_t>(level[i]);
        op.phase = phase[i];
        op.output = static_cast<int32_t>(output[i]);
        if (op.envelope.state == EnvelopeState::Delay) {
            op.envelope.delayCounter = wrapAdd(op.envelope.delayCounter, samples);
        }
    }
}

void straightRun(FmVoice& voice, const int32_t* pitchRatio, const int32_t* tremolo, int32_t* out, int samples,
                 const SineTable& sine)
{
    RunState run;
    loadRun(voice, run);
    switch (run.count) {
    case 1: straightRunOf<1>(voice, run, pitchRatio, tremolo, out, samples, sine); break;
    case 2: straightRunOf<2>(voice, run, pitchRatio, tremolo, out, samples, sine); break;
    case 3: straightRunOf<3>(voice, run, pitchRatio, tremolo, out, samples, sine); break;
    case 4: straightRunOf<4>(voice, run, pitchRatio, tremolo, out, samples, sine); break;
    case 5: straightRunOf<5>(voice, run, pitchRatio, tremolo, out, samples, sine); break;
    default: straightRunOf<6>(voice, run, pitchRatio, tremolo, out, samples, sine); break;
    }
}

}  // namespace

bool renderVoiceBlock(FmVoice& voice, const VoiceControls& controls, int32_t* out, int count)
{
    const FmTables& tables = buildTables();
    const SineTable& sine = tables.sineTable;
    int32_t pitchRatio[chunkSize];
    int32_t tremolo[chunkSize];
    for (int start = 0; start < count; start += chunkSize) {
        const int length = count - start < chunkSize ? count - start : chunkSize;
        for (int t = 0; t < length; ++t) {
            voice.lfo.step(controls.modulation, controls.bend, tables, pitchRatio[t], tremolo[t]);
        }
        int t = 0;
        while (t < length) {
            const int64_t next = voiceStepsToStateChange(voice);
            if (next > 1) {
                const int samples = next - 1 < length - t ? static_cast<int>(next - 1) : length - t;
                straightRun(voice, pitchRatio + t, tremolo + t, out + start + t, samples, sine);
                t += samples;
                continue;
            }
            if (!exactSample(voice, pitchRatio[t], tremolo[t], sine)) {
                out[start + t] = voice.output;
                for (int rest = start + t + 1; rest < count; ++rest) {
                    out[rest] = 0;
                }
                return false;
            }
            out[start + t] = voice.output;
            ++t;
        }
    }
    return true;
}

}  // namespace quorva::testing
