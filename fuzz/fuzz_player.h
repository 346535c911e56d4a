#pragma once
// The pieces the fuzz targets share: a player on a manual timer whose ports are capture
// ports, a message box that only counts, and a scratch file for readers that take a path.
#include "platform/fake/capture_port.h"
#include "platform/manual_clock.h"
#include "platform/message_box.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

namespace quorva::fuzz {

// Stops the run: a fault the sanitizers cannot see (a broken promise of the code).
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

class CountingMessageBox final : public MessageBox {
public:
    void show(std::string_view) override { ++shown; }
    int shown = 0;
};

// Capture ports for every kind; an opening fails when the next bit of `failMask` is set.
class CaptureFactory final : public PortFactory {
public:
    explicit CaptureFactory(Clock& clock) : clock_(clock) {}
    std::unique_ptr<MidiPort> makeMidiOut() override { return make(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return make(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return make(); }
    std::unique_ptr<MidiPort> makeNull() override { return make(); }

    CapturePort* last = nullptr;
    uint32_t failMask = 0;

private:
    std::unique_ptr<MidiPort> make()
    {
        auto port = std::make_unique<CapturePort>(&clock_);
        port->openResult = (failMask & 1) == 0;
        failMask >>= 1;
        last = port.get();
        return port;
    }
    Clock& clock_;
};

// The song, the sequencer, the channel monitor and the port selector of the program, on a
// timer that ticks only when told to.
struct Player {
    Player() : factory(clock), ports(factory), monitor(ports), song(&messages), sequencer(song, monitor, ports, timer)
    {
        ports.selectNull();
        sequencer.startTimer();
    }

    bool loadBytes(const uint8_t* bytes, size_t size)
    {
        sequencer.setState(PlayState::Idle);
        const bool ok = song.loadBytes(bytes, size);
        if (ok) {
            sequencer.setState(PlayState::Stopped);
        }
        return ok;
    }

    // One timer tick, then what the screen reads every frame.
    void tick()
    {
        clock.advance(Sequencer::tickPeriodMs);
        timer.fire();
        readOuts += sequencer.elapsedMs() + sequencer.currentMeasure() + sequencer.currentBeat();
        std::lock_guard guard(sequencer.lock());
        for (const SoundingNote* note = sequencer.notes().first(); note; note = note->next) {
            if (note->channel >= ChannelMonitor::channelCount || note->note > 127) {
                fail("a sounding note outside the channels or keys");
            }
            readOuts += static_cast<uint32_t>(note->level);
        }
    }

    ManualClock clock;
    ManualTimer timer;
    CountingMessageBox messages;
    CaptureFactory factory;
    PortSelector ports;
    ChannelMonitor monitor;
    SmfFile song;
    Sequencer sequencer;
    uint32_t readOuts = 0;  // keeps the read-outs from being optimised away
};

// A file holding the input, for readers that open a path: one path per process, rewritten
// for each input and removed at exit. tools/fuzz.sh puts it on /dev/shm.
class ScratchFile {
public:
    explicit ScratchFile(const char* name)
    {
        const char* directory = std::getenv("TMPDIR");
        path_ = std::string(directory && *directory ? directory : "/tmp") + "/quorva-fuzz-" + std::to_string(getpid()) +
                "-" + name;
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& write(const uint8_t* data, size_t size)
    {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file) {
            fail("cannot write the scratch file");
        }
        if (size > 0 && std::fwrite(data, 1, size, file) != size) {
            fail("cannot write the scratch file");
        }
        std::fclose(file);
        return path_;
    }

private:
    std::string path_;
};

}  // namespace quorva::fuzz
