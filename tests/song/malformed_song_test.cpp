// Songs found by fuzzing the loader and the player: each once broke a promise of the code.
#include "support/player_fixture.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

#include <list>
#include <random>

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

// The merge as first written: each event, track after track, inserted into a linked list by
// walking from where the same track's previous event went, backward while its tick is
// smaller, then forward while the tick is not greater.
std::vector<uint32_t> mergedByWalkingAList(const std::vector<std::vector<std::pair<uint32_t, uint32_t>>>& tracks)
{
    std::list<std::pair<uint32_t, uint32_t>> merged;  // (tick, message)
    for (const auto& track : tracks) {
        auto cursor = merged.begin();
        for (const auto& event : track) {
            if (!merged.empty()) {
                auto probe = cursor == merged.end() ? std::prev(merged.end()) : cursor;
                while (probe != merged.begin() && event.first < probe->first) {
                    --probe;
                }
                while (probe != merged.end() && probe->first <= event.first) {
                    ++probe;
                }
                cursor = probe;
            }
            cursor = merged.insert(cursor, event);
        }
    }
    std::vector<uint32_t> messages;
    for (const auto& event : merged) {
        messages.push_back(event.second);
    }
    return messages;
}

TEST(MalformedSong, TicksThatWrapBackAndForthMergeAsInsertionDoesWithoutItsSearch)
{
    // Deltas near 2^31 and 2^32 make the tick jump between the start and the far end of the
    // list; inserting by walking the list took time quadratic in the events of such a song.
    std::mt19937 random(7);
    const uint32_t deltas[] = {0, 1, 2, 5, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    std::vector<TrackBuilder> builders(4);
    std::vector<std::vector<std::pair<uint32_t, uint32_t>>> tracks(4);
    uint32_t message = 0;
    for (size_t t = 0; t < builders.size(); ++t) {
        uint32_t tick = 0;
        for (int i = 0; i < 150; ++i, ++message) {
            const uint32_t delta = deltas[random() % std::size(deltas)];
            tick += delta;
            const auto data1 = static_cast<uint8_t>(message & 0x7F);
            const auto data2 = static_cast<uint8_t>(message >> 7);
            builders[t].event(delta, {0xB0, data1, data2});
            tracks[t].push_back({tick, packShort(0xB0, data1, data2)});
        }
    }
    SmfFile song;
    const auto bytes = buildSmf(1, 96, builders);
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    std::vector<uint32_t> messages;
    for (const SongEvent& event : song.events()) {
        messages.push_back(event.message());
    }
    EXPECT_EQ(messages, mergedByWalkingAList(tracks));
}

}  // namespace
}  // namespace quorva
