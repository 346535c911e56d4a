// The main screen when a song that arrives cannot be loaded: the song text area says why,
// and nothing of the song before stays on show.
#include "app/song_failure_report.h"
#include "platform/fake/recording_text_renderer.h"
#include "screen_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace quorva {
namespace {

using testing::ScreenFixture;
using testing::TrackBuilder;

bool drew(const RecordingTextRenderer& text, int32_t x, int32_t y, const std::string& line)
{
    for (const auto& call : text.calls) {
        if (call.x == x && call.y == y && call.text == line) {
            return true;
        }
    }
    return false;
}

bool drewAnywhere(const RecordingTextRenderer& text, const std::string& line)
{
    for (const auto& call : text.calls) {
        if (call.text == line) {
            return true;
        }
    }
    return false;
}

TEST(LoadFailureScreen, SongTextAreaSaysWhyAndTheOldSongsReadoutsAndRowsAreGone)
{
    RecordingTextRenderer text;
    ScreenFixture screen(&text);
    screen.open();
    std::FILE* errors = std::tmpfile();
    SongFailureReport report(screen.session.monitor, errors);
    screen.session.song.setLoadObserver(&report);

    TrackBuilder track;
    track.text(0, 3, "Old Song")
        .sysex(0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})
        .event(0, {0xC0, 24})
        .event(0, {0xB0, 7, 64})
        .event(0, {0x90, 60, 100})
        .event(480 * 16, {0x80, 60, 0});
    screen.play(testing::songOf(track));
    screen.runUntil(1000);
    EXPECT_TRUE(drew(text, 318, 392, "Old Song"));
    EXPECT_TRUE(screen.showsText(26, 65, "025  000 000"));
    EXPECT_TRUE(screen.session.monitor.gmSeen);
    EXPECT_FALSE(screen.showsText(3, 392, "00'00\"00 / 00'00\"00"));

    const std::string bad = screen.songs.write("bad name.mid", "MThd, and then nothing useful").string();
    screen.session.platform.push({WindowEventKind::DropBegin});
    screen.session.platform.push({WindowEventKind::DropFile, 1, bad});
    screen.session.platform.push({WindowEventKind::DropComplete});
    text.calls.clear();
    screen.frame();
    EXPECT_TRUE(drew(text, 318, 392, "cannot play \"bad name.mid\"")) << text.calls.size();
    EXPECT_TRUE(drew(text, 318, 412, "unsupported header length"));
    EXPECT_FALSE(drewAnywhere(text, "Old Song"));
    // The read-outs of a player without a song, the rows and lamps of fresh channels.
    EXPECT_TRUE(screen.showsText(3, 392, "00'00\"00 / 00'00\"00"));
    EXPECT_TRUE(screen.showsText(3, 408, "0000/0000"));
    EXPECT_TRUE(screen.showsText(108, 408, "0000/0000"));
    EXPECT_TRUE(screen.showsText(171, 392, "0.0"));
    EXPECT_TRUE(screen.showsText(26, 65, "001  000 000"));
    EXPECT_TRUE(screen.showsText(103, 65, "100", true));
    EXPECT_FALSE(screen.session.monitor.gmSeen);
    EXPECT_EQ(std::ftell(errors), static_cast<long>(cannotPlayLine(bad, SongLoadError::HeaderLength).size() + 1));

    // The message stays until the next song, which takes its place.
    screen.runUntil(2000);
    EXPECT_TRUE(drew(text, 318, 412, "unsupported header length"));
    screen.session.platform.push({WindowEventKind::DropBegin});
    screen.session.platform.push({WindowEventKind::DropFile, 1, (screen.songs / "song1.mid").string()});
    screen.session.platform.push({WindowEventKind::DropComplete});
    text.calls.clear();
    screen.frame();
    EXPECT_TRUE(drew(text, 318, 392, "Old Song"));
    EXPECT_FALSE(drewAnywhere(text, "unsupported header length"));
    std::fclose(errors);
}

}  // namespace
}  // namespace quorva
