// The player's Windows MIDI out, DirectMusic and sound card pieces (io-probe.exe) against
// what Wine's services answer: with no devices at all, with a MIDI device that records what
// reaches it through the MIDI mapper, and with a PulseAudio server whose sink is recorded.
#include "windows/midi_recording.h"
#include "windows/pulse_sink.h"
#include "windows/wine_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace quorva::testing {
namespace {

namespace fs = std::filesystem;

std::string hexBytes(const std::vector<int>& bytes)
{
    std::string text;
    char byte[4];
    for (const int value : bytes) {
        std::snprintf(byte, sizeof byte, text.empty() ? "%02x" : " %02x", value);
        text += byte;
    }
    return text;
}

TEST(WindowsSoundAndMidi, WithoutDevicesEveryOutputFailsAsTheServicesSay)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    useWinesOwnDrivers(session);
    const fs::path probe = session.installCopy({"io-probe.exe"}) / "io-probe.exe";

    // Wine's MIDI mapper without a device to map to: MIDIERR_INVALIDSETUP.
    const WineResult midi = session.run({probe.string(), "midi-out"});
    EXPECT_EQ(midi.exitCode, 1);
    EXPECT_EQ(midi.output, "midiOutOpen 69\n");

    // DirectMusic cannot make its DirectSound object without a sound card.
    const WineResult music = session.run({probe.string(), "direct-music", "22050", "0"});
    EXPECT_EQ(music.exitCode, 1);
    EXPECT_EQ(music.output, "open 0\nfailed SetDirectSound 0x80070057\n");

    // No DirectSound, and no waveOut device either (MMSYSERR_BADDEVICEID).
    const WineResult audio = session.run({probe.string(), "audio", "directsound", "100"});
    EXPECT_EQ(audio.exitCode, 1);
    EXPECT_NE(audio.output.find("route none\n"), std::string::npos) << audio.output;
    EXPECT_NE(audio.output.find("waveout 2\n"), std::string::npos) << audio.output;
}

// A GM System On whose buffer is overwritten as soon as it was sent, three short messages
// and a 300-byte exclusive reach the device unchanged; Wine's mapper hands each exclusive
// message to its device once for each of the 16 channels it maps there. The port closes
// the device once, with nothing left in flight.
TEST(WindowsSoundAndMidi, TheMidiMapperHandsEveryByteToTheDevice)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const fs::path app = session.installCopy({"io-probe.exe", RecordingMidiDriver::file});
    const fs::path recording = session.scratch() / "midi.txt";
    RecordingMidiDriver driver(session, recording);
    ASSERT_TRUE(driver.installed());

    const WineResult midi = session.run({(app / "io-probe.exe").string(), "midi-out"});
    ASSERT_EQ(midi.exitCode, 0) << midi.output << midi.errors;
    EXPECT_EQ(midi.output, "midiOutOpen 0\nin flight 0\n");

    std::vector<int> exclusive(300);
    for (size_t i = 0; i < exclusive.size(); ++i) {
        exclusive[i] = static_cast<int>(i & 0x7F);
    }
    exclusive.front() = 0xF0;
    exclusive.back() = 0xF7;
    std::vector<std::string> expected = {"# open"};
    expected.insert(expected.end(), 16, "f0 7e 7f 09 01 f7");
    expected.insert(expected.end(), {"90 3c 64", "c3 05", "80 3c 00"});
    expected.insert(expected.end(), 16, hexBytes(exclusive));
    expected.push_back("# close");
    EXPECT_EQ(firstDifference(textsOf(readRecording(recording)), expected), "");
}

// Under PulseAudio: DirectMusic now gets as far as its General MIDI collection, which Wine
// does not have, so the "[MS-SS]" port still cannot open; and the waveOut route of the sound
// card plays a 440 Hz sine at its level, half after half, as long as it is asked to.
TEST(WindowsSoundAndMidi, UnderPulseAudioWaveOutPlaysAndDirectMusicLacksItsCollection)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    useWinesOwnDrivers(session);
    PulseSink pulse(session.scratch() / "pulse");
    ASSERT_TRUE(pulse.ready()) << pulse.failure();
    session.setEnvironment("PULSE_SERVER", pulse.serverAddress());
    const fs::path probe = session.installCopy({"io-probe.exe"}) / "io-probe.exe";

    const WineResult music = session.run({probe.string(), "direct-music", "44100", "1"});
    EXPECT_EQ(music.exitCode, 1);
    EXPECT_NE(music.output.find("failed GetObject(GUID_DefaultGMCollection) 0x"), std::string::npos) << music.output;

    ASSERT_TRUE(pulse.startRecording());
    const WineResult audio = session.run({probe.string(), "audio", "waveout", "3000"});
    const SoundMeasure sound = measureSound(pulse.stopRecording());
    ASSERT_EQ(audio.exitCode, 0) << audio.output << audio.errors;
    EXPECT_NE(audio.output.find("route waveout\n"), std::string::npos) << audio.output;
    int halves = 0;
    ASSERT_EQ(std::sscanf(audio.output.substr(audio.output.find("halves ")).c_str(), "halves %d", &halves), 1);
    EXPECT_GE(halves, 30);
    EXPECT_GT(sound.seconds, 2.5);
    EXPECT_NEAR(sound.dominantHz, 440.0, 1.0);
    EXPECT_NEAR(sound.rms, 8192.0 / std::sqrt(2.0), 8192.0 * 0.03);
}

}  // namespace
}  // namespace quorva::testing
