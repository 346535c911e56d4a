// Block rendering of one voice. Between envelope state changes every operator's level moves
// on a straight line, so the samples in between run without the state machine; the samples
// at which a state changes (and the rare ones where a level wraps) take the exact step.
#include "synth/fm_voice.h"
#include "synth/fm_voice_sample.h"

namespace quorva {
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
        run.level[i] = op.level;
        run.delta[i] = linearDelta(op);
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

void storeRun(FmVoice& voice, const RunState& run, int samples)
{
    for (int i = 0; i < run.count; ++i) {
        FmOperator& op = voice.operators[i];
        op.level = run.level[i];
        op.phase = run.phase[i];
        op.output = run.output[i];
        if (op.state == EnvelopeState::Delay) {
            op.delayCounter = wrapAdd(op.delayCounter, samples);
        }
    }
}

// `samples` samples in which no envelope changes state.
void straightRun(FmVoice& voice, const int32_t* pitchRatio, const int32_t* tremolo, int32_t* out, int samples,
                 const SineTable& sine)
{
    RunState run;
    loadRun(voice, run);
    for (int t = 0; t < samples; ++t) {
        const auto ratio = static_cast<uint32_t>(pitchRatio[t]);
        for (int i = 0; i < run.count; ++i) {
            run.level[i] = wrapAdd(run.level[i], run.delta[i]);
            run.phase[i] += run.step[i] * ratio;
            // Scalar on purpose: loading outputs just stored as vectors stalls store forwarding.
            uint32_t modulation = 0;
            for (int m = 0; m < run.modulatorCount[i]; ++m) {
                modulation += static_cast<uint32_t>(run.output[run.modulators[i][m]]);
            }
            const uint32_t index =
                (run.phase[i] + static_cast<uint32_t>(wrapMul(run.modIndex[i], static_cast<int32_t>(modulation) >> 8))) >> 20;
            const uint32_t a = (static_cast<uint32_t>(run.level[i] >> 20) * run.gain[i]) >> 10;
            run.output[i] = static_cast<int32_t>(static_cast<uint32_t>(sine[index] >> 14) * ((a * a) >> 12));
        }
        for (int i = 0; i < run.count; ++i) {
            voice.operators[i].output = run.output[i];
        }
        voiceOutput(voice, tremolo[t]);
        out[t] = voice.output;
    }
    voice.pitchRatio = pitchRatio[samples - 1];
    storeRun(voice, run, samples);
}

int64_t samplesToNextChange(const FmVoice& voice)
{
    if (voice.endedCarriers >= voice.carrierCount) {
        return 1;
    }
    int64_t next = neverChanges;
    for (uint32_t i = 0; i < voice.operatorCount; ++i) {
        const int64_t k = stepsToStateChange(voice.operators[i]);
        next = k < next ? k : next;
    }
    return next;
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
            stepLfo(voice, controls, tables, pitchRatio[t], tremolo[t]);
        }
        int t = 0;
        while (t < length) {
            const int64_t next = samplesToNextChange(voice);
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

}  // namespace quorva
