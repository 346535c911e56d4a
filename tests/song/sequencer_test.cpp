#include "support/player_fixture.h"
#include "support/smf_builder.h"

#include "platform/posix_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <future>
#include <thread>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::Player;
using testing::TrackBuilder;

TEST(Sequencer, AdvancesThroughTheTempoMapAtTheChosenSpeed)
{
    TrackBuilder track;
    track.tempo(40, 250000).event(10000, {0x90, 60, 1});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.sequencer.play();
    player.ticks(1);
    EXPECT_DOUBLE_EQ(player.sequencer.position(), 4.8);
    player.ticks(7);
    EXPECT_NEAR(player.sequencer.position(), 38.4, 1e-9);
    EXPECT_EQ(player.sequencer.tempo(), 500000u);
    player.ticks(1);
    EXPECT_NEAR(player.sequencer.position(), 43.2, 1e-9);
    EXPECT_EQ(player.sequencer.tempo(), 250000u);  // reached in this tick, used from the next
    player.ticks(1);
    EXPECT_NEAR(player.sequencer.position(), 52.8, 1e-9);

    player.monitor.speed = 0.5f;
    player.sequencer.play();
    player.ticks(2);
    EXPECT_NEAR(player.sequencer.position(), 4.8, 1e-9);
}

TEST(Sequencer, ATempoChangeTakesEffectInTheTickThatReachesItsTickExactly)
{
    // 200 ticks a quarter at 500000: exactly 2 song ticks a timer tick.
    TrackBuilder track;
    track.tempo(4, 250000).tempo(4, 125000).event(10000, {0x90, 60, 1});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 200, {track})));
    player.sequencer.play();
    player.ticks(1);
    EXPECT_EQ(player.sequencer.position(), 2.0);
    EXPECT_EQ(player.sequencer.tempo(), 500000u);
    player.ticks(1);
    EXPECT_EQ(player.sequencer.position(), 4.0);
    EXPECT_EQ(player.sequencer.tempo(), 250000u);
    player.ticks(1);  // 4 song ticks at 250000: 8 reaches the second change exactly
    EXPECT_EQ(player.sequencer.position(), 8.0);
    EXPECT_EQ(player.sequencer.tempo(), 125000u);
}

TEST(Sequencer, GmSystemOnOnlyForSongsWithoutTheirOwnReset)
{
    TrackBuilder plain;
    plain.event(0, {0x90, 60, 1}).event(0, {0x90, 62, 1});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {plain})));
    player.sequencer.play();
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"f0 7e 7f 09 01 f7"}));
    player.ticks(1);  // both events of tick 0 in the same timer tick, in stream order
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"f0 7e 7f 09 01 f7", "90 3c 01", "90 3e 01"}));

    TrackBuilder withReset;
    withReset.sysex(0, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}).event(0, {0x90, 60, 1});
    Player other;
    ASSERT_TRUE(other.loadBytes(buildSmf(0, 480, {withReset})));
    other.sequencer.play();
    EXPECT_TRUE(other.sent().empty());
}

TEST(Sequencer, PauseResumeAndStop)
{
    Player player;
    player.playHeldNotes();
    player.sequencer.pause();
    EXPECT_EQ(player.sequencer.state(), PlayState::Paused);
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"80 3c 00", "89 26 00"}));
    const double position = player.sequencer.position();
    player.ticks(10);
    EXPECT_EQ(player.sequencer.position(), position);

    player.port().clear();
    player.monitor.setTranspose(2, player.sequencer);  // not playing: only the value changes
    EXPECT_TRUE(player.sent().empty());
    player.sequencer.resume();
    EXPECT_EQ(player.sent(), (std::vector<std::string>{"90 3e 5a"}));

    player.sequencer.pause();
    player.port().clear();
    player.sequencer.stop();
    EXPECT_EQ(player.sequencer.state(), PlayState::Stopped);
    const auto sent = player.sent();
    ASSERT_EQ(sent.size(), 34u);
    EXPECT_EQ(sent[0], "b0 40 00");
    EXPECT_EQ(sent[1], "b0 42 00");
    EXPECT_EQ(sent[31], "bf 42 00");
    EXPECT_EQ(sent[32], "80 3e 00");
    EXPECT_EQ(sent[33], "89 26 00");
    EXPECT_EQ(player.sequencer.elapsedMs(), 0u);
    EXPECT_EQ(player.sequencer.currentMeasure(), 0u);
    EXPECT_EQ(player.sequencer.currentBeat(), 0u);
}

TEST(Sequencer, EndOfSongStopsFromTheTimer)
{
    TrackBuilder track;
    track.event(0, {0x90, 60, 90});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.sequencer.play();
    // endTick 960 at 4.8 ticks per tick: the tick that passes it (201) stops.
    player.ticks(200);
    EXPECT_EQ(player.sequencer.state(), PlayState::Playing);
    player.port().clear();
    player.ticks(1);
    EXPECT_EQ(player.sequencer.state(), PlayState::Stopped);
    EXPECT_FALSE(player.sequencer.playing());
    const auto sent = player.sent();
    ASSERT_EQ(sent.size(), 33u);
    EXPECT_EQ(sent.back(), "80 3c 00");
    // The released note fades and is discarded about half a second later.
    player.ticks(101);
    std::lock_guard guard(player.sequencer.lock());
    EXPECT_TRUE(player.sequencer.notes().empty());
}

TEST(Sequencer, PositionReadOuts)
{
    TrackBuilder track;
    track.timeSignature(0, 3, 2).tempo(0, 500000).tempo(956, 1000000).event(100000, {0x90, 60, 1});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.sequencer.play();
    player.ticks(1);
    EXPECT_EQ(player.sequencer.currentBeat(), 1u);
    player.ticks(198);
    EXPECT_EQ(player.sequencer.elapsedMs(), 994u);  // 955 whole ticks at 500000
    player.ticks(1);
    // The second tempo is applied: its startMs is 956 * 500 / 480 = 995.
    auto p = static_cast<uint32_t>(player.sequencer.position());
    EXPECT_EQ(player.sequencer.elapsedMs(), static_cast<uint32_t>((p - 956) * 1000000.0 / 480000.0 + 995));
    for (int steps : {217, 217, 300}) {
        player.ticks(steps);
        p = static_cast<uint32_t>(player.sequencer.position());
        EXPECT_EQ(player.sequencer.currentMeasure(), p / 1440);
        EXPECT_EQ(player.sequencer.currentBeat(), (p / 480) % 3 + 1);
    }
}

TEST(Sequencer, MeasureAndBeatFollowTheLastOfTheMetersAtOneTick)
{
    // 4/4 and 3/4 both at tick 0 (3/4 holds), 2/4 from tick 2880 (bar 2).
    TrackBuilder conductor, part;
    conductor.timeSignature(0, 4, 2).timeSignature(2880, 2, 2);
    part.timeSignature(0, 3, 2).event(100000, {0x90, 60, 1});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(1, 480, {conductor, part})));
    player.sequencer.play();
    // 500000 us per quarter: 96 ticks per 100 ms, so 5 ms is 4.8 ticks.
    player.ticks(401);  // 1924.8 ticks: bar 1 (0-based), beat 2 of 3
    EXPECT_EQ(player.sequencer.meterNumerator(), 3);
    EXPECT_EQ(player.sequencer.currentMeasure(), 1u);
    EXPECT_EQ(player.sequencer.currentBeat(), 2u);
    player.ticks(400);  // 3844.8 ticks: 964 into 2/4, bar 3, beat 1
    EXPECT_EQ(player.sequencer.meterNumerator(), 2);
    EXPECT_EQ(player.sequencer.currentMeasure(), 3u);
    EXPECT_EQ(player.sequencer.currentBeat(), 1u);
}

TEST(Sequencer, TheReadoutHoldsTheMeterThatTookEffectLast)
{
    TrackBuilder track;
    track.timeSignature(0, 3, 2).tempo(0, 600000).timeSignature(1440, 6, 3).tempo(0, 300000).event(100000, {0x90, 60, 1});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.sequencer.play();
    PlayReadout readout = player.sequencer.readout();
    EXPECT_EQ(readout.position, 0.0);
    EXPECT_EQ(readout.meterNumerator, 4);
    EXPECT_EQ(readout.meterDenominatorPower, 2);
    player.ticks(1);
    readout = player.sequencer.readout();
    EXPECT_EQ(readout.meterNumerator, 3);
    EXPECT_EQ(readout.meterTick, 0u);
    EXPECT_EQ(readout.tempo, 600000u);
    // 4 ticks a timer tick at 600000: 1440 is reached in the 360th.
    player.ticks(358);
    EXPECT_EQ(player.sequencer.readout().meterNumerator, 3);
    player.ticks(1);
    readout = player.sequencer.readout();
    EXPECT_EQ(readout.meterNumerator, 6);
    EXPECT_EQ(readout.meterDenominatorPower, 3);
    EXPECT_EQ(readout.meterTick, 1440u);
    EXPECT_EQ(readout.tempo, 300000u);
    EXPECT_EQ(readout.position, player.sequencer.position());
    EXPECT_EQ(player.sequencer.currentBeat(readout), 1u);
    EXPECT_EQ(player.sequencer.currentMeasure(readout), 1u);
}

// A timer that says it ticks on its own thread but never does, as a timer that died.
class SilentTimer final : public PeriodicTimer {
public:
    bool start(uint32_t, std::function<void()>) override { return true; }
    void stop() override {}
};

TEST(Sequencer, StopGivesUpWaitingForATimerThatNeverAnswers)
{
    TrackBuilder track;
    track.event(0, {0x90, 60, 1}).event(100000, {0x80, 60, 0});
    const auto bytes = buildSmf(0, 480, {track});
    SilentTimer timer;
    testing::CaptureFactory factory;
    PortSelector ports(factory);
    ports.selectNull();
    ChannelMonitor monitor(ports);
    SmfFile song;
    Sequencer sequencer(song, monitor, ports, timer);
    ASSERT_TRUE(sequencer.startTimer());
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    sequencer.setState(PlayState::Stopped);
    sequencer.play();
    sequencer.stop();  // returns after the wait's bound
    EXPECT_EQ(sequencer.state(), PlayState::Stopped);
    EXPECT_FALSE(sequencer.playing());
    sequencer.play();  // the request left behind does not stop the next play
    sequencer.tick();
    EXPECT_TRUE(sequencer.playing());
    EXPECT_EQ(sequencer.state(), PlayState::Playing);
}

TEST(Sequencer, AStopRacingTheEndOfTheSongDoesNotCancelTheNextPlay)
{
    TrackBuilder track;
    track.event(0, {0x90, 60, 1}).event(1, {0x80, 60, 0});
    const auto bytes = buildSmf(0, 9600, {track});  // ends after about 1000 ms
    ThreadPeriodicTimer timer;
    testing::CaptureFactory factory;
    PortSelector ports(factory);
    ports.selectNull();
    ChannelMonitor monitor(ports);
    monitor.speed = 8.0f;  // about 125 ms a song
    SmfFile song;
    Sequencer sequencer(song, monitor, ports, timer);
    ASSERT_TRUE(sequencer.startTimer());
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    for (int round = 0; round < 6; ++round) {
        sequencer.setState(PlayState::Stopped);
        sequencer.play();
        std::this_thread::sleep_for(std::chrono::milliseconds(100 + round * 5));
        sequencer.stop();
        sequencer.play();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(sequencer.state(), PlayState::Playing) << round;
        EXPECT_TRUE(sequencer.playing());
        sequencer.stop();
    }
    sequencer.shutdown();
}

TEST(Sequencer, ATimerWhoseSleepFailsEndsItsThreadAndAStopNeedsNoTick)
{
    // The sleep waits for the song, is interrupted once (and sleeps again), lets two ticks run,
    // then fails. A timer that slept on after the failure would call again; past 1000 calls
    // it is let go so that the test ends either way.
    std::promise<void> songReady;
    std::shared_future<void> ready = songReady.get_future().share();
    std::atomic<int> calls{0};
    ThreadPeriodicTimer timer([&calls, ready](const timespec&) {
        const int call = calls.fetch_add(1);
        if (call == 0) {
            ready.wait();
            return EINTR;
        }
        if (call <= 2) {
            return 0;
        }
        return call < 1000 ? EINVAL : 0;
    });
    TrackBuilder track;
    track.event(0, {0x90, 60, 1}).event(100000, {0x80, 60, 0});
    const auto bytes = buildSmf(0, 480, {track});
    testing::CaptureFactory factory;
    PortSelector ports(factory);
    ports.selectNull();
    ChannelMonitor monitor(ports);
    SmfFile song;
    Sequencer sequencer(song, monitor, ports, timer);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(sequencer.startTimer());
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    sequencer.setState(PlayState::Stopped);
    sequencer.play();
    songReady.set_value();
    while (timer.ticksOnOwnThread() && calls.load() < 1000) {
        std::this_thread::yield();
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "quorva: the 5 ms timer stopped: clock_nanosleep failed: Invalid argument\n");
    EXPECT_EQ(calls.load(), 4);
    EXPECT_FALSE(timer.ticksOnOwnThread());
    EXPECT_EQ(factory.last->messages().size(), 2u);  // the reset and the note on of the first tick

    // Nothing waits for the ended thread: the stop silences the held note at once.
    sequencer.stop();
    EXPECT_EQ(sequencer.state(), PlayState::Stopped);
    ASSERT_FALSE(factory.last->messages().empty());
    EXPECT_EQ(factory.last->messages().back().bytes, (std::vector<uint8_t>{0x80, 60, 0}));

    // The timer starts again over its ended thread (whose sleep fails again at once).
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(timer.start(Sequencer::tickPeriodMs, [] {}));
    timer.stop();
    ::testing::internal::GetCapturedStderr();
}

// Records each short message and whether another thread could take the sequencer's lock
// while it was sent.
class LockProbePort final : public MidiPort {
public:
    void sendShort(uint32_t message) override
    {
        bool lockFree = false;
        std::thread other([&] {
            if (sequencer->lock().try_lock()) {
                lockFree = true;
                sequencer->lock().unlock();
            }
        });
        other.join();
        sent.push_back(message);
        sentUnderLock += lockFree ? 0 : 1;
    }

    Sequencer* sequencer = nullptr;
    std::vector<uint32_t> sent;
    int sentUnderLock = 0;
};

class LockProbeFactory final : public PortFactory {
public:
    std::unique_ptr<MidiPort> makeMidiOut() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeNull() override
    {
        auto port = std::make_unique<LockProbePort>();
        last = port.get();
        return port;
    }

    LockProbePort* last = nullptr;
};

TEST(Sequencer, PauseResumeKeyShiftAndStopSendWithTheLockReleased)
{
    TrackBuilder track;
    track.event(0, {0x90, 60, 90}).event(0, {0x99, 38, 70}).event(100000, {0x80, 60, 0});
    const auto bytes = buildSmf(0, 480, {track});
    ManualTimer timer;
    LockProbeFactory factory;
    PortSelector ports(factory);
    ports.selectNull();
    ChannelMonitor monitor(ports);
    SmfFile song;
    Sequencer sequencer(song, monitor, ports, timer);
    factory.last->sequencer = &sequencer;
    ASSERT_TRUE(sequencer.startTimer());
    ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
    sequencer.setState(PlayState::Stopped);
    sequencer.play();
    timer.fire();
    LockProbePort& port = *factory.last;
    port.sent.clear();

    sequencer.pause();
    sequencer.resume();
    monitor.setTranspose(2, sequencer);
    sequencer.stop();
    // Pause: 2 note offs; resume: 1 note on (not the drum); key shift: 2 offs, 1 on; stop:
    // 32 pedal resets, 2 offs.
    ASSERT_EQ(port.sent.size(), 40u);
    EXPECT_EQ(port.sent[2], packShort(0x90, 60, 90));
    EXPECT_EQ(port.sent[5], packShort(0x90, 62, 90));
    EXPECT_EQ(port.sent[38], packShort(0x80, 62, 0));
    EXPECT_EQ(port.sentUnderLock, 0);
}

}  // namespace
}  // namespace quorva
