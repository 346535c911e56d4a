#include "app/external_control.h"
#include "app/hand_off.h"
#include "app/main_window.h"
#include "platform/fake/scripted_window.h"
#include "support/player_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace quorva {
namespace {

using namespace std::string_literals;
using testing::TempDir;
using testing::TrackBuilder;

std::vector<uint8_t> titledSong(const std::string& title)
{
    TrackBuilder track;
    track.text(0, 3, title).event(0, {0x90, 60, 90}).event(960, {0x80, 60, 0});
    return testing::buildSmf(0, 480, {track});
}

struct Controlled {
    testing::Player player;
    ScriptedWindow platform;
    MainWindow window{platform};
    ExternalControl control{player.sequencer, window,
                            [](std::string_view text) { return "<" + std::string(text) + ">"; }};
    TempDir dir;

    std::string request(control::Verb verb, std::string_view text)
    {
        return *control.answer(control::encodeRequest(verb, text), false);
    }
    std::string field(const std::string& name)
    {
        for (const auto& [key, value] : control.status()) {
            if (key == name) {
                return value;
            }
        }
        return "(none)";
    }
};

const std::string ack = "result: 0x8000\n";
const std::string refuse = "result: 0x0000\n";

TEST(ExternalControl, PlayfileStopsLoadsAndPlaysAtOnceAndStopStops)
{
    Controlled c;
    const auto first = c.dir.write("first.mid", titledSong("First"));
    const auto second = c.dir.write("second.mid", titledSong("Second"));
    EXPECT_EQ(c.request(control::Verb::Execute, "playfile " + first.string()), ack);
    EXPECT_EQ(c.player.sequencer.state(), PlayState::Playing);
    EXPECT_EQ(c.field("path"), first.string());
    c.player.ticks(100);
    EXPECT_EQ(c.request(control::Verb::Execute, "playfile " + second.string()), ack);
    EXPECT_EQ(c.player.sequencer.state(), PlayState::Playing);
    EXPECT_EQ(c.field("title"), "<Second>");
    EXPECT_EQ(c.field("position_ms"), "0");
    EXPECT_EQ(c.field("length_ms"), std::to_string(c.player.song.endMs()));
    c.player.ticks(40);
    EXPECT_EQ(c.field("state"), "playing");
    EXPECT_EQ(c.field("position_ms"), std::to_string(c.player.sequencer.elapsedMs()));
    EXPECT_NE(c.field("position_ms"), "0");

    EXPECT_EQ(c.request(control::Verb::Execute, "stop"), ack);
    EXPECT_EQ(c.field("state"), "stopped");
    EXPECT_EQ(c.field("path"), second.string());

    // A path that cannot be loaded is acknowledged and leaves the player idle.
    EXPECT_EQ(c.request(control::Verb::Execute, "playfile " + (c.dir / "missing.mid").string()), ack);
    EXPECT_EQ(c.player.sequencer.state(), PlayState::Idle);
    EXPECT_EQ(c.field("state"), "idle");
    EXPECT_EQ(c.field("path"), "");
    EXPECT_EQ(c.field("length_ms"), "0");
}

TEST(ExternalControl, OnlyTheExactVerbsOfTheOneServiceAndTopicAreCarriedOut)
{
    Controlled c;
    const auto song = c.dir.write("song.mid", titledSong("Song"));
    c.request(control::Verb::Execute, "playfile " + song.string());
    for (const char* command : {"Stop", "stop ", " stop", "STOP", "sto", "", "Playfile x", "playfile", "playfilex"}) {
        EXPECT_EQ(c.request(control::Verb::Execute, command), refuse) << command;
        EXPECT_EQ(c.player.sequencer.state(), PlayState::Playing) << command;
    }
    for (auto [service, topic] : {std::pair{"TMIDI", "tmidi"}, {"tmidi", "TMIDI"}, {"TMIDI", "OTHER"}, {"", ""}}) {
        EXPECT_EQ(*c.control.answer(control::encodeRequest(control::Verb::Execute, "stop", service, topic), false), refuse);
        EXPECT_EQ(*c.control.answer(control::encodeRequest(control::Verb::Status, "", service, topic), false), refuse);
    }
    EXPECT_EQ(c.player.sequencer.state(), PlayState::Playing);
    EXPECT_EQ(c.control.execute("OTHER", "stop"), control::refused);
    EXPECT_EQ(c.control.execute("TMIDI", "stop"), control::acknowledged);
    EXPECT_EQ(c.player.sequencer.state(), PlayState::Stopped);
}

TEST(ExternalControl, PartialRequestsWaitAndBrokenOnesAreRefused)
{
    Controlled c;
    const std::string whole = control::encodeRequest(control::Verb::Execute, "stop");
    EXPECT_FALSE(c.control.answer(whole.substr(0, 9), false));
    // The end of input (or of the client's time) turns a partial request into a refusal.
    EXPECT_EQ(c.control.answer(whole.substr(0, 9), true), refuse);
    EXPECT_EQ(c.control.answer("", true), refuse);
    EXPECT_EQ(c.control.answer("GET / HTTP/1.0\r\n\r\n", false), refuse);
    EXPECT_EQ(c.control.answer(std::string(1000, '\xff'), false), refuse);
    EXPECT_EQ(c.control.answer(whole + "\0"s, false), refuse);
    EXPECT_EQ(c.control.answer(whole, false), ack);
    EXPECT_EQ(c.request(control::Verb::Status, "extra"), refuse);
}

TEST(ExternalControl, HandOffLeavesTheCommandLineForTheNextFrame)
{
    Controlled c;
    EXPECT_EQ(c.request(control::Verb::HandOff, "/songs/next one.mid"), ack);
    EXPECT_TRUE(c.window.filePending());
    EXPECT_EQ(c.window.pendingPath(), "/songs/next one.mid");
    EXPECT_EQ(c.player.sequencer.state(), PlayState::Idle);  // nothing loads before the frame
    c.window.clearFrameInput();
    EXPECT_EQ(c.request(control::Verb::HandOff, ""), refuse);
    EXPECT_FALSE(c.window.filePending());
    // The longest path the system takes arrives whole; anything longer is refused, not cut.
    EXPECT_EQ(c.request(control::Verb::HandOff, "/" + std::string(4094, 'p')), ack);
    EXPECT_EQ(c.window.pendingPath().size(), 4095u);
    c.window.clearFrameInput();
    EXPECT_EQ(c.request(control::Verb::HandOff, "/" + std::string(4095, 'p')), refuse);
    EXPECT_FALSE(c.window.filePending());
}

TEST(ExternalControl, MediaControlsPauseResumeAndRestart)
{
    Controlled c;
    EXPECT_FALSE(c.control.nowPlaying().hasSong);
    c.control.play();  // nothing loaded: nothing to play
    EXPECT_EQ(c.player.sequencer.state(), PlayState::Idle);

    const auto song = c.dir.write("plain.mid", testing::buildSmf(0, 480, {TrackBuilder().event(0, {0x90, 60, 90})}));
    c.control.openPath(song.string());
    NowPlaying now = c.control.nowPlaying();
    EXPECT_EQ(now.status, PlaybackStatus::Playing);
    EXPECT_EQ(now.title, "plain.mid");  // no title text: the file name
    EXPECT_EQ(now.lengthUs, int64_t{c.player.song.endMs()} * 1000);
    c.control.playPause();
    EXPECT_EQ(c.control.nowPlaying().status, PlaybackStatus::Paused);
    c.control.pause();
    EXPECT_EQ(c.control.nowPlaying().status, PlaybackStatus::Paused);
    c.control.playPause();
    EXPECT_EQ(c.control.nowPlaying().status, PlaybackStatus::Playing);
    c.control.stop();
    EXPECT_EQ(c.control.nowPlaying().status, PlaybackStatus::Stopped);
    c.control.pause();
    EXPECT_EQ(c.control.nowPlaying().status, PlaybackStatus::Stopped);
    c.control.play();
    EXPECT_EQ(c.control.nowPlaying().status, PlaybackStatus::Playing);
}

class FakeChannel final : public ControlChannel {
public:
    bool playerRuns() override { return runs; }
    ControlCall call(std::string_view request) override
    {
        sent.emplace_back(request);
        return {runs ? ControlReach::Answered : ControlReach::NoPlayer, "result: 0x8000\n"};
    }
    bool runs = false;
    std::vector<std::string> sent;
};

TEST(ControlHandOff, SendsTheWholeCommandLineOnlyToARunningCopy)
{
    FakeChannel channel;
    ControlHandOff handOff(channel);
    EXPECT_FALSE(handOff.handOff(""));
    EXPECT_FALSE(handOff.handOff("/a.mid"));
    channel.runs = true;
    EXPECT_TRUE(handOff.handOff(""));
    ASSERT_EQ(channel.sent.size(), 1u);  // the attempt that found nobody
    EXPECT_TRUE(handOff.handOff("\"/songs/a b.mid\""));
    EXPECT_EQ(channel.sent.back(), control::encodeRequest(control::Verb::HandOff, "\"/songs/a b.mid\""));
}

}  // namespace
}  // namespace quorva
