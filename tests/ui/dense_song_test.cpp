#include "bench/many_notes_song.h"
#include "support/player_fixture.h"
#include "support/temp_dir.h"
#include "render/screen_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>

namespace quorva {
namespace {

// 30,000 notes at 20,000 a second on 16 tracks: more notes sound and fade than the sounding
// list holds, and more coming notes fall through the flow lanes than a frame draws one by one.
TEST(DenseSong, EveryNoteIsSentWhileEveryPageDrawsTheFlood)
{
    testing::TempDir directory;
    const std::string path = (directory / "dense.mid").string();
    const ManyNotesSong shape{30000, 16, 20000};
    std::string error;
    ASSERT_TRUE(writeManyNotesSong(path, shape, error)) << error;

    testing::CaptureFactory factory;
    ScreenSession session(std::getenv("QUORVA_BIN_DIR"), nullptr, &factory);
    ASSERT_TRUE(session.open(error)) << error;
    ASSERT_TRUE(session.loadAndPlay(path, error)) << error;
    const uint32_t endMs = session.song.endMs();
    ASSERT_GT(endMs, 1400u);
    size_t mostSounding = 0;
    for (uint32_t ms = 50; ms <= endMs + 1000; ms += 50) {
        session.mainScreen.setMode(static_cast<uint8_t>(ms / 50 % 6 + 1));  // every page in turn
        session.runUntil(ms);
        std::lock_guard guard(session.sequencer.lock());
        mostSounding = std::max(mostSounding, session.sequencer.notes().size());
    }
    EXPECT_EQ(mostSounding, SoundingNoteList::capacity);
    EXPECT_EQ(session.sequencer.state(), PlayState::Stopped);

    // The song's notes, up to the stop at its end (which resets the hold pedals, controller
    // 66 among them, and silences the notes still fading on the display).
    size_t noteOns = 0;
    size_t noteOffs = 0;
    for (const CapturePort::Message& message : factory.last->messages()) {
        if (message.bytes.size() != 3) {
            continue;
        }
        const uint8_t kind = message.bytes[0] & 0xF0;
        if (kind == 0xB0 && message.bytes[1] == 66) {
            break;
        }
        noteOns += kind == 0x90 && message.bytes[2] > 0 ? 1 : 0;
        noteOffs += kind == 0x80 || (kind == 0x90 && message.bytes[2] == 0) ? 1 : 0;
    }
    EXPECT_EQ(noteOns, shape.notes);
    EXPECT_EQ(noteOffs, shape.notes);
    std::lock_guard guard(session.sequencer.lock());
    EXPECT_TRUE(session.sequencer.notes().empty());
}

}  // namespace
}  // namespace quorva
