// bench_screen_frame: one frame of the main screen (update pass and draw pass) while a song
// plays, on the NULL port and the manual clock: 16 ms of player ticks run between two frames,
// outside the measured time. Reports the mean per frame and, as counters, the median, the
// 99th percentile and the maximum of the frames of the run, in wall time and in the thread's
// processor time (on a machine shared with other work the wall time also counts the moments
// the thread was not running).
// Each page of the tabs is measured on its own (KB.FULL is the first), and every page again on
// a "black MIDI" song of 1,000,000 notes in 3 minutes that the benchmark writes itself.
//   bench_screen_frame [--song SONG.mid] [benchmark options]
// Without --song it plays the dense 16-channel song that bench_dense_song writes.
#include "render/screen_session.h"

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
std::string blackSongPath;

// A format 1 song of 16 tracks, one per channel, 62,500 notes each (1,000,000 in all) of 48
// ticks over 3 minutes at 120 beats per minute: about 5,600 notes a second.
bool writeBlackSong(const std::string& path)
{
    constexpr uint32_t division = 480;
    constexpr uint32_t lengthTicks = 180 * 2 * division;
    constexpr uint32_t notesPerTrack = 62500;
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 16, division >> 8, division & 0xFF};
    uint32_t seed = 12345;
    for (uint8_t channel = 0; channel < 16; ++channel) {
        struct Event {
            uint32_t tick;
            uint8_t status;
            uint8_t note;
            uint8_t velocity;
        };
        std::vector<Event> events;
        events.reserve(2 * notesPerTrack);
        for (uint32_t i = 0; i < notesPerTrack; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t tick = static_cast<uint32_t>(static_cast<uint64_t>(i) * lengthTicks / notesPerTrack);
            const auto note = static_cast<uint8_t>(channel == 9 ? 35 + (seed >> 24) % 25 : 21 + (seed >> 24) % 88);
            events.push_back({tick, static_cast<uint8_t>(0x90 | channel), note, 100});
            events.push_back({tick + 48, static_cast<uint8_t>(0x80 | channel), note, 0});
        }
        std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
        std::vector<uint8_t> track;
        uint32_t last = 0;
        const auto length = [&track](uint32_t value) {
            uint8_t groups[5];
            int count = 0;
            do {
                groups[count++] = value & 0x7F;
                value >>= 7;
            } while (value != 0);
            while (count-- > 0) {
                track.push_back(static_cast<uint8_t>(groups[count] | (count > 0 ? 0x80 : 0)));
            }
        };
        for (const Event& event : events) {
            length(event.tick - last);
            last = event.tick;
            track.insert(track.end(), {event.status, event.note, event.velocity});
        }
        track.insert(track.end(), {0, 0xFF, 0x2F, 0});
        const auto size = static_cast<uint32_t>(track.size());
        file.insert(file.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                                 static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
        file.insert(file.end(), track.begin(), track.end());
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

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

void mainScreenFrame(benchmark::State& state, uint8_t mode, bool black)
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
    if (!session->open(error) || !session->loadAndPlay(black ? blackSongPath : songPath, error)) {
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

// The pages by their tabs' modes, on the dense song and on the black MIDI song.
#define QUORVA_PAGE_BENCHMARKS(name, mode)                                                                     \
    BENCHMARK_CAPTURE(mainScreenFrame, name, uint8_t{mode}, false)->UseManualTime()->Unit(benchmark::kMicrosecond); \
    BENCHMARK_CAPTURE(mainScreenFrame, black_##name, uint8_t{mode}, true)->UseManualTime()->Unit(benchmark::kMicrosecond)

QUORVA_PAGE_BENCHMARKS(kb_full, 1);
QUORVA_PAGE_BENCHMARKS(kb_half, 2);
QUORVA_PAGE_BENCHMARKS(kb_flow7, 3);
QUORVA_PAGE_BENCHMARKS(kb_flow12, 4);
QUORVA_PAGE_BENCHMARKS(drum_flow, 5);
QUORVA_PAGE_BENCHMARKS(option, 6);

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
    const std::filesystem::path black =
        std::filesystem::temp_directory_path() / ("quorva-black-" + std::to_string(::getpid()) + ".mid");
    if (!writeBlackSong(black.string())) {
        std::fprintf(stderr, "bench_screen_frame: cannot write the black MIDI song\n");
        return 1;
    }
    blackSongPath = black.string();
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!generated.empty()) {
        std::filesystem::remove(generated);
    }
    std::filesystem::remove(black);
    return 0;
}
