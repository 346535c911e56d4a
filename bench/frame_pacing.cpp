// Frame pacing of FpsTimer on the real clock at 60 frames per second: how far each frame's
// start lands from its ideal time, and how much processor time the waiting costs. The
// "SpinOnly" variant waits the way a pure busy-wait would, for comparison.
#include "app/fps_timer.h"
#include "app/sleeper.h"
#include "platform/posix_clock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

namespace quorva {
namespace {

// Never gives the processor away: every wait becomes a busy loop over the clock.
class SpinOnlySleeper final : public Sleeper {
public:
    void sleepMs(uint32_t) override {}
    void spinPause() override {}
};

void runFrames(benchmark::State& state, Sleeper& sleeper, uint32_t frameSleepMs)
{
    constexpr int frames = 180;
    constexpr double periodMs = 1000.0 / 60.0;
    SystemClock clock;
    ThreadSleeper frameSleeper;
    for (auto _ : state) {
        FpsTimer timer(clock, sleeper);
        timer.setLimit(60.0);
        timer.start();
        std::vector<double> ends;
        ends.reserve(frames);
        const std::clock_t cpuStart = std::clock();
        const auto wallStart = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) {
            if (frameSleepMs != 0) {
                frameSleeper.sleepMs(frameSleepMs);
            }
            timer.frame();
            ends.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count());
        }
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const double wallMs = ends.back();
        // The ideal end of frame i is (i + 1) periods after start, give or take the clock's
        // whole milliseconds; the error is measured against the mean offset.
        std::vector<double> offsets;
        for (int i = 0; i < frames; ++i) {
            offsets.push_back(ends[i] - (i + 1) * periodMs);
        }
        double mean = 0.0;
        for (double o : offsets) {
            mean += o;
        }
        mean /= frames;
        std::vector<double> errors;
        for (double o : offsets) {
            errors.push_back(std::abs(o - mean));
        }
        std::sort(errors.begin(), errors.end());
        double meanError = 0.0;
        for (double e : errors) {
            meanError += e;
        }
        state.counters["cpu_percent"] = 100.0 * cpuMs / wallMs;
        state.counters["pacing_error_mean_ms"] = meanError / frames;
        state.counters["pacing_error_p50_ms"] = errors[errors.size() / 2];
        state.counters["pacing_error_p99_ms"] = errors[errors.size() * 99 / 100];
        state.counters["pacing_error_max_ms"] = errors.back();
        state.counters["fps"] = frames * 1000.0 / wallMs;
    }
}

// Arguments: the frame loop's per-frame sleep (ms), and the pause between clock readings in
// the last stretch (microseconds; 0 = a pure spin that only yields).
void BM_FramePacing_SleepThenSpin(benchmark::State& state)
{
    ThreadSleeper sleeper(static_cast<uint32_t>(state.range(1)));
    runFrames(state, sleeper, static_cast<uint32_t>(state.range(0)));
}

void BM_FramePacing_SpinOnly(benchmark::State& state)
{
    SpinOnlySleeper sleeper;
    runFrames(state, sleeper, static_cast<uint32_t>(state.range(0)));
}

BENCHMARK(BM_FramePacing_SleepThenSpin)->Args({1, 100})->Args({1, 0})->Args({0, 100})->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FramePacing_SpinOnly)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorva

BENCHMARK_MAIN();
