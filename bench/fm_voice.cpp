// Rendering speed of the FM voice engine: output samples per second for 8 to 64 sounding
// six-operator voices with a full modulation matrix (every operator modulated by all six,
// feedback included) and a running LFO. Real time is 44100 samples per second.
#include <benchmark/benchmark.h>

#include <vector>

#include "synth/fm_voice.h"
#include "synth/block_voice.h"
#include "synth/tone_record.h"

namespace {

using namespace quorva;

// A plain two-operator tone (one modulator on one carrier) without vibrato.
Tone twoOperatorTone()
{
    Tone tone;
    initTone(tone);
    tone.operatorCount = 2;
    tone.carrierMask = 1;
    setModulatorMask(tone.operators[0], 2);
    for (int i = 0; i < 2; ++i) {
        setToneValue(tone.operators[i], ToneValue::peakLevel, 0.8);
        setToneValue(tone.operators[i], ToneValue::decay1Level, 0.7);
        setToneValue(tone.operators[i], ToneValue::decay1Rate, 0.3);
        setToneValue(tone.operators[i], ToneValue::decay2Level, 0.6);
        setToneValue(tone.operators[i], ToneValue::decay3Rate, 30.0);
    }
    compileTone(tone);
    return tone;
}

Tone fullMatrixTone()
{
    Tone tone;
    initTone(tone);
    tone.operatorCount = 6;
    tone.carrierMask = 0x21;
    setLfoDepth(tone, 0.5);
    for (int i = 0; i < toneOperatorCount; ++i) {
        ToneOperator& op = tone.operators[i];
        setModulatorMask(op, 63);
        setToneValue(op, ToneValue::multiple, 1.0 + i);
        setToneValue(op, ToneValue::modIndex, 0.3);
        setToneValue(op, ToneValue::peakLevel, 1.0);
        setToneValue(op, ToneValue::attack2Rate, 0.01 * (i + 1));
        setToneValue(op, ToneValue::decay1Level, 0.8);
        setToneValue(op, ToneValue::decay1Rate, 0.2);
        setToneValue(op, ToneValue::decay2Level, 0.6);
        setToneValue(op, ToneValue::decay2Rate, 0.5);
        setToneValue(op, ToneValue::decay3Rate, 30.0);  // sounds for the whole run
    }
    compileTone(tone);
    return tone;
}

// All voices start together (a chord: their LFOs run in step); with `stagger` voice i is
// started i * stagger samples before the others, so that every LFO has a phase of its own.
void startVoices(std::vector<FmVoice>& voices, const Tone& tone, int stagger = 0)
{
    VoiceControls controls;
    std::vector<int32_t> scratch(static_cast<std::size_t>(stagger) * voices.size() + 1);
    for (std::size_t i = 0; i < voices.size(); ++i) {
        voices[i] = FmVoice{};
        const auto note = static_cast<uint32_t>(36 + (i * 7) % 48);
        initVoice(voices[i], nullptr, controls, note, note, 100, 64, tone);
        testing::renderVoiceBlock(voices[i], controls, scratch.data(), stagger * static_cast<int>(i));
    }
}

// Samples per second as multiples of real time, and the cost of one operator-sample.
void reportRates(benchmark::State& state, int blockSize, std::size_t voices, int operators)
{
    state.SetItemsProcessed(state.iterations() * blockSize);
    state.counters["realtime_x"] = benchmark::Counter(static_cast<double>(state.iterations()) * blockSize / 44100.0,
                                                      benchmark::Counter::kIsRate);
    state.counters["ns_per_op_sample"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * blockSize * static_cast<double>(voices) * operators,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Blocks of 256 samples per voice, as the channel layer renders between queued events.
void blockRendering(benchmark::State& state)
{
    const Tone tone = fullMatrixTone();
    std::vector<FmVoice> voices(static_cast<std::size_t>(state.range(0)));
    startVoices(voices, tone);
    VoiceControls controls;
    controls.modulation = 20;
    constexpr int blockSize = 256;
    std::vector<int32_t> out(blockSize);
    int64_t rendered = 0;
    for (auto _ : state) {
        for (auto& voice : voices) {
            testing::renderVoiceBlock(voice, controls, out.data(), blockSize);
            benchmark::DoNotOptimize(out.data());
        }
        rendered += blockSize;
        if (rendered > 44100 * 20) {  // keep the envelopes in their sounding stages
            state.PauseTiming();
            startVoices(voices, tone);
            rendered = 0;
            state.ResumeTiming();
        }
    }
    reportRates(state, blockSize, voices.size(), 6);
}

// All voices together, sixteen side by side (the fastest path).
void groupRenderingOf(benchmark::State& state, const Tone& tone, int32_t modulation, int operators, int stagger = 0)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<FmVoice> voices(count);
    startVoices(voices, tone, stagger);
    VoiceControls controls;
    controls.modulation = modulation;
    constexpr int blockSize = 256;
    std::vector<std::vector<int32_t>> buffers(count, std::vector<int32_t>(blockSize));
    std::vector<FmVoice*> pointers;
    std::vector<const VoiceControls*> controlPointers(count, &controls);
    std::vector<int32_t*> outs;
    for (std::size_t i = 0; i < count; ++i) {
        pointers.push_back(&voices[i]);
        outs.push_back(buffers[i].data());
    }
    std::vector<char> alive(count);
    int64_t rendered = 0;
    for (auto _ : state) {
        renderVoiceGroup(pointers.data(), controlPointers.data(), outs.data(), reinterpret_cast<bool*>(alive.data()),
                         static_cast<int>(count), blockSize);
        benchmark::DoNotOptimize(outs.data());
        rendered += blockSize;
        if (rendered > 44100 * 20) {
            state.PauseTiming();
            startVoices(voices, tone, stagger);
            rendered = 0;
            state.ResumeTiming();
        }
    }
    reportRates(state, blockSize, count, operators);
}

void groupRendering(benchmark::State& state) { groupRenderingOf(state, fullMatrixTone(), 20, 6); }

// The same voices started 37 samples apart: no two LFOs in step.
void groupRenderingStaggered(benchmark::State& state) { groupRenderingOf(state, fullMatrixTone(), 20, 6, 37); }

// Everyday material: two-operator voices, modulation wheel at rest.
void groupRenderingTwoOperators(benchmark::State& state) { groupRenderingOf(state, twoOperatorTone(), 0, 2); }

// The plain per-sample path, for comparison.
void sampleRendering(benchmark::State& state)
{
    const Tone tone = fullMatrixTone();
    std::vector<FmVoice> voices(static_cast<std::size_t>(state.range(0)));
    startVoices(voices, tone);
    VoiceControls controls;
    controls.modulation = 20;
    int64_t rendered = 0;
    for (auto _ : state) {
        for (auto& voice : voices) {
            renderVoice(voice, controls);
        }
        benchmark::DoNotOptimize(voices.data());
        if (++rendered > 44100 * 20) {
            state.PauseTiming();
            startVoices(voices, tone);
            rendered = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 44100.0, benchmark::Counter::kIsRate);
    state.counters["ns_per_op_sample"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(voices.size()) * 6,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(blockRendering)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Arg(64);
BENCHMARK(groupRendering)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Arg(64);
BENCHMARK(groupRenderingStaggered)->Arg(16)->Arg(64);
BENCHMARK(groupRenderingTwoOperators)->Arg(64);
BENCHMARK(sampleRendering)->Arg(8)->Arg(64);
BENCHMARK_MAIN();
