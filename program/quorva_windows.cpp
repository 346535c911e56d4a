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
#include "app/control_protocol.h"
#include "platform/win32/copy_data_hand_off.h"
#include "platform/win32/dde_control_server.h"
#include "platform/win32/direct_music_synth.h"
#include "platform/win32/direct_sound_audio.h"
#include "platform/win32/gdi_text.h"
#include "platform/win32/win32_bitmap.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_window.h"
#include "platform/win32/winmm_midi_out.h"
#include "ports/direct_music_port.h"
#include "ports/master_volume.h"
#include "ports/midi_mapper.h"
#include "ports/port_selector.h"
#include "program/player_screen.h"
#include "program/dde_control.h"
#include "program/program_port_factory.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "song/text_encoding.h"
#include "synth/fm_synth.h"
#include "synth/fm_synth_port.h"
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
    WindowsStartup(GdiTextRenderer& text, DdeControlServer& control) : text_(text), control_(control) {}

    void enterDataDirectory() override { enterExecutableDirectory(); }
    // The DDE server's callbacks run while the window's messages are dispatched, so
    // serveBetweenFrames has nothing to do.
    bool startControlServer() override { return control_.start(); }
    void stopControlServer() override { control_.stop(); }
    bool createTextFont() override { return text_.open(); }

private:
    GdiTextRenderer& text_;
    DdeControlServer& control_;
};

// Sends the songs after the first of a command line to the running copy that took the first.
void enqueueInRunningCopy(const std::vector<std::string>& songs)
{
    DdeControlChannel channel;
    for (size_t i = 1; i < songs.size(); ++i) {
        if (channel.call(control::encodeRequest(control::Verb::Execute, "enqueue " + songs[i])).reach !=
            ControlReach::Answered) {
            return;
        }
    }
}

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
    // The outputs are made when chosen, after the window exists (DirectMusic and DirectSound
    // cooperate with it): see the makers below.
    ProgramPortFactory portFactory;
    PortSelector ports(portFactory);
    ChannelMonitor monitor(ports);
    SongFailureReport songFailures(monitor, stderr);
    // The songs load on the loader's thread: what their loads have to say waits for a frame.
    DeferredMessageBox songMessages(messages);
    SmfFile song(&songMessages);
    SmfFile spareSong(&songMessages);
    song.setLoadObserver(&songFailures);
    MultimediaTimer sequencerTimer;
    Sequencer sequencer(song, monitor, ports, sequencerTimer);
    ThreadSleeper sleeper;
    FpsTimer fpsTimer(clock, sleeper);
    Win32Window platformWindow;
    // MM-OUT: winmm through the MIDI mapper, which also hears the master volume; where the
    // mapper cannot open there is no built-in fallback (Windows' mapper reaches the system's
    // own synthesizer), so the choice gives "midiport create error" and the NULL port.
    portFactory.midiOut = [&] {
        auto mapper = std::make_unique<MidiMapperPort>(std::make_unique<WinMidiOutPort>(), nullptr);
        mapper->setMasterVolume(&volume);
        return mapper;
    };
    portFactory.softSynth = [&] {
        return std::make_unique<DirectMusicPort>(std::make_unique<DirectMusicSynth>(platformWindow.handle()));
    };
    portFactory.fmSynth = [&] {
        auto port = std::make_unique<FmSynthPort>(std::make_unique<DirectSoundAudioDevice>(platformWindow.handle()),
                                                  clock, std::make_unique<FmSynth>());
        port->setMasterVolume(&volume);
        return port;
    };
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
    // A second copy finds this one by its window and hands it the command line by
    // WM_COPYDATA; the songs after the first follow over DDE, as "enqueue" commands.
    CopyDataHandOff singleInstance(MainWindow::className, MainWindow::title);
    platformWindow.setMessageHook([&](uint32_t message, uintptr_t, intptr_t lParam, intptr_t& result) {
        if (message != copyDataMessage) {
            return false;
        }
        const auto commandLine = handedOffCommandLine(lParam, maxPathBytes);
        result = commandLine && window.receiveHandOff(*commandLine) ? 1 : 0;
        return true;
    });
    ExternalControl externalControl(sequencer, window, songTextToUtf8);
    DdeControlHandler controlHandler(externalControl);
    DdeControlServer controlServer(controlHandler, control::maxTextBytes);
    WindowsStartup startup(text, controlServer);

    PlayerScreen player({mouse, screen.mainSurface, screen.skin, screen.fonts, screen.panelDrawer,
                         &screen.scrollBarDrawer, &text, sequencer, monitor, instruments, settings, window, clock,
                         fpsTimer},
                        spareSong, songFailures, songMessages, externalControl, volume, modeSwitch, settingsEffects);
    MainScreen& mainScreen = player.mainScreen;
    PlaylistPlayer& playlist = player.playlist;

    Application application({startup, singleInstance, messages, settings, window, mouse, modeSwitch, fpsTimer,
                             sleeper, instruments, screen, bitmaps, ports, sequencer});
    application.setScreen(mainScreen);
    application.setPlayerMemory(player.memory);
    std::vector<std::string> songs;
    for (const std::string& path : commandLine.songs) {
        songs.push_back(absoluteSongPath(path));
    }
    application.setCommandLine(songs.empty() ? std::string() : songs.front());
    singleInstance.setAfterHandOff([&] { enqueueInRunningCopy(songs); });
    application.setSongStarter([&] { playlist.open(songs); });
    if (!application.init()) {
        return application.handedOff() ? 0 : -1;
    }
    return application.run();
}

}  // namespace
}  // namespace quorva

int main(int argc, char** argv) { return quorva::runProgram(argc, argv); }
