// The master volume end to end: the real player on the FM synthesizer, its sound written by
// SDL's disk audio driver, the volume set through quorva-ctl and kept in player.conf.
#include "running_program.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

// The FM synthesizer and otherwise the default choices.
std::vector<uint8_t> fmSynthSettings() { return {2, 1, 0, 2, 2, 2, 3, 0, 1, 2, 0}; }

// The sum of the squares of every sample of a raw 16-bit recording: silence before and
// after the song adds nothing, so two recordings of one song compare however long each ran.
double energyOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    double sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto value = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
        sum += static_cast<double>(value) * value;
    }
    return sum;
}

// Plays the song once to its end, recording into `sound`; `afterwards` runs once the song
// has ended, before the player is closed.
void playOnce(const ProgramCopy& program, const std::string& song, const std::filesystem::path& sound,
              const std::function<void(RunningProgram&)>& afterwards)
{
    RunningProgram player(program, {song},
                          programEnvironment(program, {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", sound.string()}}));
    ASSERT_TRUE(player.waitUntilServing());
    EXPECT_TRUE(eventually([&] { return player.status("state") == "stopped"; }, 20s));
    std::this_thread::sleep_for(500ms);  // the stream's latency and the release
    afterwards(player);
    EXPECT_EQ(player.stop(), 0);
    // SDL's disk driver announces itself on standard error; the player says nothing.
    EXPECT_EQ(player.errors().find("error"), std::string::npos) << player.errors();
}

TEST(MasterVolume, HalfVolumeIsSixDecibelsDownOnTheFmSynthesizerAndSurvivesARestart)
{
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "fmstone.dat", "quorva-ctl"});
    program.dir().write("setting.dat", fmSynthSettings());
    const std::string song = program.dir().write("song.mid", shortSong()).string();
    const auto config = program.dir() / "config" / "quorva" / "player.conf";

    const auto full = program.dir() / "full.raw";
    playOnce(program, song, full, [&](RunningProgram& player) {
        EXPECT_EQ(player.ctl({"volume"}).output, "100\n");
        EXPECT_EQ(player.ctl({"volume", "50"}).exitCode, 0);
        EXPECT_EQ(player.ctl({"volume"}).output, "50\n");
        EXPECT_EQ(player.status("volume"), "50");
        EXPECT_NE(player.ctl({"volume", "101"}).exitCode, 0);
        EXPECT_NE(player.ctl({"volume", "-5"}).exitCode, 0);
        EXPECT_NE(player.ctl({"volume", "5x"}).exitCode, 0);
        EXPECT_EQ(player.status("volume"), "50");
        EXPECT_EQ(player.ctl({"repeat", "all"}).exitCode, 0);
    });
    const std::string written = readText(config);
    EXPECT_NE(written.find("volume=50\n"), std::string::npos) << written;
    EXPECT_NE(written.find("repeat=all\n"), std::string::npos) << written;

    // The next run starts at 50 % with repeat on; repeat goes off before the song ends.
    const auto half = program.dir() / "half.raw";
    RunningProgram player(program, {song},
                          programEnvironment(program, {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", half.string()}}));
    ASSERT_TRUE(player.waitUntilServing());
    EXPECT_EQ(player.status("volume"), "50");
    EXPECT_EQ(player.status("repeat"), "all");
    EXPECT_EQ(player.ctl({"repeat", "off"}).exitCode, 0);
    EXPECT_TRUE(eventually([&] { return player.status("state") == "stopped"; }, 20s));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(player.stop(), 0);
    // SDL's disk driver announces itself on standard error; the player says nothing.
    EXPECT_EQ(player.errors().find("error"), std::string::npos) << player.errors();
    EXPECT_NE(readText(config).find("repeat=off\n"), std::string::npos) << readText(config);

    const double fullEnergy = energyOf(full);
    ASSERT_GT(fullEnergy, 0.0) << "the song was not heard";
    const double decibels = 10 * std::log10(energyOf(half) / fullEnergy);
    EXPECT_NEAR(decibels, -6.02, 0.5);
    std::printf("half volume: %.2f dB\n", decibels);
}

}  // namespace
}  // namespace quorva::testing
