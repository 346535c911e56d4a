#include "support/player_fixture.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::Player;
using testing::TrackBuilder;

TEST(ChannelMonitor, MutingAndMuteLevel)
{
    Player player;
    player.monitor.setMuted(3, true);
    player.monitor.setMuted(3, true);  // unchanged: nothing sent
    player.monitor.setMuted(3, false);
    player.monitor.setMuteLevel(0);
    player.monitor.setMuted(3, true);
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"b3 07 32", "b3 07 64", "b3 07 00"}));

    player.port().clear();
    player.monitor.setMuted(5, true);
    player.port().clear();
    player.monitor.channels[5].volume = 90;
    player.monitor.setMuteLevel(12);
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"b3 07 64", "b5 07 5a"}));
}

TEST(ChannelMonitor, ResetWhileMutedAndMutedVolumeMessages)
{
    TrackBuilder track;
    track.event(0, {0xB3, 7, 80}).sysex(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.monitor.setMuted(3, true);
    player.sequencer.play();
    player.port().clear();
    player.ticks(1);
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"b3 07 28", "f0 41 10 42 12 40 00 7f 00 41 f7", "b3 07 32"}));
    EXPECT_EQ(player.monitor.channels[3].volume, 100);
    EXPECT_TRUE(player.monitor.channels[3].muted);
}

TEST(ChannelMonitor, NoteLevelsAgeThroughTheirPhases)
{
    SoundingNote note;
    note.velocity = 120;
    note.level = note.startLevel = 120;
    note.holdLevel = 100;
    for (int i = 0; i < 13; ++i) {  // 65 ms
        ChannelMonitor::noteUpdate(note, 5);
    }
    EXPECT_NEAR(note.level, 120 - 20 * 65 / 128.0, 1e-4);
    for (int i = 0; i < 13; ++i) {
        ChannelMonitor::noteUpdate(note, 5);
    }
    EXPECT_EQ(note.phase, NotePhase::Hold);
    EXPECT_NEAR(note.level, 100.0f, 0.5f);  // where the last attack step (125 ms) left it
    const float held = note.level;
    ChannelMonitor::noteUpdate(note, 5);
    EXPECT_EQ(note.level, held);
    note.released = true;
    int ticks = 0;
    while (ChannelMonitor::noteUpdate(note, 5)) {
        ++ticks;
    }
    EXPECT_EQ(ticks, 101);  // discarded at the tick that takes its release past 500 ms
    EXPECT_EQ(note.level, 0.0f);
}

TEST(ChannelMonitor, KeyShiftWhilePlayingSilencesAndRestrikes)
{
    Player player;
    player.playHeldNotes();
    player.monitor.setTranspose(2, player.sequencer);
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"80 3c 00", "89 26 00", "90 3e 5a"}));
}

TEST(ChannelMonitor, PedalsFlowScaleAndFullReset)
{
    TrackBuilder track;
    track.event(0, {0xB0, 67, 127});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.sequencer.play();
    player.ticks(1);
    EXPECT_TRUE(player.monitor.channels[0].soft);
    EXPECT_FALSE(player.monitor.channels[0].sostenuto);

    player.monitor.flowScaleTarget = 128;
    player.monitor.updateFlowScale(1.0f);
    EXPECT_FLOAT_EQ(player.monitor.flowScale, 76.8f);

    player.monitor.fullReset();
    EXPECT_TRUE(player.monitor.channels[3].keyboardShown);
    EXPECT_FALSE(player.monitor.channels[4].keyboardShown);
    EXPECT_TRUE(player.monitor.channels[9].drumFlowShown);
    EXPECT_TRUE(player.monitor.channels[9].rhythm);
    EXPECT_EQ(player.monitor.channels[7].number, 7);
    EXPECT_FALSE(player.monitor.channels[0].soft);
}

}  // namespace
}  // namespace quorva
