// The synthesizer engine and its scheduler under load: frames mixed per second with
// 0 (silent) to 64 voices sounding, and the whole render pass of the stream with queued
// events. x_realtime is seconds of sound per second of CPU; the share of one core that
// real-time playing takes is 1 / x_realtime.
#include "platform/fake/fake_audio.h"
#include "platform/manual_clock.h"
#include "platform/posix_clock.h"
#include "ports/midi_port.h"
#include "synth/fm_synth.h"
#include "synth/fm_synth_port.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>
#include <fstream>
#include <string>
#include <vector>

namespace quorva {
namespace {

// Four-operator tones that hold their level, so that every started voice keeps sounding.
std::string benchTonesPath()
{
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "quorva_bench_fm_synth_tones.dat";
        std::ofstream out(file, std::ios::binary);
        out << "quorvatone 0.7\r\n"
               "tone[0]{ on(4) con(5) lfo{dpt(0.3)}\r\n"
               "  op[0]{ con(2) tl(0.8) al(0.8) }\r\n"
               "  op[1]{ con(2) mul(2.0) ml(0.8) tl(0.6) al(0.6) }\r\n"
               "  op[2]{ con(8) mul(2.0) det(0.07) tl(0.5) al(0.5) }\r\n"
               "  op[3]{ mul(3.0) ml(0.5) tl(0.5) al(0.5) } }\r\n"
               "tonemap{ tone[0]{tn(0)} }\r\n";
        return file.string();
    }();
    return path;
}

void startVoices(FmSynth& synth, int voices)
{
    for (int i = 0; i < voices; ++i) {
        const auto channel = static_cast<uint8_t>(i % 16 == 9 ? 0 : i % 16);
        synth.handleMessage(packShort(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(40 + i), 100));
    }
}

void mixVoices(benchmark::State& state)
{
    const int voices = static_cast<int>(state.range(0));
    FmSynth synth;
    if (!synth.open(64, benchTonesPath())) {
        state.SkipWithError("tones did not load");
        return;
    }
    startVoices(synth, voices);
    std::vector<MixFrame> frames(4410);
    for (auto _ : state) {
        synth.mixBlock(frames.data(), static_cast<uint32_t>(frames.size()));
        benchmark::DoNotOptimize(frames.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frames.size()));
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * frames.size() / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(mixVoices)->Arg(0)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Arg(64)->Unit(benchmark::kMicrosecond);

// The feeder's whole fill: 100 ms halves, 64 voices, a controller event every 5 ms.
void streamFill(benchmark::State& state)
{
    FakeAudioDevice device;
    ManualClock clock(1000000);
    FmSynthPort port(device, clock, std::make_unique<FmSynth>(), benchTonesPath());
    if (!port.openSynth(100, 64, 6)) {
        state.SkipWithError("port did not open");
        return;
    }
    for (int i = 0; i < 64; ++i) {
        const auto channel = static_cast<uint8_t>(i % 16 == 9 ? 0 : i % 16);
        port.sendShort(packShort(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(40 + i), 100));
    }
    for (auto _ : state) {
        const uint32_t now = port.scheduler().stream()->clock();
        for (uint32_t t = 0; t < 100; t += 5) {
            clock.set(now + t);
            port.sendShort(packShort(0xB0, 1, static_cast<uint8_t>(t)));
        }
        clock.set(now);
        device.pump(1);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 4410);
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 4410 / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(streamFill)->Unit(benchmark::kMicrosecond);

// Real-time playing: the feeder asks for a 100 ms half every 100 ms of wall time for 3 s
// while `voices` voices sound; cpu_pct is the process CPU time over the wall time.
void realTimeLoad(benchmark::State& state)
{
    const int voices = static_cast<int>(state.range(0));
    SystemClock clock;
    FakeAudioDevice device;
    FmSynthPort port(device, clock, std::make_unique<FmSynth>(), benchTonesPath());
    if (!port.openSynth(100, 64, 6)) {
        state.SkipWithError("port did not open");
        return;
    }
    for (int i = 0; i < voices; ++i) {
        const auto channel = static_cast<uint8_t>(i % 16 == 9 ? 0 : i % 16);
        port.sendShort(packShort(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(40 + i), 100));
    }
    for (auto _ : state) {
        const auto wallStart = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        auto deadline = wallStart;
        for (int half = 0; half < 30; ++half) {
            deadline += std::chrono::milliseconds(100);
            device.pump(1);
            std::this_thread::sleep_until(deadline);
        }
        const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        state.counters["cpu_pct"] = 100.0 * cpu / wall;
    }
}
BENCHMARK(realTimeLoad)->Arg(0)->Arg(64)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorva

BENCHMARK_MAIN();
