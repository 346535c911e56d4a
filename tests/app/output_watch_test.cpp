#include "app/output_watch.h"

#include "platform/fake/recording_message_box.h"
#include "platform/manual_clock.h"
#include "ports/midi_mapper.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorva {
namespace {

using testing::TrackBuilder;

// What reached one destination, as "hex hex hex", kept by the test beyond the port's life
// (the mapper closes a lost destination on its worker thread).
class Received {
public:
    void record(const std::vector<uint8_t>& bytes)
    {
        std::string line;
        for (uint8_t byte : bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x ", byte);
            line += hex;
        }
        line.pop_back();
        std::lock_guard guard(lock_);
        lines_.push_back(line);
    }
    std::vector<std::string> lines() const
    {
        std::lock_guard guard(lock_);
        return lines_;
    }
    size_t count() const { return lines().size(); }

    std::atomic<bool> gone{false};

private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
};

// A MIDI destination that can leave.
class Destination final : public MidiPort {
public:
    Destination(std::string name, bool opens, std::shared_ptr<Received> log)
        : name_(std::move(name)), opens_(opens), log_(std::move(log))
    {
    }
    bool open() override { return opens_; }
    void sendShort(uint32_t message) override
    {
        std::vector<uint8_t> bytes = {uint8_t(message), uint8_t(message >> 8), uint8_t(message >> 16)};
        bytes.resize(static_cast<size_t>(shortMessageLength(message)));
        log_->record(bytes);
    }
    void sendLong(const LongMessage& message) override { log_->record({message.data, message.data + message.length}); }
    std::string outputName() const override { return name_; }
    bool lost() const override { return log_->gone.load(); }

private:
    std::string name_;
    bool opens_;
    std::shared_ptr<Received> log_;
};

// The system MIDI out over scripted destinations: `present` names the one a fresh choice
// finds ("" for none), and what reaches every destination made is kept.
class MapperFactory final : public PortFactory {
public:
    std::unique_ptr<MidiPort> makeMidiOut() override
    {
        builtIn = std::make_shared<Received>();
        auto mapper = std::make_unique<MidiMapperPort>(
            makeDestination(), std::make_unique<Destination>("the built-in synthesizer", builtInOpens, builtIn));
        mapper->setDeviceMaker([this] { return makeDestination(); });
        return mapper;
    }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return nullptr; }
    std::unique_ptr<MidiPort> makeFmSynth() override { return nullptr; }

    std::unique_ptr<MidiPort> makeDestination()
    {
        std::lock_guard guard(lock);
        made.push_back(std::make_shared<Received>());
        return std::make_unique<Destination>(present, !present.empty(), made.back());
    }
    Received& lastMade()
    {
        std::lock_guard guard(lock);
        return *made.back();
    }
    size_t madeCount()
    {
        std::lock_guard guard(lock);
        return made.size();
    }

    std::mutex lock;  // the worker makes destinations too
    std::string present;
    bool builtInOpens = true;
    std::vector<std::shared_ptr<Received>> made;
    std::shared_ptr<Received> builtIn;
};

// A long song on channel 0: program 5 and volume 90 at the start, then a note every beat.
std::vector<uint8_t> beatSong(uint8_t program)
{
    TrackBuilder track;
    track.event(0, {0xC0, program}).event(0, {0xB0, 7, 90});
    for (int beat = 0; beat < 200; ++beat) {
        track.event(beat == 0 ? 0 : 380, {0x90, 60, 100}).event(100, {0x80, 60, 0});
    }
    track.endOfTrack();
    return testing::buildSmf(0, 480, {track});
}

struct WatchedPlayer {
    WatchedPlayer() : ports(factory), monitor(ports), song(&messages), sequencer(song, monitor, ports, timer)
    {
        errors = std::tmpfile();
        watch = std::make_unique<OutputWatch>(ports, sequencer, clock, errors);
    }
    ~WatchedPlayer()
    {
        sequencer.shutdown();
        ports.release();
        std::fclose(errors);
    }

    void playSong(uint8_t program)
    {
        const auto bytes = beatSong(program);
        sequencer.stop();
        sequencer.setState(PlayState::Idle);
        ASSERT_TRUE(song.loadBytes(bytes.data(), bytes.size()));
        sequencer.setState(PlayState::Stopped);
        sequencer.play();
    }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            clock.advance(Sequencer::tickPeriodMs);
            timer.fire();
        }
    }
    // Frames until a report was printed (the choice runs on the mapper's worker thread).
    void framesUntilTold(size_t lines)
    {
        for (int i = 0; i < 2000 && told().size() < lines; ++i) {
            watch->betweenFrames();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    void frames(int count)
    {
        for (int i = 0; i < count; ++i) {
            watch->betweenFrames();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    std::vector<std::string> told()
    {
        std::fflush(errors);
        std::rewind(errors);
        std::vector<std::string> lines;
        char line[512];
        while (std::fgets(line, sizeof line, errors)) {
            lines.emplace_back(line);
        }
        std::fseek(errors, 0, SEEK_END);
        return lines;
    }

    ManualClock clock{1000};
    ManualTimer timer;
    RecordingMessageBox messages;
    MapperFactory factory;
    PortSelector ports;
    ChannelMonitor monitor;
    SmfFile song;
    Sequencer sequencer;
    std::FILE* errors = nullptr;
    std::unique_ptr<OutputWatch> watch;
};

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// A destination that leaves mid-song: the user is told once, on standard error and in the
// song text area for ten seconds; the built-in synthesizer takes over with the song's state
// chased onto it and goes on with the song; the destination back, the next song uses it.
TEST(OutputWatch, ALostDestinationFallsBackWithTheSongsStateAndComesBackForTheNextSong)
{
    WatchedPlayer player;
    player.factory.present = "jack: synth:in";
    ASSERT_TRUE(player.ports.selectMidiOut());
    ASSERT_TRUE(player.sequencer.startTimer());
    Received& first = player.factory.lastMade();

    // While nothing fails, nothing changes: new songs do not choose again.
    for (uint8_t program : {1, 2, 3}) {
        player.playSong(program);
        player.ticks(50);
        player.watch->betweenFrames();
    }
    EXPECT_EQ(player.factory.madeCount(), 1u);
    EXPECT_TRUE(player.told().empty());
    EXPECT_EQ(player.watch->notice(), "");
    player.ticks(200);  // a second into the song: two notes have played
    ASSERT_TRUE(contains(first.lines(), "c0 03"));

    first.gone = true;
    player.factory.present = "";
    const size_t before = first.count();
    player.framesUntilTold(1);
    const std::string told = "MIDI output \"jack: synth:in\" is gone: playing on the built-in synthesizer";
    ASSERT_EQ(player.told(), std::vector<std::string>{"quorva: " + told + "\n"});
    EXPECT_EQ(player.watch->notice(), told);
    EXPECT_EQ(player.sequencer.state(), PlayState::Playing);
    // The built-in synthesizer got the song's state where it stood, then the song goes on.
    const auto chased = player.factory.builtIn->lines();
    ASSERT_FALSE(chased.empty());
    EXPECT_TRUE(contains(chased, "f0 7e 7f 09 01 f7"));
    EXPECT_TRUE(contains(chased, "c0 03"));
    EXPECT_TRUE(contains(chased, "b0 07 5a"));
    player.ticks(200);
    const auto after = player.factory.builtIn->lines();
    ASSERT_GT(after.size(), chased.size());
    EXPECT_TRUE(contains({after.begin() + static_cast<long>(chased.size()), after.end()}, "90 3c 64"));
    EXPECT_LE(first.count(), before + 48u);  // nothing of the song after the switch (sounds off aside)

    // Told once: more frames say nothing more; the screen line goes after ten seconds.
    player.frames(50);
    EXPECT_EQ(player.told().size(), 1u);
    player.clock.advance(OutputWatch::noticeMs);
    EXPECT_EQ(player.watch->notice(), "");

    // The destination is back: the current song stays where it is, the next one uses it.
    player.factory.present = "jack: synth:in";
    player.ticks(50);
    player.frames(50);
    EXPECT_EQ(player.told().size(), 1u);
    player.playSong(7);
    player.framesUntilTold(2);
    ASSERT_EQ(player.told().size(), 2u);
    EXPECT_EQ(player.told()[1], "quorva: MIDI output \"jack: synth:in\" found: playing on it\n");
    Received& back = player.factory.lastMade();
    player.ticks(200);
    EXPECT_TRUE(contains(back.lines(), "c0 07"));
    EXPECT_TRUE(contains(back.lines(), "90 3c 64"));
    const size_t builtInCount = player.factory.builtIn->count();
    player.ticks(200);
    EXPECT_EQ(player.factory.builtIn->count(), builtInCount);
}

// Nothing to fall back on: the user is told, and the player goes on silently; the next song
// finds the destination that came back.
TEST(OutputWatch, WithNothingLeftThePlayerGoesOnSilentlyUntilANewSongFindsADestination)
{
    WatchedPlayer player;
    player.factory.present = "alsa: Synth 128:0";
    player.factory.builtInOpens = false;
    ASSERT_TRUE(player.ports.selectMidiOut());
    ASSERT_TRUE(player.sequencer.startTimer());
    player.playSong(4);
    player.ticks(20);
    player.watch->betweenFrames();

    player.factory.present = "";
    player.factory.lastMade().gone = true;
    player.framesUntilTold(1);
    ASSERT_EQ(player.told(),
              std::vector<std::string>{"quorva: MIDI output \"alsa: Synth 128:0\" is gone, and nothing else can play\n"});
    auto& mapper = static_cast<MidiMapperPort&>(player.ports.port());
    EXPECT_EQ(mapper.route(), MidiMapperPort::Route::None);
    player.ticks(400);
    EXPECT_EQ(player.sequencer.state(), PlayState::Playing);
    EXPECT_EQ(player.factory.builtIn->count(), 0u);

    player.factory.present = "alsa: Synth 128:0";
    player.playSong(6);
    player.framesUntilTold(2);
    ASSERT_EQ(player.told().size(), 2u);
    EXPECT_EQ(player.told()[1], "quorva: MIDI output \"alsa: Synth 128:0\" found: playing on it\n");
    EXPECT_EQ(mapper.route(), MidiMapperPort::Route::Device);
    player.ticks(100);
    EXPECT_TRUE(contains(player.factory.lastMade().lines(), "c0 06"));
}

}  // namespace
}  // namespace quorva
