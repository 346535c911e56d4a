#pragma once
#include "platform/manual_clock.h"
#include "platform/stderr_message_box.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"

#include <optional>
#include <string>
#include <vector>

namespace quorva {

// The command-line options every render mode shares.
struct RenderOptions {
    std::string songPath;
    float speed = 1.0f;
    int transpose = 0;
};

// Parses --speed X (a value of the speed control's table) and --transpose N (-6..6), taking
// them out of `args`. On a bad value, returns nothing and sets `error`.
std::optional<RenderOptions> takeCommonOptions(std::vector<std::string>& args, std::string& error);

// The real sequencer playing a song in simulated time: a manual clock that starts at
// `startMs`, and timer ticks fired by hand. play() runs at the start time; every tick()
// first moves the clock on by one period, so its messages carry that tick's time.
class SimulatedPlayback {
public:
    SimulatedPlayback(PortFactory& factory, uint32_t startMs);

    // False, with a one-line reason, when the file cannot be read or is no song.
    bool load(const std::string& path, std::string& error);
    void applyOptions(const RenderOptions& options);
    void play();
    void tick();
    bool stopped() const { return sequencer.state() != PlayState::Playing; }
    uint32_t startMs() const { return startMs_; }

    ManualClock clock;
    ManualTimer timer;
    StderrMessageBox messages;
    PortSelector ports;
    ChannelMonitor monitor;
    SmfFile song;
    Sequencer sequencer;

private:
    uint32_t startMs_;
};

}  // namespace quorva
