#include "support/player_fixture.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::Player;
using testing::TrackBuilder;

TEST(SysexClassification, RecognisesResetsAndRhythmParts)
{
    auto kind = [](std::vector<uint8_t> bytes) { return classifySysex(bytes.data(), bytes.size()); };
    EXPECT_EQ(kind({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}), sysex::GmSystemOn);
    EXPECT_EQ(kind({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}), sysex::XgSystemOn);
    EXPECT_EQ(kind({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}), sysex::GsReset);
    EXPECT_EQ(kind({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7}), sysex::GsReset);
    EXPECT_EQ(kind({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x01, 0x00, 0xF7}), sysex::GsReset);
    EXPECT_EQ(kind({0xF0, 0x41, 0x11, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}), sysex::Other);
    EXPECT_EQ(kind({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x10, 0x15, 0x02, 0x33, 0xF7}), 20 + 9);
    EXPECT_EQ(kind({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x15, 0x00, 0x33, 0xF7}), 4 + 0);
    EXPECT_EQ(kind({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x19, 0x15, 0x01, 0x00, 0xF7}), 20 + 8);
    EXPECT_EQ(kind({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x00, 0x00, 0xF7}), 4 + 10);
    EXPECT_EQ(kind({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x16, 0x00, 0x00, 0xF7}), sysex::Other);
    EXPECT_EQ(kind({0xF0, 0x7E, 0x7F, 0x09, 0x01}), sysex::Other);
}

TEST(EventDecoding, RunningStatusCarriesAcrossTracksAndMetaKeepingRules)
{
    TrackBuilder first, second;
    first.event(0, {0x92, 60, 100}).text(0, 3, "title").text(0, 1, "text").event(0, {61, 90});  // running status
    second.event(0, {62, 80}).text(0, 3, "track 1 name").text(0, 1, "track 1 text").text(0, 5, "la")
        .meta(0, 0x7F, {1, 2, 3}).event(0, {0xC3, 7}).event(0, {8});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(1, 96, {first, second})));
    std::vector<uint32_t> messages;
    int texts = 0;
    for (const SongEvent& event : player.song.events()) {
        if (event.isChannel()) {
            messages.push_back(event.message());
        } else {
            ++texts;
        }
    }
    EXPECT_EQ(messages, (std::vector<uint32_t>{0x643C92, 0x5A3D92, 0x503E92, 0x07C3, 0x08C3}));
    EXPECT_EQ(texts, 3);  // title and text of track 0, the lyric of track 1
}

TEST(EventPlay, NotesKeyShiftAndRhythmChannels)
{
    TrackBuilder track;
    track.event(0, {0x90, 0x3C, 100}).event(0, {0x90, 0x3C, 0})  // a note on of velocity 0 is a note off
        .event(0, {0x90, 120, 90}).event(0, {0x80, 120, 0})      // shifted out of range: nothing sent
        .event(0, {0x99, 38, 80}).event(0, {0x89, 38, 0});        // drums are not shifted
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.monitor.transpose = 12;
    player.sequencer.play();
    player.ticks(1);
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"f0 7e 7f 09 01 f7", "90 48 64", "90 48 00", "99 26 50", "89 26 00"}));
    std::lock_guard guard(player.sequencer.lock());
    int released = 0;
    for (SoundingNote* note = player.sequencer.notes().first(); note; note = note->next) {
        released += note->released;
    }
    EXPECT_EQ(player.sequencer.notes().size(), 3u);
    EXPECT_EQ(released, 3);
}

TEST(EventPlay, KeyShiftKeepsNotesInsideTheMidiRange)
{
    TrackBuilder track;
    track.event(0, {0x90, 126, 90}).event(0, {0x90, 127, 90}).event(0, {0x90, 0, 90}).event(0, {0x90, 1, 90});
    Player up;
    ASSERT_TRUE(up.loadBytes(buildSmf(0, 480, {track})));
    up.monitor.transpose = 1;
    up.sequencer.play();
    up.port().clear();
    up.ticks(1);
    EXPECT_EQ(up.sent(), (std::vector<std::string>{"90 7f 5a", "90 01 5a", "90 02 5a"}));

    Player down;
    ASSERT_TRUE(down.loadBytes(buildSmf(0, 480, {track})));
    down.monitor.transpose = -1;
    down.sequencer.play();
    down.port().clear();
    down.ticks(1);
    EXPECT_EQ(down.sent(), (std::vector<std::string>{"90 7d 5a", "90 7e 5a", "90 00 5a"}));
    EXPECT_EQ(down.monitor.shiftedNote(0, 0), -1);
    EXPECT_EQ(up.monitor.shiftedNote(0, 127), -1);
    EXPECT_EQ(up.monitor.shiftedNote(0, 126), 127);
}

TEST(EventPlay, ASoundingNoteHoldsAtFiveSixthsOfItsVelocity)
{
    TrackBuilder track;
    track.event(0, {0x90, 60, 120}).event(0, {0x90, 61, 127}).event(0, {0x90, 62, 1});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.sequencer.play();
    player.ticks(1);
    std::lock_guard guard(player.sequencer.lock());
    std::vector<float> holdLevels;
    for (SoundingNote* note = player.sequencer.notes().first(); note; note = note->next) {
        holdLevels.push_back(note->holdLevel);
    }
    EXPECT_EQ(holdLevels, (std::vector<float>{100.0f, 105.0f, 0.0f}));
}

TEST(EventPlay, ControllersAndProgramsUpdateTheMirror)
{
    TrackBuilder track;
    track.event(0, {0xB3, 0, 8}).event(0, {0xB3, 32, 2}).event(0, {0xB3, 7, 90}).event(0, {0xB3, 10, 20})
        .event(0, {0xB3, 11, 70}).event(0, {0xB3, 1, 33}).event(0, {0xB3, 64, 64}).event(0, {0xB3, 66, 63})
        .event(0, {0xB3, 67, 127}).event(0, {0xB3, 65, 100}).event(0, {0xB3, 91, 11}).event(0, {0xB3, 93, 12})
        .event(0, {0xB3, 94, 13}).event(0, {0xC3, 0}).event(0, {0xE3, 0, 100}).event(0, {0xB3, 99, 5});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.sequencer.play();
    player.ticks(1);
    const ChannelState& state = player.monitor.channels[3];
    EXPECT_EQ(state.bankMsb, 8);
    EXPECT_EQ(state.bankLsb, 2);
    EXPECT_EQ(state.volume, 90);
    EXPECT_EQ(state.pan, 20);
    EXPECT_EQ(state.expression, 70);
    EXPECT_EQ(state.modulation, 33);
    EXPECT_TRUE(state.hold);
    EXPECT_FALSE(state.sostenuto);
    EXPECT_TRUE(state.soft);
    EXPECT_TRUE(state.portamento);
    EXPECT_EQ(state.reverb, 11);
    EXPECT_EQ(state.chorus, 12);
    EXPECT_EQ(state.controller94, 13);
    EXPECT_EQ(state.program, 1);
    EXPECT_EQ(state.pitchBend, 100);
    EXPECT_EQ(player.sent().size(), 17u);  // every message is sent, after the GM System On
}

TEST(EventPlay, SystemExclusiveResetsRhythmPartsAndTexts)
{
    TrackBuilder track;
    track.text(0, 1, "hello").text(0, 1, "second").sysex(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x10, 0x15, 0x02, 0x55, 0xF7})
        .sysex(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x15, 0x00, 0x55, 0xF7})
        .sysex(0, {0xF7, 0x01, 0x02}).text(0, 5, "sing").event(1, {0xB2, 7, 10})
        .sysex(10, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    EXPECT_TRUE(player.song.hasResetSysex());
    player.monitor.channels[9].rhythm = false;
    player.sequencer.play();
    player.ticks(1);
    EXPECT_TRUE(player.monitor.channels[9].rhythm);
    EXPECT_FALSE(player.monitor.channels[0].rhythm);
    EXPECT_STREQ(player.song.text(), "hello");
    EXPECT_STREQ(player.song.lyric(), "sing");
    EXPECT_EQ(player.monitor.channels[2].volume, 10);
    player.ticks(2);
    EXPECT_TRUE(player.monitor.gsSeen);
    EXPECT_FALSE(player.monitor.gmSeen);
    EXPECT_EQ(player.monitor.channels[2].volume, 100);  // the GS reset reset the mirror
    const auto sent = player.sent();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[0], "f0 41 10 42 12 40 10 15 02 55 f7");  // no GM System On of the player's own
    EXPECT_EQ(sent[2], "f7 01 02");
}

}  // namespace
}  // namespace quorva
