#include "app_program.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

namespace quorva::testing {
namespace {

// The RMS level of each second of a raw 16-bit stereo 44100 Hz recording.
std::vector<double> levelPerSecond(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<double> levels;
    const size_t second = 44100 * 4;
    for (size_t start = 0; start + second <= bytes.size(); start += second) {
        double sum = 0;
        for (size_t i = start; i < start + second; i += 2) {
            const auto value = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
            sum += static_cast<double>(value) * value;
        }
        levels.push_back(std::sqrt(sum / (second / 2)));
    }
    return levels;
}

// A fresh install with no MIDI destination: the default output (the system MIDI out) reaches
// the built-in General MIDI synthesizer, and the song is heard at once.
TEST(DefaultOutput, PlaysTheDemoSongThroughTheBuiltInSynthesizerWithNoSettings)
{
    if (!std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2") &&
        !std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf3")) {
        GTEST_SKIP() << "no General MIDI SoundFont installed (fluid-soundfont-gm)";
    }
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat"});
    const auto sound = program.dir() / "sound.raw";
    const std::string demo = std::string(QUORVA_TEST_SOURCE_DIR) + "/data/demo.mid";
    // No setting.dat anywhere, no MIDI destination (no JACK server of that name, and the
    // ALSA sequencer of a test machine offers only Through ports if any).
    const ProgramRun run = program.run("'" + demo + "'",
                                       "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + sound.string() +
                                           "' XDG_CONFIG_HOME='" + program.dir().path().string() +
                                           "' JACK_DEFAULT_SERVER=quorva-none QUORVA_MIDI_OUT= QUORVA_SOUNDFONT=",
                                       4.0);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors.find("create error"), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find("ALSA"), std::string::npos) << run.errors;
    const auto levels = levelPerSecond(sound);
    ASSERT_GE(levels.size(), 2u);
    // Music from the first second on: well above silence and dither.
    EXPECT_GT(levels[0], 200.0);
    EXPECT_GT(levels[1], 200.0);
}

// Without a destination and without a SoundFont the default output cannot open: one message,
// and the player goes on with the NULL output.
TEST(DefaultOutput, WithoutDestinationOrSoundFontSaysMidiportCreateError)
{
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat"});
    const ProgramRun run = program.run("",
                                       "SDL_VIDEODRIVER=dummy XDG_CONFIG_HOME='" + program.dir().path().string() +
                                           "' JACK_DEFAULT_SERVER=quorva-none QUORVA_MIDI_OUT= QUORVA_SOUNDFONT='" +
                                           (program.dir() / "none.sf2").string() + "'",
                                       1.5);
    EXPECT_EQ(run.exitCode, 0);
    if (!std::filesystem::exists("/dev/snd/seq")) {
        EXPECT_EQ(run.errors, "midiport create error\n");
    }
}

}  // namespace
}  // namespace quorva::testing
