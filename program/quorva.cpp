// The program: every instance it runs on, defined together in their order of construction
// (and so destroyed in the reverse order), then start-up, the message loop and shutdown.
#include "app/application.h"
#include "app/command_line.h"
#include "app/external_control.h"
#include "app/player_memory.h"
#include "app/hand_off.h"
#include "app/fps_timer.h"
#include "app/instrument_names.h"
#include "app/main_window.h"
#include "app/output_watch.h"
#include "app/playlist_player.h"
#include "app/mouse_state.h"
#include "app/program_icon.h"
#include "app/program_settings_effects.h"
#include "app/screen_resources.h"
#include "app/settings.h"
#include "app/sleeper.h"
#include "app/song_failure_report.h"
#include "app/window_mode_switch.h"
#include "app/working_directory.h"
#include "platform/posix_clock.h"
#include "platform/posix_control_socket.h"
#include "platform/rtmidi_port.h"
#include "platform/sdl_audio.h"
#include "platform/sdl_bitmap.h"
#include "platform/sdl_message_box.h"
#include "platform/sdbus_mpris.h"
#include "platform/sdl_window.h"
#include "platform/ttf_text.h"
#include "ports/midi_mapper.h"
#include "ports/port_selector.h"
#include "ports/direct_music_port.h"
#include "program/player_screen.h"
#include "program/general_midi_synth.h"
#include "program/program_port_factory.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "song/text_encoding.h"
#include "ports/master_volume.h"
#include "synth/fm_synth.h"
#include "synth/fm_synth_port.h"
#include "ui/views.h"
#include "ui/main_screen.h"
#include "ui/player_keys.h"

#include <memory>
#include <string>

namespace quorva {
namespace {

// The start-up steps that need the real platform.
class ProgramStartup final : public StartupPlatform {
public:
    ProgramStartup(TtfTextRenderer& text, ControlSocketServer& control, MprisService& mediaKeys, OutputWatch& outputs)
        : text_(text), control_(control), mediaKeys_(mediaKeys), outputs_(outputs)
    {
    }

    void enterDataDirectory() override { enterExecutableDirectory(); }
    bool startControlServer() override
    {
        if (!control_.start(controlDirectory())) {
            return false;
        }
        // Without a session bus the player simply has no media keys.
        mediaKeys_.start();
        return true;
    }
    void stopControlServer() override
    {
        mediaKeys_.stop();
        control_.stop();
    }
    void serveBetweenFrames() override
    {
        control_.serve();
        mediaKeys_.serve();
        outputs_.betweenFrames();
    }
    bool createTextFont() override { return text_.open(); }

private:
    TtfTextRenderer& text_;
    ControlSocketServer& control_;
    MprisService& mediaKeys_;
    OutputWatch& outputs_;
};

int runProgram(int argc, char** argv)
{
    const CommandLine commandLine = readCommandLine(argc, argv);
    if (const auto status = answerWithoutRunning(commandLine, stdout, stderr)) {
        return *status;
    }
    SystemClock clock;
    SdlMessageBox messages;
    SdlAudioDevice audio;
    MasterVolume volume;
    ProgramPortFactory portFactory;
    portFactory.midiOut = [&] {
        auto mapper = std::make_unique<MidiMapperPort>(
            std::make_unique<RtMidiOutPort>(), std::make_unique<ImmediateSynthPort>(makeGeneralMidiSynth(clock, &volume)));
        mapper->setMasterVolume(&volume);
        mapper->setDeviceMaker([] { return std::make_unique<RtMidiOutPort>(false); });
        return mapper;
    };
    portFactory.softSynth = [&] { return std::make_unique<DirectMusicPort>(makeGeneralMidiSynth(clock, &volume)); };
    portFactory.fmSynth = [&] {
        auto port = std::make_unique<FmSynthPort>(audio, clock, std::make_unique<FmSynth>());
        port->setMasterVolume(&volume);
        return port;
    };
    PortSelector ports(portFactory);
    ChannelMonitor monitor(ports);
    SongFailureReport songFailures(monitor, stderr);
    // The songs load on the loader's thread: what their loads have to say waits for a frame.
    DeferredMessageBox songMessages(messages);
    SmfFile song(&songMessages);
    SmfFile spareSong(&songMessages);
    song.setLoadObserver(&songFailures);
    ThreadPeriodicTimer sequencerTimer;
    Sequencer sequencer(song, monitor, ports, sequencerTimer);
    ThreadSleeper sleeper;
    FpsTimer fpsTimer(clock, sleeper);
    SdlWindow platformWindow;
    WindowModeSwitch modeSwitch(platformWindow);
    InstrumentNames instruments;
    MouseState mouse(platformWindow);
    ScreenResources screen;
    MainWindow window(platformWindow);
    window.setIcon(programIcon());
    ProgramSettingsEffects settingsEffects(fpsTimer, mouse);
    SettingsKeeper settings(ports, sequencer, messages, settingsEffects);
    settings.setLocation(SettingsLocation::fromEnvironment());
    settings.setErrors(stderr);
    SdlBitmapLoader bitmaps;
    TtfTextRenderer text;
    ControlSocketClient controlClient(controlDirectory());
    ControlHandOff singleInstance(controlClient);
    ExternalControl externalControl(sequencer, window, songTextToUtf8);
    ControlSocketServer controlServer(externalControl, control::maxRequestBytes);
    MprisService mediaKeys(externalControl);
    OutputWatch outputWatch(ports, sequencer, clock, stderr);
    ProgramStartup startup(text, controlServer, mediaKeys, outputWatch);

    PlayerScreen player({mouse, screen.mainSurface, screen.skin, screen.fonts, screen.panelDrawer,
                         &screen.scrollBarDrawer, &text, sequencer, monitor, instruments, settings, window, clock,
                         fpsTimer},
                        spareSong, songFailures, songMessages, externalControl, volume, modeSwitch, settingsEffects);
    MainScreen& mainScreen = player.mainScreen;
    PlaylistPlayer& playlist = player.playlist;
    mainScreen.setOutputWatch(&outputWatch);

    Application application({startup, singleInstance, messages, settings, window, mouse, modeSwitch, fpsTimer,
                             sleeper, instruments, screen, bitmaps, ports, sequencer});
    application.setScreen(mainScreen);
    application.setPlayerMemory(player.memory);
    std::vector<std::string> songs;
    for (const std::string& path : commandLine.songs) {
        songs.push_back(absoluteSongPath(path));
    }
    application.setCommandLine(songs.empty() ? std::string() : songs.front());
    if (songs.size() > 1) {
        singleInstance.setMoreSongs({songs.begin() + 1, songs.end()});
    }
    application.setSongStarter([&] { playlist.open(songs); });
    if (!application.init()) {
        return application.handedOff() ? 0 : -1;
    }
    return application.run();
}

}  // namespace
}  // namespace quorva

int main(int argc, char** argv) { return quorva::runProgram(argc, argv); }
