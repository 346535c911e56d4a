#include "ui/screen_fixture.h"

#include "app/song_loader.h"
#include "platform/fake/recording_text_renderer.h"
#include "song/song_load_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quorva {
namespace {

using testing::ScreenFixture;
using testing::TrackBuilder;

// Holds the loads on the loader's thread until the test lets them go.
class Gate {
public:
    void open()
    {
        std::lock_guard guard(lock_);
        open_ = true;
        opened_.notify_all();
    }
    void close()
    {
        std::lock_guard guard(lock_);
        open_ = false;
    }
    void pass()
    {
        std::unique_lock guard(lock_);
        opened_.wait(guard, [this] { return open_; });
    }

private:
    std::mutex lock_;
    std::condition_variable opened_;
    bool open_ = false;
};

class Failures final : public SongLoadObserver {
public:
    void songNotLoaded(std::string_view path, SongLoadError error) override { seen.emplace_back(path, error); }
    std::vector<std::pair<std::string, SongLoadError>> seen;
};

// What finish() gives once the loader's thread is done, asked as the frames would ask it.
std::optional<bool> finished(SongLoader& loader)
{
    for (int attempt = 0; attempt < 20000; ++attempt) {
        if (const auto outcome = loader.finish()) {
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::nullopt;
}

// One note held on the channel from the first tick, under a title.
std::vector<uint8_t> heldNote(uint8_t channel, uint8_t key, const std::string& title)
{
    TrackBuilder track;
    track.text(0, 0x03, title).event(0, {static_cast<uint8_t>(0x90 | channel), key, 100});
    track.event(960000, {static_cast<uint8_t>(0x80 | channel), key, 0});
    return testing::songOf(track);
}

bool holds(Sequencer& sequencer, uint8_t channel, uint8_t key)
{
    std::lock_guard guard(sequencer.lock());
    for (const SoundingNote* note = sequencer.notes().first(); note; note = note->next) {
        if (note->channel == channel && note->note == key && !note->released) {
            return true;
        }
    }
    return false;
}

TEST(SongLoading, TheSongBeforePlaysOnWithTheProgressShownUntilTheNewestRequestPlays)
{
    RecordingTextRenderer text;
    ScreenFixture screen(&text);
    screen.open();
    ScreenSession& session = screen.session;
    SmfFile spare(&session.messages);
    Failures failures;
    SongLoader loader(session.sequencer, spare, &failures);
    session.mainScreen.setSongLoader(&loader);
    loader.setAtOnceBytes(0);  // the test's songs are small
    Gate gate;
    std::atomic<int> loads{0};
    std::atomic<int> loadsDone{0};
    loader.setLoadFunction([&](SmfFile& song, const std::string& path) {
        ++loads;
        gate.pass();
        const bool loaded = song.load(path);
        ++loadsDone;
        return loaded;
    });
    screen.play(heldNote(0, 60, "first"));
    const std::string second = screen.songs.write("second.mid", heldNote(1, 72, "second")).string();
    const std::string third = screen.songs.write("third.mid", heldNote(2, 74, "third")).string();
    // Whether the text was drawn in the song texts' row (0 title ... 3 comment).
    const auto drawn = [&text](std::string_view wanted, int32_t row = 3) {
        return std::any_of(text.calls.begin(), text.calls.end(), [&](const RecordingTextRenderer::Call& call) {
            return call.text == wanted && call.x == 318 && call.y == 392 + 20 * row;
        });
    };

    // While the loader's thread waits, the frames and the ticks go on with the first song,
    // and the comment's row says what loads and how far it has come.
    EXPECT_EQ(loader.load(second), std::nullopt);
    for (uint32_t ms = 100; ms <= 500; ms += 100) {
        text.calls.clear();
        screen.runUntil(ms);
        EXPECT_FALSE(loader.finish());
        EXPECT_TRUE(drawn("loading \"second.mid\" 0%")) << ms;
        EXPECT_TRUE(drawn("first", 0)) << ms;
    }
    EXPECT_TRUE(loader.loading());
    EXPECT_EQ(session.sequencer.song().path(), session.song.path());
    EXPECT_GT(session.sequencer.elapsedMs(), 400u);
    EXPECT_TRUE(holds(session.sequencer, 0, 60));

    // A request made meanwhile is the one that plays; the load in flight is thrown away.
    loader.load(third);
    gate.open();
    ASSERT_EQ(finished(loader), std::optional<bool>(true));
    EXPECT_EQ(loads.load(), 2);
    EXPECT_FALSE(loader.loading());
    EXPECT_EQ(session.sequencer.song().path(), third);
    EXPECT_EQ(&session.sequencer.song(), &spare);
    text.calls.clear();
    screen.runUntil(700);
    EXPECT_TRUE(holds(session.sequencer, 2, 74));
    EXPECT_FALSE(holds(session.sequencer, 1, 72));
    EXPECT_FALSE(holds(session.sequencer, 0, 60));
    EXPECT_TRUE(drawn("third", 0));
    for (const RecordingTextRenderer::Call& call : text.calls) {
        EXPECT_EQ(call.text.find("loading"), std::string::npos) << call.text;
    }

    // A song that cannot be loaded stops the one playing and says why, as a load at once does;
    // the next song loads into the song played before.
    const std::string broken = screen.songs.write("broken.mid", std::string("no song at all")).string();
    EXPECT_EQ(loader.load(broken), std::nullopt);
    ASSERT_EQ(finished(loader), std::optional<bool>(false));
    ASSERT_EQ(failures.seen.size(), 1u);
    EXPECT_EQ(failures.seen[0], std::make_pair(broken, SongLoadError::NotSmf));
    EXPECT_EQ(session.sequencer.state(), PlayState::Idle);
    EXPECT_EQ(&session.sequencer.song(), &session.song);
    text.calls.clear();
    screen.frame();
    EXPECT_TRUE(drawn("cannot play \"broken.mid\"", 0));
    EXPECT_EQ(loader.load(second), std::nullopt);
    ASSERT_EQ(finished(loader), std::optional<bool>(true));
    EXPECT_EQ(&session.sequencer.song(), &spare);
    screen.runUntil(900);
    EXPECT_TRUE(holds(session.sequencer, 1, 72));

    // Small songs, and paths that are no file, load at once; one asked for while a big song
    // loads overtakes it, and the big song is thrown away when its load ends.
    const std::string missing = (screen.songs / "missing.mid").string();
    EXPECT_EQ(loader.load(missing), std::optional<bool>(false));
    ASSERT_EQ(failures.seen.size(), 2u);
    EXPECT_EQ(failures.seen[1], std::make_pair(missing, SongLoadError::Missing));
    gate.close();
    const int started = loads.load();
    const int done = loadsDone.load();
    EXPECT_EQ(loader.load(third), std::nullopt);
    while (loads.load() == started) {  // (after the clearing of the song played before)
        EXPECT_EQ(loader.finish(), std::nullopt);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    loader.setAtOnceBytes(1 << 20);
    EXPECT_EQ(loader.load(second), std::optional<bool>(true));
    EXPECT_FALSE(loader.loading());
    gate.open();
    while (loadsDone.load() == done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (int frame = 0; frame < 5; ++frame) {
        EXPECT_EQ(loader.finish(), std::nullopt);
    }
    EXPECT_EQ(session.sequencer.song().path(), second);
    EXPECT_EQ(session.sequencer.state(), PlayState::Playing);
}

}  // namespace
}  // namespace quorva
