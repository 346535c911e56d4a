#include "ui/screen_fixture.h"

#include "ui/music_view.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace quorva {
namespace {

using testing::ScreenFixture;
using testing::TrackBuilder;

// A page that walks the sounding notes as the music views do and, once armed, runs a whole
// timer tick on another thread while it visits the first note.
class TickingPage final : public MusicView {
public:
    TickingPage(MainScreen& screen, ScreenSession& session) : MusicView(screen), session_(session) {}

    void draw() override
    {
        visited.clear();
        forEachSoundingNote([this](const DrawnNote& note) {
            visited.emplace_back(note.channel, note.note);
            if (!armed) {
                return;
            }
            armed = false;
            std::thread timerThread([this] {
                // A draw holding the sequencer's lock makes this fail rather than hang.
                if (session_.sequencer.lock().try_lock()) {
                    session_.sequencer.lock().unlock();
                    session_.timer.fire();
                    tickedDuringDraw = true;
                }
            });
            timerThread.join();
        });
    }

    bool armed = false;
    bool tickedDuringDraw = false;
    std::vector<std::pair<int, int>> visited;

private:
    ScreenSession& session_;
};

TEST(MusicView, ATickRunsToItsEndWhileAFrameDrawsTheSoundingNotes)
{
    ScreenFixture screen;
    TickingPage page(screen.session.mainScreen, screen.session);
    screen.session.mainScreen.registerPage(1, page);
    screen.open();
    TrackBuilder track;
    track.event(0, {0x90, 60, 100}).event(0, {0x91, 64, 100}).event(100000, {0x80, 60, 0});
    screen.play(testing::songOf(track));
    screen.runUntil(100);
    EXPECT_EQ(page.visited, (std::vector<std::pair<int, int>>{{0, 60}, {1, 64}}));

    const double position = screen.session.sequencer.position();
    page.armed = true;
    screen.frame();
    EXPECT_TRUE(page.tickedDuringDraw);
    EXPECT_GT(screen.session.sequencer.position(), position);
    EXPECT_EQ(page.visited.size(), 2u);
}

}  // namespace
}  // namespace quorva
