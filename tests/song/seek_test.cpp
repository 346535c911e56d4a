#include "support/output_state.h"
#include "support/player_fixture.h"
#include "support/smf_builder.h"

#include "platform/posix_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::OutputState;
using testing::Player;
using testing::TrackBuilder;

OutputState foldOutput(const std::vector<CapturePort::Message>& messages, size_t count)
{
    OutputState state;
    for (size_t i = 0; i < count && i < messages.size(); ++i) {
        state.take(messages[i].bytes);
    }
    return state;
}

// The mirror as bytes, field by field, with the reset flags.
std::vector<int> mirror(const ChannelMonitor& monitor)
{
    std::vector<int> fields = {monitor.gmSeen, monitor.gsSeen, monitor.xgSeen};
    for (const ChannelState& c : monitor.channels) {
        for (const int field : {int(c.muted), int(c.rhythm), int(c.number), int(c.program), int(c.bankMsb), int(c.bankLsb),
                                int(c.volume), int(c.expression), int(c.pan), int(c.modulation), int(c.pitchBend),
                                int(c.reverb), int(c.chorus), int(c.controller94), int(c.hold), int(c.sostenuto),
                                int(c.soft), int(c.portamento)}) {
            fields.push_back(field);
        }
    }
    return fields;
}

// Ticks until the song ends; returns how many messages were sent before the end-of-song stop.
size_t playToEnd(Player& player)
{
    size_t beforeStop = 0;
    while (player.sequencer.state() == PlayState::Playing) {
        beforeStop = player.port().count();
        player.ticks(1);
    }
    return beforeStop;
}

// One song, seeking at `fraction` of its length: a player that seeks there (from a point
// after it, so that the chase must also undo) ends up, on its output and in its mirror,
// where one that played from the start stands, and then plays exactly the same messages.
void expectSeekMatchesPlaying(const std::vector<uint8_t>& bytes, double fraction, int mutedChannel)
{
    SCOPED_TRACE(::testing::Message() << "at " << fraction << " of the song");
    Player played;
    ASSERT_TRUE(played.loadBytes(bytes));
    played.monitor.setMuted(mutedChannel, true);
    played.sequencer.play();
    const uint32_t targetMs = static_cast<uint32_t>(played.song.endMs() * fraction);
    do {
        played.ticks(1);
    } while (played.sequencer.elapsedMs() < targetMs && played.sequencer.state() == PlayState::Playing);
    ASSERT_EQ(played.sequencer.state(), PlayState::Playing);
    const size_t playedChase = played.port().count();
    // The events up to the played position, and no later one, are behind the seek's tick.
    const auto tick = static_cast<uint32_t>(std::floor(played.sequencer.position())) + 1;

    Player seeking;
    ASSERT_TRUE(seeking.loadBytes(bytes));
    seeking.monitor.setMuted(mutedChannel, true);
    seeking.sequencer.play();
    seeking.ticks(static_cast<int>(played.song.endMs() * 0.9 / Sequencer::tickPeriodMs));
    seeking.sequencer.pause();
    seeking.sequencer.resume();
    const size_t beforeSeek = seeking.port().count();
    ASSERT_TRUE(seeking.sequencer.seekToTick(tick));
    const auto messages = seeking.port().messages();
    const size_t seekingChase = messages.size();

    EXPECT_EQ(foldOutput(messages, seekingChase), foldOutput(played.port().messages(), playedChase));
    EXPECT_EQ(mirror(seeking.monitor), mirror(played.monitor));
    EXPECT_EQ(seeking.sequencer.tempo(), played.sequencer.tempo());
    EXPECT_EQ(seeking.sequencer.meterNumerator(), played.sequencer.meterNumerator());
    EXPECT_EQ(seeking.sequencer.meterDenominatorPower(), played.sequencer.meterDenominatorPower());
    EXPECT_LE(std::abs(int64_t{seeking.sequencer.elapsedMs()} - played.sequencer.elapsedMs()), 6);
    for (size_t i = beforeSeek; i < seekingChase; ++i) {
        const auto& sent = messages[i].bytes;
        EXPECT_FALSE((sent[0] & 0xF0) == 0x90 && sent[2] > 0) << "a note struck again by the chase";
    }

    const size_t playedEnd = playToEnd(played);
    const size_t seekingEnd = playToEnd(seeking);
    std::vector<std::vector<uint8_t>> playedRest;
    std::vector<std::vector<uint8_t>> seekingRest;
    const auto playedAll = played.port().messages();
    const auto seekingAll = seeking.port().messages();
    for (size_t i = playedChase; i < playedEnd; ++i) {
        playedRest.push_back(playedAll[i].bytes);
    }
    for (size_t i = seekingChase; i < seekingEnd; ++i) {
        seekingRest.push_back(seekingAll[i].bytes);
    }
    EXPECT_EQ(seekingRest, playedRest);
}

// Every kind of state the chase restores, changed again later in the song.
std::vector<uint8_t> songWithEveryState()
{
    TrackBuilder conductor;
    conductor.timeSignature(0, 3, 2).tempo(0, 600000).tempo(1900, 400000).timeSignature(1000, 6, 3).text(10, 0x05, "la");
    TrackBuilder channels;
    channels.sysex(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7})  // GS reset
        .sysex(10, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x02, 0x0F, 0xF7})      // ch 10 rhythm
        .sysex(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x04, 0x0B, 0xF7})       // other
        .event(10, {0xB0, 0, 8}).event(0, {0xB0, 32, 2}).event(0, {0xC0, 48})
        .event(0, {0xB1, 101, 0}).event(0, {0xB1, 100, 0}).event(0, {0xB1, 6, 12}).event(0, {0xB1, 38, 0})
        .event(0, {0xB1, 96, 0}).event(0, {0xB1, 97, 0}).event(0, {0xB1, 96, 0})  // increments: 12/1
        .event(0, {0xB1, 99, 1}).event(0, {0xB1, 98, 8}).event(0, {0xB1, 6, 70}).event(0, {0xB1, 97, 0})
        // Increments held at the top: a net count would end at 127/127, the receiver at 127/126.
        .event(0, {0xB4, 101, 0}).event(0, {0xB4, 100, 1}).event(0, {0xB4, 6, 127}).event(0, {0xB4, 38, 126})
        .event(0, {0xB4, 96, 0}).event(0, {0xB4, 96, 0}).event(0, {0xB4, 96, 0}).event(0, {0xB4, 97, 0})
        .event(0, {0xE1, 0x10, 0x50}).event(0, {0xD1, 90}).event(0, {0xB2, 7, 90}).event(0, {0xB2, 91, 5})
        .event(0, {0xB2, 64, 127}).event(0, {0xB3, 74, 33}).event(0, {0xB3, 7, 110})
        .event(0, {0x90, 60, 100}).event(0, {0x91, 62, 90}).event(0, {0x99, 38, 100})
        .event(480, {0xB2, 121, 0}).event(0, {0xB1, 6, 2}).event(0, {0xC3, 12})
        .event(480, {0x80, 60, 0}).event(0, {0x90, 64, 80}).event(0, {0xE1, 0x00, 0x40})
        .sysex(0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})  // GM reset halfway
        .event(480, {0xC0, 10}).event(0, {0xB0, 10, 20}).event(0, {0xB1, 101, 0}).event(0, {0xB1, 100, 2})
        .event(0, {0xB1, 6, 66}).event(0, {0xB1, 96, 0}).event(0, {0xB1, 38, 5}).event(0, {0xB1, 97, 0})
        .event(0, {0xB4, 96, 0}).event(0, {0x90, 67, 70}).event(960, {0x80, 64, 0}).event(0, {0x80, 67, 0})
        .event(480, {0xB0, 7, 30}).event(0, {0xA0, 60, 10}).event(480, {0x90, 72, 60}).event(480, {0x80, 72, 0});
    return buildSmf(1, 480, {conductor, channels});
}

TEST(Seek, LeavesTheOutputAndTheMirrorAsPlayingFromTheStartAndPlaysOnFromThere)
{
    const auto built = songWithEveryState();
    for (const double fraction : {0.0, 0.1, 0.3, 0.45, 0.6, 0.8}) {
        expectSeekMatchesPlaying(built, fraction, 3);
    }
    int realSongs = 0;
    for (const char* path : {"/usr/share/kobo-deluxe/sfx/trance1.mid", "/usr/share/games/simutrans/music/01-Simutrans-Main-Theme.mid",
                             "/usr/share/games/simutrans/music/07-Transport-chaos.mid"}) {
        if (!std::filesystem::exists(path)) {
            continue;
        }
        SCOPED_TRACE(path);
        ++realSongs;
        std::ifstream file(path, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        for (const double fraction : {0.05, 0.33, 0.7}) {
            expectSeekMatchesPlaying(bytes, fraction, 0);
        }
    }
    if (realSongs == 0) {
        GTEST_SKIP() << "kobodeluxe-data and simutrans-data are not installed";
    }
}

std::vector<uint8_t> gsPart(int block, uint8_t address, uint8_t value)
{
    const auto area = static_cast<uint8_t>(0x10 | block);
    const auto checksum = static_cast<uint8_t>((128 - (0x40 + area + address + value) % 128) % 128);
    return {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, area, address, value, checksum, 0xF7};
}

// A random song over channels 0-3 that sets the same things, a part's volume, pan and
// program, by channel messages and by GS and XG messages, moves a GS part to another
// channel, resets now and then, and mixes in what the part messages do not reach.
std::vector<uint8_t> songMixingPartMessagesAndControllers(uint32_t seed)
{
    std::mt19937 random(seed);
    const auto pick = [&](int count) { return static_cast<uint8_t>(random() % static_cast<uint32_t>(count)); };
    TrackBuilder track;
    if (seed % 2 == 1) {
        track.sysex(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7});
    }
    for (int step = 0; step < 160; ++step) {
        const uint32_t delta = pick(3) == 0 ? 0 : pick(40);
        const uint8_t channel = pick(4);
        const auto status = static_cast<uint8_t>(0xB0 | channel);
        const uint8_t value = pick(128);
        switch (pick(18)) {
        case 0:
        case 1: track.event(delta, {status, 7, value}); break;
        case 2: track.sysex(delta, gsPart(channel + 1, 0x19, value)); break;
        case 3: track.sysex(delta, {0xF0, 0x43, 0x10, 0x4C, 0x08, channel, 0x0B, value, 0xF7}); break;
        case 4: track.event(delta, {status, 10, value}); break;
        case 5: track.sysex(delta, gsPart(channel + 1, 0x1C, value)); break;
        case 6: track.event(delta, {static_cast<uint8_t>(0xC0 | channel), value}); break;
        case 7: track.sysex(delta, {0xF0, 0x43, 0x10, 0x4C, 0x08, channel, 0x03, value, 0xF7}); break;
        case 8: track.event(delta, {status, 121, 0}); break;
        case 9: track.event(delta, {status, 11, value}).event(0, {status, 0, pick(3)}); break;
        case 10: track.event(delta, {static_cast<uint8_t>(0xE0 | channel), 0, value}); break;
        case 11: track.event(delta, {status, 101, 0}).event(0, {status, 100, 0}).event(0, {status, 6, pick(24)}); break;
        case 12: track.event(delta, {status, pick(2) == 0 ? uint8_t{96} : uint8_t{97}, 0}); break;
        case 13: track.sysex(delta, {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, value, 0xF7}); break;  // master volume
        case 14:
            if (pick(3) == 0) {
                track.sysex(delta, gsPart(channel + 1, 0x02, pick(4)));  // the part receives elsewhere
            }
            break;
        case 15:
            if (pick(3) == 0) {
                const std::vector<std::vector<uint8_t>> resets = {
                    {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
                    {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},
                    {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}};
                track.sysex(delta, resets[pick(3)]);
            }
            break;
        default:
            track.event(delta, {static_cast<uint8_t>(0x90 | channel), value, 90}).event(pick(30), {static_cast<uint8_t>(0x80 | channel), value, 0});
        }
    }
    return buildSmf(0, 480, {track.event(60, {0xB0, 7, 100})});
}

// Whichever of a channel message and a part's system-exclusive message came last still
// wins after a seek, and a reset still undoes what came before it.
TEST(Seek, KeepsTheOrderOfPartMessagesAndTheChannelMessagesTheyOverride)
{
    for (uint32_t seed = 1; seed <= 16; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        const auto song = songMixingPartMessagesAndControllers(seed);
        for (const double fraction : {0.15, 0.4, 0.65, 0.9}) {
            expectSeekMatchesPlaying(song, fraction, 2);
        }
    }
}

TEST(Seek, ByTimeStopsSoundReadsTheMapThereAndKeepsPauseTransposeAndSpeed)
{
    Player player;
    ASSERT_TRUE(player.loadBytes(songWithEveryState()));
    player.monitor.speed = 2.0f;
    player.sequencer.play();
    player.ticks(10);
    player.sequencer.pause();
    player.port().clear();
    // 600000 us a quarter up to tick 1900 (2375 ms), then 400000: 4000 ms is tick 3850, in
    // the 6/8 that begins at tick 2900: its fourth eighth.
    ASSERT_TRUE(player.sequencer.seekToMs(4000));
    EXPECT_EQ(player.sequencer.state(), PlayState::Paused);
    EXPECT_EQ(player.sequencer.position(), 3850.0);
    EXPECT_EQ(player.sequencer.tempo(), 400000u);
    EXPECT_EQ(player.sequencer.elapsedMs(), 4000u);
    EXPECT_EQ(player.sequencer.meterNumerator(), 6);
    EXPECT_EQ(player.sequencer.currentMeasure(), player.song.lastTimeSignature()->measure);
    EXPECT_EQ(player.sequencer.currentBeat(), 4u);
    const auto sent = player.sent();
    ASSERT_GE(sent.size(), 48u);
    EXPECT_EQ(sent[0], "b0 78 00");
    EXPECT_EQ(sent[1], "b0 7b 00");
    EXPECT_EQ(sent[2], "b0 40 00");
    EXPECT_EQ(sent[47], "bf 40 00");
    EXPECT_EQ(player.monitor.speed.load(), 2.0f);
    EXPECT_EQ(std::string(player.song.lyric() ? player.song.lyric() : ""), "la");

    player.sequencer.stop();
    ASSERT_TRUE(player.sequencer.seekToMs(0));  // from Stopped: plays from the point
    EXPECT_EQ(player.sequencer.state(), PlayState::Playing);
    EXPECT_EQ(player.song.lyric(), nullptr);
}

// Seeks on the main thread while the timer's own thread ticks: after every seek the notes go
// on from the first one at or after the point, each once, none skipped.
TEST(Seek, WhileTheTimerTicksOnItsThreadNoEventIsPlayedTwiceOrSkipped)
{
    // Note k (channel k / 128, key k % 128) starts at tick 48 k, 50 ms apart at 960 ticks a second.
    TrackBuilder track;
    for (int k = 0; k < 2000; ++k) {
        track.event(k == 0 ? 0 : 24, {static_cast<uint8_t>(0x90 | k / 128), static_cast<uint8_t>(k % 128), 100});
        track.event(24, {static_cast<uint8_t>(0x80 | k / 128), static_cast<uint8_t>(k % 128), 0});
    }
    const auto bytes = buildSmf(0, 480, {track});
    ThreadPeriodicTimer timer;
    testing::CaptureFactory factory;
    PortSelector ports(factory);
    ports.selectNull();
    ChannelMonitor monitor(ports);
    monitor.speed = 8.0f;
    SmfFile song;
    Sequencer sequencer(song, monitor, ports, timer);
    ASSERT_TRUE(sequencer.startTimer());
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    sequencer.setState(PlayState::Stopped);
    sequencer.play();
    const std::vector<uint32_t> targets = {50000, 1000, 70000, 70000, 20025, 0, 99000, 33333};
    for (const uint32_t ms : targets) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        ASSERT_TRUE(sequencer.seekToMs(ms));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    sequencer.shutdown();

    // Split the output at each seek's first message (sound off on channel 0).
    std::vector<std::vector<int>> segments;
    for (const auto& message : factory.last->messages()) {
        const auto& b = message.bytes;
        if (b.size() == 3 && b[0] == 0xB0 && b[1] == 120) {
            segments.emplace_back();
        } else if (!segments.empty() && b.size() == 3 && (b[0] & 0xF0) == 0x90 && b[2] > 0) {
            segments.back().push_back((b[0] & 0x0F) * 128 + b[1]);
        }
    }
    ASSERT_EQ(segments.size(), targets.size());
    for (size_t i = 0; i < targets.size(); ++i) {
        const uint32_t tick = song.tickAtMs(targets[i]);
        const int first = static_cast<int>((tick + 47) / 48);
        ASSERT_FALSE(segments[i].empty()) << "after the seek to " << targets[i];
        for (size_t n = 0; n < segments[i].size(); ++n) {
            ASSERT_EQ(segments[i][n], first + static_cast<int>(n)) << "after the seek to " << targets[i];
        }
    }
}

}  // namespace
}  // namespace quorva
