#pragma once
// The real main screen on the NULL port in simulated time: what `quorva-render --screen`
// draws, and what the frame benchmark measures.
#include "app/fps_timer.h"
#include "app/instrument_names.h"
#include "app/main_window.h"
#include "app/mouse_state.h"
#include "app/screen_resources.h"
#include "app/settings.h"
#include "app/sleeper.h"
#include "platform/manual_clock.h"
#include "platform/fake/scripted_window.h"
#include "platform/stderr_message_box.h"
#include "platform/text_renderer.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "ui/main_screen.h"
#include "ui/views.h"

#include <optional>
#include <string>
#include <vector>

namespace quorva {

// One line of an input script: what the window receives before the frame at or after `ms`.
struct ScriptEvent {
    enum class Kind : uint8_t { Move, Press, Release, Double, Drop };
    uint32_t ms = 0;
    Kind kind = Kind::Move;
    bool right = false;  // Press, Release: which button
    int32_t x = 0;       // Move
    int32_t y = 0;
    std::string path;  // Drop
};

// Parses a script, one event per line ("MS move X Y", "MS press left|right", "MS release
// left|right", "MS double", "MS drop PATH"; blank lines are skipped). On a bad line returns
// nothing and sets `error` to a one-line reason naming the line.
std::optional<std::vector<ScriptEvent>> parseInputScript(const std::string& text, std::string& error);

// Applied settings move the mute level knob as in the player; the frame-rate limit and the
// cursor have no meaning in simulated time.
class SessionSettingsEffects final : public SettingsEffects {
public:
    void setFpsLimit(uint32_t) override {}
    void showSystemCursor(bool) override {}
    void setMuteLevelControl(uint8_t level) override
    {
        if (screen != nullptr) {
            screen->setMuteKnob(level / 2);
        }
    }

    MainScreen* screen = nullptr;
};

class ScreenSession {
public:
    static constexpr uint32_t framePeriodMs = 16;

    // `dataDirectory` holds bmp.dat, fnm.dat, fsm.dat and inst.dat. `text` draws the song
    // texts (may be null). `factory` makes the ports the player selects; without one, every
    // port is a NULL port.
    ScreenSession(std::string dataDirectory, TextRenderer* text, PortFactory* factory = nullptr);
    ScreenSession(const ScreenSession&) = delete;
    ScreenSession& operator=(const ScreenSession&) = delete;

    // Loads the data files and builds the main screen; false with a one-line reason.
    bool open(std::string& error);
    // Loads the song and plays it at time 0; false with a one-line reason.
    bool loadAndPlay(const std::string& path, std::string& error);
    void setScript(std::vector<ScriptEvent> script) { script_ = std::move(script); }
    // Every event of the script has reached the window.
    bool scriptDone() const { return nextScript_ == script_.size() && !releasePending_; }
    // Runs the ticks and frames up to the last frame at or before `ms`.
    void runUntil(uint32_t ms);
    // One frame at the clock's current time: the window's input, then update and draw.
    void frame();

    uint32_t nowMs() { return clock.nowMs(); }
    // The main surface as a 24-bit bottom-up bitmap file.
    std::vector<uint8_t> bitmapFile() const;

private:
    class NullFactory final : public PortFactory {
    public:
        std::unique_ptr<MidiPort> makeMidiOut() override { return makeNull(); }
        std::unique_ptr<MidiPort> makeSoftSynth() override { return makeNull(); }
        std::unique_ptr<MidiPort> makeFmSynth() override { return makeNull(); }
    };
    NullFactory nullFactory_;

public:
    ManualClock clock{0};
    ManualTimer timer;
    StderrMessageBox messages;
    PortSelector ports;
    ChannelMonitor monitor{ports};
    SmfFile song{&messages};
    Sequencer sequencer{song, monitor, ports, timer};
    ScriptedWindow platform;
    MainWindow window{platform};
    MouseState mouse{platform};
    ScreenResources screen;
    InstrumentNames instruments;
    ThreadSleeper sleeper;
    FpsTimer fpsTimer{clock, sleeper};
    SessionSettingsEffects settingsEffects;
    SettingsKeeper settings{ports, sequencer, messages, settingsEffects};
    MainScreen mainScreen;
    ScreenPages pages{mainScreen};

private:
    void deliverScript(uint32_t frameMs);

    std::string dataDirectory_;
    std::vector<ScriptEvent> script_;
    size_t nextScript_ = 0;
    bool releasePending_ = false;
    uint32_t nextTickMs_ = Sequencer::tickPeriodMs;
    uint32_t nextFrameMs_ = 0;
};

}  // namespace quorva
