#pragma once
#include "platform/fake/capture_port.h"
#include "platform/fake/recording_message_box.h"
#include "platform/manual_clock.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "support/smf_builder.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace quorva::testing {

// Makes capture ports for every kind and remembers the last one made.
class CaptureFactory final : public PortFactory {
public:
    explicit CaptureFactory(Clock* clock = nullptr) : clock_(clock) {}
    std::unique_ptr<MidiPort> makeMidiOut() override { return make(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return make(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return make(); }
    std::unique_ptr<MidiPort> makeNull() override { return make(); }

    CapturePort* last = nullptr;
    int made = 0;
    bool nextOpenFails = false;

private:
    std::unique_ptr<MidiPort> make()
    {
        auto port = std::make_unique<CapturePort>(clock_);
        port->openResult = !nextOpenFails;
        nextOpenFails = false;
        last = port.get();
        ++made;
        return port;
    }
    Clock* clock_;
};

// A complete player on a manual timer and a capture port.
struct Player {
    Player() : factory(&clock), ports(factory), monitor(ports), song(&messages), sequencer(song, monitor, ports, timer)
    {
        ports.selectNull();
        sequencer.startTimer();
    }

    CapturePort& port() { return *factory.last; }

    // Plays a song whose melodic note 60 (channel 0, velocity 90) and drum note 38 (channel
    // 9, velocity 70) sound from the first tick on, and forgets what was sent so far.
    void playHeldNotes()
    {
        TrackBuilder track;
        track.event(0, {0x90, 60, 90}).event(0, {0x99, 38, 70}).event(100000, {0x80, 60, 0});
        loadBytes(buildSmf(0, 480, {track}));
        sequencer.play();
        ticks(1);
        port().clear();
    }

    bool loadBytes(const std::vector<uint8_t>& bytes)
    {
        sequencer.setState(PlayState::Idle);
        const bool ok = song.loadBytes(bytes.data(), bytes.size());
        if (ok) {
            sequencer.setState(PlayState::Stopped);
        }
        return ok;
    }

    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            clock.advance(Sequencer::tickPeriodMs);
            timer.fire();
        }
    }

    // Every captured message as "hex hex hex".
    std::vector<std::string> sent() const
    {
        std::vector<std::string> out;
        for (const auto& message : factory.last->messages()) {
            std::string line;
            for (uint8_t byte : message.bytes) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02x ", byte);
                line += hex;
            }
            if (!line.empty()) {
                line.pop_back();
            }
            out.push_back(line);
        }
        return out;
    }

    ManualClock clock;
    ManualTimer timer;
    RecordingMessageBox messages;
    CaptureFactory factory;
    PortSelector ports;
    ChannelMonitor monitor;
    SmfFile song;
    Sequencer sequencer;
};

}  // namespace quorva::testing
