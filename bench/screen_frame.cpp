// bench_screen_frame: one frame of the main screen (update pass and draw pass) while a song
// plays, on the NULL port and the manual clock: 16 ms of player ticks run between two frames,
// outside the measured time. Reports the mean per frame and, as counters, the median, the
// 99th percentile and the maximum of the frames of the run, in wall time and in the thread's
// processor time (on a machine shared with other work the wall time also counts the moments
// the thread was not running).
//   bench_screen_frame [--song SONG.mid] [benchmark options]
// Without --song it plays the dense 16-channel song that bench_dense_song writes.
#include "tools/screen_session.h"

#if QUORVA_BENCH_TTF
#include "platform/ttf_text.h"
#endif

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string songPath;

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void report(benchmark::State& state, const std::string& prefix, std::vector<double>& frames)
{
    if (frames.empty()) {
        return;
    }
    std::sort(frames.begin(), frames.end());
    state.counters[prefix + "median_us"] = frames[frames.size() / 2] * 1e6;
    state.counters[prefix + "p99_us"] = frames[std::min(frames.size() - 1, frames.size() * 99 / 100)] * 1e6;
    state.counters[prefix + "max_us"] = frames.back() * 1e6;
}

std::filesystem::path executableDirectory()
{
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
}

void mainScreenFrame(benchmark::State& state, uint8_t mode)
{
    std::unique_ptr<quorva::TextRenderer> text;
#if QUORVA_BENCH_TTF
    auto ttf = std::make_unique<quorva::TtfTextRenderer>();
    if (ttf->open()) {
        text = std::move(ttf);
    }
#endif
    auto session = std::make_unique<quorva::ScreenSession>(executableDirectory().string(), text.get());
    std::string error;
    if (!session->open(error) || !session->loadAndPlay(songPath, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    session->mainScreen.setMode(mode);
    // Into the song, where every channel has notes sounding.
    uint32_t now = 20000;
    session->runUntil(now);
    std::vector<double> frames;
    std::vector<double> cpuFrames;
    frames.reserve(1 << 20);
    cpuFrames.reserve(1 << 20);
    for (auto _ : state) {
        now += quorva::ScreenSession::framePeriodMs;
        while (session->nowMs() + quorva::Sequencer::tickPeriodMs <= now) {
            session->clock.advance(quorva::Sequencer::tickPeriodMs);
            session->timer.fire();
        }
        if (!session->sequencer.playing()) {
            session->sequencer.play();
        }
        session->clock.set(now);
        const double cpuStart = threadSeconds();
        const auto start = std::chrono::steady_clock::now();
        session->mainScreen.update();
        session->mainScreen.draw();
        const auto end = std::chrono::steady_clock::now();
        const double cpuEnd = threadSeconds();
        const double seconds = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(seconds);
        frames.push_back(seconds);
        cpuFrames.push_back(cpuEnd - cpuStart);
    }
    report(state, "wall_", frames);
    report(state, "cpu_", cpuFrames);
}

}  // namespace

// Mode 1: the page body shows the panel until the pages are registered.
BENCHMARK_CAPTURE(mainScreenFrame, playing, uint8_t{1})->UseManualTime()->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--song" && i + 1 < argc) {
            songPath = argv[++i];
        } else {
            rest.push_back(argv[i]);
        }
    }
    std::filesystem::path generated;
    if (songPath.empty()) {
        generated = std::filesystem::temp_directory_path() / ("quorva-dense-" + std::to_string(::getpid()) + ".mid");
        const std::string command = (executableDirectory() / "bench_dense_song").string() + " '" + generated.string() + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "bench_screen_frame: cannot write the dense song with bench_dense_song\n");
            return 1;
        }
        songPath = generated.string();
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!generated.empty()) {
        std::filesystem::remove(generated);
    }
    return 0;
}
