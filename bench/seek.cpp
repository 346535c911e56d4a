// The cost of a seek: the chase folds every event before the target, so it grows with the
// part of the song skipped. Run on the 1,000,000-note song:
//   bench_dense_song --notes 1000000 --tracks 16 --notes-per-second 5556 SONG.mid
//   bench_seek SONG.mid
// Without a song it writes that one into a temporary directory first.
#include "bench/many_notes_song.h"
#include "support/player_fixture.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace quorva {
namespace {

std::string songPath;

// Seeks at a fraction (in thousandths) of the song, from playback standing elsewhere.
void seekInto(benchmark::State& state)
{
    testing::Player player;
    player.sequencer.setState(PlayState::Idle);
    if (!player.song.load(songPath)) {
        state.SkipWithError("cannot load the song");
        return;
    }
    player.sequencer.setState(PlayState::Stopped);
    player.sequencer.play();
    player.ticks(1);
    const auto target = static_cast<uint32_t>(static_cast<uint64_t>(player.song.endMs()) * state.range(0) / 1000);
    for (auto _ : state) {
        player.port().clear();
        player.sequencer.seekToMs(target);
    }
    state.counters["events"] = static_cast<double>(player.song.events().size());
    state.counters["chased"] = static_cast<double>(player.sequencer.readout().cursor);
}
BENCHMARK(seekInto)->Arg(10)->Arg(500)->Arg(990)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorva

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    quorva::testing::TempDir dir;
    if (argc > 1) {
        quorva::songPath = argv[1];
    } else {
        quorva::songPath = (dir / "million.mid").string();
        std::string error;
        const quorva::ManyNotesSong shape{1000000, 16, 5556};
        if (!quorva::writeManyNotesSong(quorva::songPath, shape, error)) {
            std::fprintf(stderr, "bench_seek: %s\n", error.c_str());
            return 1;
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
