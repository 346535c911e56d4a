// quorva.exe's outputs under Wine: the "[MM-OUT]" bytes through Wine's MIDI mapper to a
// recording device, against what the native quorva-render says the song sends; the FM
// synthesizer heard through PulseAudio, against the native render of the same song; and the
// NULL port with "midiport create error" where an output cannot open.
#include "support/smf_builder.h"
#include "windows/midi_recording.h"
#include "windows/player_control.h"
#include "windows/player_pictures.h"
#include "windows/pulse_sink.h"
#include "windows/wine_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace quorva::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<std::string> playerFilesWith(std::vector<std::string> more)
{
    std::vector<std::string> files = playerFiles();
    files.push_back("quorva-ctl.exe");
    files.insert(files.end(), more.begin(), more.end());
    return files;
}

// The default settings with the OUTPUT choice given.
std::vector<uint8_t> settingsWithOutput(uint8_t output)
{
    std::vector<uint8_t> settings = nullPortSettings();
    settings[0] = output;
    return settings;
}

fs::path nativeRender()
{
    return fs::path(std::getenv("QUORVA_BIN_DIR")) / "quorva-render";
}

// Two channels of notes, a controller, a pitch bend, a program change, the drum channel, and
// two exclusive messages of the song's own (a GS reset first, so that the player sends no GM
// System On of its own). 120 beats a minute, 96 ticks a beat. The notes begin after a second:
// the player's first frame applies the transpose knob, which strikes again the notes that
// sound by then.
std::vector<uint8_t> busySong()
{
    TrackBuilder track;
    track.sysex(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7})
        .event(192, {0xC0, 0x10})
        .event(0, {0xB0, 0x07, 0x64})
        .event(0, {0xE0, 0x00, 0x48})
        .event(0, {0x90, 0x3C, 0x64})
        .event(48, {0x90, 0x40, 0x64})
        .event(48, {0x80, 0x3C, 0x00})
        .event(0, {0x99, 0x24, 0x70})
        .event(96, {0x80, 0x40, 0x00})
        .event(0, {0x89, 0x24, 0x00})
        .sysex(48, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7})
        .event(0, {0x91, 0x48, 0x50})
        .event(96, {0x81, 0x48, 0x00})
        .endOfTrack();
    return buildSmf(0, 96, {track});
}

// One note, A4 (440 Hz), for two seconds, after a second of rest (see busySong).
std::vector<uint8_t> oneNoteSong()
{
    TrackBuilder track;
    track.event(0, {0xC0, 0x00}).event(96, {0x90, 69, 100}).event(192, {0x80, 69, 0}).endOfTrack();
    return buildSmf(0, 48, {track});
}

// A path as quorva-ctl prints it (backslashes doubled).
std::string escapedPath(const std::string& path)
{
    std::string escaped;
    for (const char c : path) {
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return escaped;
}

// The player's standard error without what Wine's ALSA driver prints when it finds no card.
std::string playerMessages(const std::string& errors)
{
    std::istringstream lines(linesOf(errors));
    std::string messages;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("ALSA lib ")) {
            messages += line + "\n";
        }
    }
    return messages;
}

struct SentMessage {
    uint32_t ms = 0;
    std::string bytes;
};

// quorva-render --events: "TIME BYTES" a line.
std::vector<SentMessage> parseEvents(const std::string& text)
{
    std::vector<SentMessage> messages;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        messages.push_back({static_cast<uint32_t>(std::stoul(line)), line.substr(line.find(' ') + 1)});
    }
    return messages;
}

// Every message the player sends reaches the device through the mapper byte for byte, in
// order, and at the song's time (each exclusive message 16 times: Wine's mapper sends it to
// its device once for each channel it maps there); the device is opened once and closed once.
TEST(WindowsPlayer, MmOutHandsTheSongsMessagesToTheMidiMapper)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const fs::path app = session.installCopy(playerFilesWith({RecordingMidiDriver::file}));
    writeBytes(app / "setting.dat", settingsWithOutput(0));
    writeBytes(app / "song.mid", busySong());
    const WineResult events = session.runNative({nativeRender().string(), "--events", (app / "song.mid").string()});
    ASSERT_EQ(events.exitCode, 0) << events.errors;
    const std::vector<SentMessage> sent = parseEvents(events.output);
    ASSERT_GT(sent.size(), 10u);

    const fs::path recording = session.scratch() / "midi.txt";
    RecordingMidiDriver driver(session, recording);
    ASSERT_TRUE(driver.installed());
    auto player = session.start({(app / "quorva.exe").string(), WineSession::windowsPath(app / "song.mid")}, "player");
    ASSERT_TRUE(session.findWindow(kWindowClass, kWindowTitle)) << player->errors();
    EXPECT_NE(waitForStatus(session, app, "state: stopped").find("state: stopped"), std::string::npos);
    ASSERT_TRUE(session.postClose(kWindowClass, kWindowTitle));
    EXPECT_EQ(player->wait(10s), 0);
    EXPECT_EQ(player->errors(), "");

    std::vector<std::string> expected = {"# open"};
    for (const SentMessage& message : sent) {
        expected.insert(expected.end(), message.bytes.starts_with("f0") ? 16 : 1, message.bytes);
    }
    expected.push_back("# close");
    const std::vector<RecordedLine> recorded = readRecording(recording);
    ASSERT_EQ(firstDifference(textsOf(recorded), expected), "");
    // The times: each message as far after the first as the song puts it, give or take the
    // timer's steps and Wine's scheduling.
    size_t line = 1;
    for (const SentMessage& message : sent) {
        const int32_t recordedMs = static_cast<int32_t>(recorded[line].ms - recorded[1].ms);
        EXPECT_NEAR(recordedMs, static_cast<int32_t>(message.ms - sent.front().ms), 30) << message.bytes;
        line += message.bytes.starts_with("f0") ? 16 : 1;
    }
}

// The FM synthesizer through DirectSound into PulseAudio's sink sounds as the native render
// of the same song: as long, as loud and at the same pitch.
TEST(WindowsPlayer, FmSynthesizerIsHeardAsTheNativeRenderSoundsIt)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    useWinesOwnDrivers(session);
    PulseSink pulse(session.scratch() / "pulse");
    ASSERT_TRUE(pulse.ready()) << pulse.failure();
    session.setEnvironment("PULSE_SERVER", pulse.serverAddress());
    const fs::path app = session.installCopy(playerFilesWith({}));
    writeBytes(app / "setting.dat", settingsWithOutput(2));
    writeBytes(app / "song.mid", oneNoteSong());
    const fs::path nativeWav = session.scratch() / "native.wav";
    const WineResult rendered = session.runNative({nativeRender().string(), (app / "song.mid").string(), "--wav",
                                                   nativeWav.string(), "--tones", (app / "fmstone.dat").string()});
    ASSERT_EQ(rendered.exitCode, 0) << rendered.errors;
    const SoundMeasure expected = measureSound(readWavSamples(nativeWav));
    ASSERT_GT(expected.seconds, 1.5);

    ASSERT_TRUE(pulse.startRecording());
    auto player = session.start({(app / "quorva.exe").string(), WineSession::windowsPath(app / "song.mid")}, "player");
    ASSERT_TRUE(session.findWindow(kWindowClass, kWindowTitle)) << player->errors();
    EXPECT_NE(waitForStatus(session, app, "state: stopped").find("state: stopped"), std::string::npos);
    std::this_thread::sleep_for(500ms);  // the release of the note, and the sink's latency
    ASSERT_TRUE(session.postClose(kWindowClass, kWindowTitle));
    EXPECT_EQ(player->wait(10s), 0);
    const SoundMeasure heard = measureSound(pulse.stopRecording());
    EXPECT_EQ(player->errors(), "");

    EXPECT_NEAR(heard.seconds, expected.seconds, 0.05);
    EXPECT_NEAR(heard.rms, expected.rms, expected.rms * 0.03);
    EXPECT_NEAR(heard.dominantHz, expected.dominantHz, 2.0);
    // A4's pitch, as its fundamental or a harmonic.
    EXPECT_NEAR(std::remainder(expected.dominantHz, 440.0), 0.0, 2.0) << expected.dominantHz;
}

// With no MIDI device, no sound card (no audio server) and no DirectMusic collection, each
// output fails to open: the player says "midiport create error" once, in a message box and on
// standard error, and plays the song through the NULL port; the settings file stays as it was.
TEST(WindowsPlayer, OutputsThatCannotOpenGiveTheNullPort)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    useWinesOwnDrivers(session);
    const fs::path app = session.installCopy(playerFilesWith({}));
    writeBytes(app / "song.mid", oneNoteSong());
    for (const uint8_t output : {uint8_t{0}, uint8_t{1}, uint8_t{2}}) {
        SCOPED_TRACE("OUTPUT " + std::to_string(output));
        writeBytes(app / "setting.dat", settingsWithOutput(output));
        auto player = session.start({(app / "quorva.exe").string(), WineSession::windowsPath(app / "song.mid")}, "player");
        ASSERT_TRUE(session.findWindow("#32770", "")) << player->errors();
        ASSERT_TRUE(session.postClose("#32770", ""));
        ASSERT_TRUE(session.findWindow(kWindowClass, kWindowTitle)) << player->errors();
        const std::string status = waitForStatus(session, app, "state: stopped");
        EXPECT_NE(status.find("path: " + escapedPath(WineSession::windowsPath(app / "song.mid"))), std::string::npos)
            << status;
        ASSERT_TRUE(session.postClose(kWindowClass, kWindowTitle));
        EXPECT_EQ(player->wait(10s), 0);
        EXPECT_EQ(playerMessages(player->errors()), "midiport create error\n");
        const std::string stored = fileText(app / "setting.dat");
        EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.end()), settingsWithOutput(output));
    }
}

}  // namespace
}  // namespace quorva::testing
