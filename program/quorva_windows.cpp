// The Windows program: every instance it runs on, defined together in their order of
// construction (and so destroyed in the reverse order), then start-up, the message loop and
// shutdown. The logic is the Linux program's; the platform is platform/win32.
#include "app/application.h"
#include "app/command_line.h"
#include "app/external_control.h"
#include "app/fps_timer.h"
#include "app/instrument_names.h"
#include "app/main_window.h"
#include "app/mouse_state.h"
#include "app/player_memory.h"
#include "app/playlist_player.h"
#include "app/program_icon.h"
#include "app/program_settings_effects.h"
#include "app/screen_resources.h"
#include "app/settings.h"
#include "app/sleeper.h"
#include "app/song_failure_report.h"
#include "app/window_mode_switch.h"
#include "app/working_directory.h"
#include "platform/single_instance.h"
#include "platform/win32/gdi_text.h"
#include "platform/win32/win32_bitmap.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_window.h"
#include "ports/master_volume.h"
#include "ports/port_selector.h"
#include "program/program_port_factory.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "song/text_encoding.h"
#include "ui/main_screen.h"
#include "ui/player_keys.h"
#include "ui/views.h"

#include <filesystem>
#include <memory>
#include <string>

namespace quorva {
namespace {

// The start-up steps that need the platform.
class WindowsStartup final : public StartupPlatform {
public:
    explicit WindowsStartup(GdiTextRenderer& text) : text_(text) {}

    void enterDataDirectory() override { enterExecutableDirectory(); }
    // CONTROL SERVER: the DDE server (service and topic "TMIDI") starts here, answering
    // through ExternalControl, and stops in stopControlServer. Its callbacks run while the
    // window's messages are dispatched, so serveBetweenFrames has nothing to do.
    bool startControlServer() override { return true; }
    void stopControlServer() override {}
    bool createTextFont() override { return text_.open(); }

private:
    GdiTextRenderer& text_;
};

// setting.dat beside the executable, else in %APPDATA%\quorva where the executable's folder
// cannot be written (the same rule as the Linux configuration directory).
SettingsLocation windowsSettingsLocation()
{
    SettingsLocation location;
    const std::string applicationData = applicationDataDirectory();
    if (!applicationData.empty()) {
        location.configDirectory = (std::filesystem::path(applicationData) / "quorva").string();
    }
    return location;
}

int runProgram(int argc, char** argv)
{
    const CommandLine commandLine = readCommandLine(argc, argv);
    if (const auto status = answerWithoutRunning(commandLine, stdout, stderr)) {
        return *status;
    }
    TimerResolution timerResolution;
    MultimediaClock clock;
    Win32MessageBox messages;
    MasterVolume volume;
    // OUTPUTS: MM-OUT (winmm through the MIDI mapper), MS-SS (DirectMusic's software
    // synthesizer) and the FM synthesizer (on the DirectSound or waveOut audio device) are
    // made by these makers; an output without one cannot be opened, so choosing it gives
    // "midiport create error" and the NULL port.
    ProgramPortFactory portFactory;
    PortSelector ports(portFactory);
    ChannelMonitor monitor(ports);
    SongFailureReport songFailures(monitor, stderr);
    SmfFile song(&messages);
    song.setLoadObserver(&songFailures);
    MultimediaTimer sequencerTimer;
    Sequencer sequencer(song, monitor, ports, sequencerTimer);
    ThreadSleeper sleeper;
    FpsTimer fpsTimer(clock, sleeper);
    Win32Window platformWindow;
    WindowModeSwitch modeSwitch(platformWindow);
    InstrumentNames instruments;
    MouseState mouse(platformWindow);
    ScreenResources screen;
    MainWindow window(platformWindow);
    window.setIcon(programIcon());
    ProgramSettingsEffects settingsEffects(fpsTimer, mouse);
    SettingsKeeper settings(ports, sequencer, messages, settingsEffects);
    settings.setLocation(windowsSettingsLocation());
    Win32BitmapLoader bitmaps;
    GdiTextRenderer text;
    // SECOND COPY: the hand-off finds a running copy with FindWindowA("velnoxa", title) and
    // sends it the command line with WM_COPYDATA (the further songs of the command line
    // follow as on Linux); the receiving side is a message hook of platformWindow that passes
    // the text to window.receiveHandOff. Until then every copy runs on its own.
    NoOtherInstance singleInstance;
    ExternalControl externalControl(sequencer, song, window, songTextToUtf8);
    WindowsStartup startup(text);

    MainScreen mainScreen({mouse, screen.mainSurface, screen.skin, screen.fonts, screen.panelDrawer,
                           &screen.scrollBarDrawer, &text, sequencer, song, monitor, instruments, settings, window,
                           clock, fpsTimer});
    ScreenPages pages(mainScreen);
    pages.registerWith(mainScreen);
    PlaylistPlayer playlist(sequencer, song, window);
    externalControl.setPlaylist(&playlist);
    externalControl.setMasterVolume(&volume);
    PlayerMemory memory(volume, playlist);
    PlayerKeys keys(mainScreen, modeSwitch, playlist, volume);
    mainScreen.setExtras(&keys);
    // Applied settings move the mute level knob; its index is the level itself.
    settingsEffects.muteLevelControl = [&](uint8_t level) { mainScreen.setMuteKnob(level / 2); };

    Application application({startup, singleInstance, messages, settings, window, mouse, modeSwitch, fpsTimer,
                             sleeper, instruments, screen, bitmaps, ports, sequencer});
    application.setScreen(mainScreen);
    application.setPlayerMemory(memory);
    std::vector<std::string> songs;
    for (const std::string& path : commandLine.songs) {
        songs.push_back(absoluteSongPath(path));
    }
    application.setCommandLine(songs.empty() ? std::string() : songs.front());
    application.setSongStarter([&] { playlist.open(songs); });
    if (!application.init()) {
        return application.handedOff() ? 0 : -1;
    }
    return application.run();
}

}  // namespace
}  // namespace quorva

int main(int argc, char** argv) { return quorva::runProgram(argc, argv); }
