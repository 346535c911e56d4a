// Loading and playing large songs: load time for 1,000,000 notes in 16 and in 1,000 tracks,
// and for a song whose ticks wrap; memory per event, and the cost of one timer tick as the
// song grows.
#include "support/player_fixture.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <random>

namespace quorva {
namespace {

// A format 1 song of `notes` notes (a note on and a note off each) spread over `tracks` tracks.
std::vector<uint8_t> bigSong(int notes, int tracks)
{
    std::mt19937 random(42);
    std::vector<testing::TrackBuilder> builders(tracks);
    const int perTrack = notes / tracks;
    for (int t = 0; t < tracks; ++t) {
        auto& track = builders[t];
        const auto channel = static_cast<uint8_t>(t % 16);
        track.event(0, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(t % 128)});
        for (int n = 0; n < perTrack; ++n) {
            const auto key = static_cast<uint8_t>(36 + random() % 60);
            track.event(random() % 60, {static_cast<uint8_t>(0x90 | channel), key, 100});
            track.event(30 + random() % 60, {static_cast<uint8_t>(0x80 | channel), key, 0});
        }
        track.endOfTrack();
    }
    return testing::buildSmf(1, 480, builders);
}

void loadFromFile(benchmark::State& state)
{
    const int tracks = static_cast<int>(state.range(0));
    testing::TempDir dir;
    const auto path = dir.write("big.mid", bigSong(1000000, tracks)).string();
    SmfFile song;
    for (auto _ : state) {
        if (!song.load(path)) {
            state.SkipWithError("load failed");
        }
    }
    state.counters["events"] = static_cast<double>(song.events().size());
    state.counters["bytesPerEvent"] = static_cast<double>(song.memoryBytes()) / static_cast<double>(song.events().size());
}
BENCHMARK(loadFromFile)->Arg(16)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A hostile song: two tracks of `events` events each, the second's tick jumping between the
// start and the far end of the 32-bit range, so that every event of it sorts to the other end
// of what is merged so far.
void loadWrappedTicks(benchmark::State& state)
{
    const int events = static_cast<int>(state.range(0));
    std::vector<testing::TrackBuilder> builders(2);
    for (int i = 0; i < events; ++i) {
        builders[0].event(1, {0x90, 60, 1});
        builders[1].event(i % 2 ? 0x80000000u : 0x80000001u, {0xB0, 7, 1});
    }
    const auto bytes = testing::buildSmf(1, 480, builders);
    SmfFile song;
    for (auto _ : state) {
        if (!song.loadBytes(bytes.data(), bytes.size())) {
            state.SkipWithError("load failed");
        }
    }
    state.counters["events"] = static_cast<double>(song.events().size());
}
BENCHMARK(loadWrappedTicks)->Arg(10000)->Arg(120000)->Unit(benchmark::kMillisecond)->Iterations(3);

// One timer tick while playing: the same cost at the start of a short and a long song.
void tickWhilePlaying(benchmark::State& state)
{
    testing::Player player;
    const auto bytes = bigSong(static_cast<int>(state.range(0)), 16);
    player.loadBytes(bytes);
    player.sequencer.play();
    int ticks = 0;
    for (auto _ : state) {
        player.timer.fire();
        if (++ticks == 2000) {  // stay near the start, where both songs are equally dense
            state.PauseTiming();
            player.sequencer.play();
            ticks = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(tickWhilePlaying)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quorva

BENCHMARK_MAIN();
