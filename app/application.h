#pragma once
#include "app/fps_timer.h"
#include "app/frame_screen.h"
#include "app/instrument_names.h"
#include "app/main_window.h"
#include "app/mouse_state.h"
#include "app/screen_resources.h"
#include "app/sleeper.h"
#include "app/window_mode_switch.h"

#include <functional>
#include <string>

namespace quorva {

class BitmapLoader;
class MessageBox;
class PlayerMemory;
class PortSelector;
class Sequencer;
class SettingsKeeper;
class SingleInstance;

// The start-up steps that only the platform can take.
class StartupPlatform {
public:
    virtual ~StartupPlatform() = default;
    // Makes the executable's directory the current one, so data files open by bare name.
    virtual void enterDataDirectory() = 0;
    // The control server through which other programs send commands.
    virtual bool startControlServer() = 0;
    virtual void stopControlServer() = 0;
    // Answers what arrived through the control server (and the desktop's media controls)
    // since the last frame, without waiting for anything.
    virtual void serveBetweenFrames() {}
    // The operating-system font for the song texts.
    virtual bool createTextFont() = 0;
};

// Brings the program up in its fixed order, runs one frame each time the window has no
// message waiting, and takes the program down again. It owns none of the parts it uses.
class Application {
public:
    struct Parts {
        StartupPlatform& platform;
        SingleInstance& singleInstance;
        MessageBox& messages;
        SettingsKeeper& settings;
        MainWindow& window;
        MouseState& mouse;
        WindowModeSwitch& modeSwitch;
        FpsTimer& fpsTimer;
        Sleeper& sleeper;
        InstrumentNames& instruments;
        ScreenResources& screen;
        const BitmapLoader& bitmaps;
        PortSelector& ports;
        Sequencer& sequencer;
    };

    explicit Application(Parts parts) : parts_(parts) {}

    void setCommandLine(std::string commandLine) { commandLine_ = std::move(commandLine); }
    // What plays the command line's songs as start-up's last step; without one the sequencer
    // loads and plays the command line's one song.
    void setSongStarter(std::function<void()> start) { songStarter_ = std::move(start); }
    // The screen that start-up builds and every frame updates and draws.
    void setScreen(FrameScreen& screen) { screen_ = &screen; }
    // The choices restored from player.conf at start-up and written back at shutdown.
    void setPlayerMemory(PlayerMemory& memory) { memory_ = &memory; }

    // Start-up. False (after at most one fatal message) means the program must end: with -1,
    // or with 0 when another running copy took over.
    bool init();
    bool handedOff() const { return handedOff_; }
    // One frame.
    void idle();
    // Shutdown: the window size kept for the next run, the sequencer, the port, the control
    // server.
    void exit();
    // The message loop: frames until the window closes. Returns the program's exit code.
    int run();

    // The frame sleep for the window's state, in ms; 0 means no sleep call.
    uint32_t frameSleepMs() const;

private:
    bool fail(const char* text);
    bool createSurfaces();
    bool createFonts();
    void drawFrameRate();

    Parts parts_;
    std::string commandLine_;
    std::function<void()> songStarter_;
    bool handedOff_ = false;
    FrameScreen* screen_ = nullptr;
    PlayerMemory* memory_ = nullptr;
    bool screenBuilt_ = false;
};

}  // namespace quorva
