// Songs found by fuzzing the loader and the player: each once broke a promise of the code.
#include "support/player_fixture.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::Player;
using testing::TrackBuilder;

TEST(MalformedSong, DataBytesWithTheTopBitSetAreCutToSevenBits)
{
    TrackBuilder track;
    track.event(0, {0x90, 0xBC, 0xE4})   // note 60, velocity 100, both with the top bit set
        .event(0, {0xB1, 0x87, 0x90})    // volume 16 on channel 1
        .event(0, {0xC2, 0xFF})          // program 128 on channel 2
        .event(0, {0xE3, 0x80, 0xC0})    // bend 0x40 on channel 3
        .event(0, {0x80, 0xBC, 0xFF});   // the note off of 60
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.sequencer.play();
    player.ticks(1);
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"f0 7e 7f 09 01 f7", "90 3c 64", "b1 07 10", "c2 7f", "e3 00 40",
                                                       "80 3c 7f"}));
    EXPECT_EQ(player.monitor.channels[1].volume, 16);
    EXPECT_EQ(player.monitor.channels[2].program, 128);
    EXPECT_EQ(player.monitor.channels[3].pitchBend, 0x40);
    std::lock_guard guard(player.sequencer.lock());
    ASSERT_EQ(player.sequencer.notes().size(), 1u);
    EXPECT_EQ(player.sequencer.notes().first()->note, 60);
    EXPECT_EQ(player.sequencer.notes().first()->velocity, 100);
    EXPECT_TRUE(player.sequencer.notes().first()->released);
}

}  // namespace
}  // namespace quorva
