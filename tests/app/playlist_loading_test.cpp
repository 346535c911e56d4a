#include "app/main_window.h"
#include "app/playlist_player.h"
#include "app/song_loader.h"
#include "platform/fake/scripted_window.h"
#include "support/player_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quorva {
namespace {

using testing::TrackBuilder;

class Failures final : public SongLoadObserver {
public:
    void songNotLoaded(std::string_view path, SongLoadError) override { paths.emplace_back(path); }
    std::vector<std::string> paths;
};

// The playlist through a loader whose every song loads on its thread: frames (playlist.frame,
// the ticks) go on until the song wanted plays, or a good while has passed.
TEST(PlaylistLoading, SongsLoadOffTheFrameAndTheFailedOnesAreSkippedFrameByFrame)
{
    testing::Player player;
    ScriptedWindow platform;
    MainWindow window{platform};
    SmfFile spare(&player.messages);
    Failures failures;
    SongLoader loader(player.sequencer, spare, &failures);
    loader.setAtOnceBytes(0);
    PlaylistPlayer playlist(player.sequencer, window);
    playlist.setLoader(&loader);
    testing::TempDir dir;
    TrackBuilder track;
    track.event(0, {0x90, 60, 100}).event(4800, {0x80, 60, 0});
    const std::string good = dir.write("good.mid", testing::buildSmf(0, 480, {track})).string();
    const std::string other = dir.write("other.mid", testing::buildSmf(0, 480, {track})).string();
    const std::string broken = dir.write("broken.mid", std::string("no song")).string();
    const auto framesUntil = [&](const std::string& path) {
        for (int frame = 0; frame < 5000; ++frame) {
            playlist.frame();
            player.ticks(1);
            if (!loader.loading() && player.sequencer.song().path() == path &&
                player.sequencer.state() == PlayState::Playing) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    };

    playlist.open({broken, broken, good, other});
    EXPECT_TRUE(loader.loading());
    ASSERT_TRUE(framesUntil(good));
    EXPECT_EQ(failures.paths, (std::vector<std::string>{broken, broken}));
    EXPECT_EQ(playlist.playlist().position(), 3u);

    // Next and previous start loads; the previous songs fail again and the list's start ends
    // the walk back, leaving the last failure shown.
    EXPECT_TRUE(playlist.next());
    ASSERT_TRUE(framesUntil(other));
    EXPECT_TRUE(playlist.previous());
    ASSERT_TRUE(framesUntil(good));
    EXPECT_TRUE(playlist.previous());
    for (int frame = 0; frame < 5000 && loader.loading(); ++frame) {
        playlist.frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(loader.loading());
    EXPECT_EQ(failures.paths.size(), 4u);
    EXPECT_EQ(playlist.playlist().position(), 1u);
    EXPECT_EQ(player.sequencer.state(), PlayState::Idle);
}

}  // namespace
}  // namespace quorva
