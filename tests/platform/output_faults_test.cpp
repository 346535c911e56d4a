// The real player when its MIDI destination goes away mid-song, on a JACK server of the test's
// own: the server killed, a destination client closed, no server at start-up. Each time the
// user is told once, the song goes on (on the built-in synthesizer or the next destination),
// and the next song finds the destination that came back.
#include "jack_rig.h"
#include "running_program.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

const std::string demoSong = std::string(QUORVA_TEST_SOURCE_DIR) + "/data/demo.mid";

bool soundFontInstalled()
{
    return std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2") ||
           std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf3");
}

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// The RMS level of the 16-bit stereo recording from byte `from` on.
double levelFrom(const std::filesystem::path& path, size_t from)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    from -= from % 4;
    double sum = 0;
    size_t samples = 0;
    for (size_t i = from; i + 1 < bytes.size(); i += 2, ++samples) {
        const auto value = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
        sum += static_cast<double>(value) * value;
    }
    return samples == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(samples));
}

// No JACK server when the player starts: the built-in synthesizer plays. A server started
// later is found by the next song; killed mid-song, the built-in synthesizer takes the song
// over where it stands (heard in the recording), the player says so once and keeps playing;
// the server restarted, the next song is on it again.
TEST(OutputFaults, AJackServerStartedLaterKilledMidSongAndRestartedIsFollowed)
{
    if (!jackToolsInstalled() || !soundFontInstalled()) {
        GTEST_SKIP() << "jackd2 and fluid-soundfont-gm are needed (tools/setup.sh installs them)";
    }
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"});
    JackRig jack(program.dir());
    const auto sound = program.dir() / "sound.raw";
    const Environment environment = programEnvironment(
        program, {{"JACK_DEFAULT_SERVER", jack.server()}, {"QUORVA_MIDI_OUT", jack.client()}, {"QUORVA_SOUNDFONT", ""},
                  {"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", sound.string()}});
    RunningProgram player(program, {demoSong}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    // Neither JACK nor (on a machine without /dev/snd/seq, as CI's) the ALSA sequencer: the
    // built-in synthesizer plays, and neither library speaks up.
    EXPECT_EQ(player.errors().find("create error"), std::string::npos) << player.errors();
    EXPECT_EQ(player.errors().find("ALSA"), std::string::npos) << player.errors();
    EXPECT_EQ(player.errors().find("JACK"), std::string::npos) << player.errors();

    ASSERT_TRUE(jack.startServer());
    ASSERT_TRUE(jack.startDump(jack.client()));
    const std::string destination = "\"jack: " + jack.client() + ":input\"";
    const std::string found = "quorva: MIDI output " + destination + " found: playing on it\n";
    EXPECT_EQ(player.ctl({"playfile", demoSong}).exitCode, 0);
    ASSERT_TRUE(eventually([&] { return occurrences(player.errors(), found) == 1; })) << player.errors();
    ASSERT_TRUE(eventually([&] { return occurrences(jack.dump(), "note on") >= 5; })) << jack.dump();
    // The song began on the built-in synthesizer; the chase brings its state here.
    EXPECT_EQ(occurrences(jack.dump(), "f0 7e 7f 09 01 f7"), 1u);
    EXPECT_LT(jack.dump().find(": c0 04"), jack.dump().find("note on"));

    jack.killServer();
    const std::string gone =
        "quorva: MIDI output " + destination + " is gone: playing on the built-in General MIDI synthesizer\n";
    ASSERT_TRUE(eventually([&] { return occurrences(player.errors(), gone) == 1; })) << player.errors();
    const size_t recordedAtSwitch = std::filesystem::file_size(sound);
    EXPECT_EQ(player.status("state"), "playing");
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(player.alive());
    EXPECT_GT(levelFrom(sound, recordedAtSwitch), 200.0);  // music, not silence
    EXPECT_EQ(player.status("state"), "playing");

    ASSERT_TRUE(jack.startServer());
    ASSERT_TRUE(jack.startDump(jack.client()));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(occurrences(jack.dump(), "note on"), 0u);  // no switch in the middle of a song
    EXPECT_EQ(player.ctl({"playfile", demoSong}).exitCode, 0);
    ASSERT_TRUE(eventually([&] { return occurrences(player.errors(), found) == 2; })) << player.errors();
    ASSERT_TRUE(eventually([&] { return occurrences(jack.dump(), "note on") >= 5; })) << jack.dump();
    EXPECT_EQ(occurrences(player.errors(), gone), 1u);
    // The unmatched name was told once, at start-up; the choices made again keep quiet.
    EXPECT_EQ(occurrences(player.errors(), "no MIDI destination matches"), 1u) << player.errors();
    EXPECT_EQ(player.status("state"), "playing");
    EXPECT_EQ(player.stop(), 0);
}

// The destination's client closes mid-song while another destination is there: the song goes
// on there, with the channel state chased onto it; reopened, the named one is used again by
// the next song.
TEST(OutputFaults, AClosedDestinationHandsTheSongToTheNextOneAndIsUsedAgainWhenBack)
{
    if (!jackToolsInstalled()) {
        GTEST_SKIP() << "jackd2 is needed (tools/setup.sh installs it)";
    }
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"});
    JackRig jack(program.dir());
    ASSERT_TRUE(jack.startServer());
    // Not containing the named one's name, which QUORVA_MIDI_OUT would match.
    const std::string other = "quorva-spare-" + std::to_string(getpid());
    ASSERT_TRUE(jack.startDump(jack.client()));
    ASSERT_TRUE(jack.startDump(other));
    const Environment environment =
        programEnvironment(program, {{"JACK_DEFAULT_SERVER", jack.server()}, {"QUORVA_MIDI_OUT", jack.client()}});
    RunningProgram player(program, {demoSong}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    ASSERT_TRUE(eventually([&] { return occurrences(jack.dump(), "note on") >= 5; })) << jack.dump();
    EXPECT_EQ(jack.dump(other), "");

    jack.closeDump(jack.client());
    const std::string named = "\"jack: " + jack.client() + ":input\"";
    const std::string gone = "quorva: MIDI output " + named + " is gone: playing on \"jack: " + other + ":input\"\n";
    ASSERT_TRUE(eventually([&] { return occurrences(player.errors(), gone) == 1; })) << player.errors();
    ASSERT_TRUE(eventually([&] { return occurrences(jack.dump(other), "note on") >= 3; })) << jack.dump(other);
    // The chase: sound off, the song's reset, then every channel's program before a note.
    const std::string chased = jack.dump(other);
    EXPECT_EQ(chased.find("f0 7e 7f 09 01 f7"), chased.find(": f0") + 2) << chased;
    EXPECT_LT(chased.find(": b0 78 00"), chased.find(": f0"));
    for (const std::string program : {": c0 04", ": c1 21", ": c2 30", ": c3 49"}) {
        EXPECT_LT(chased.find(program), chased.find("note on")) << program << "\n" << chased;
    }
    EXPECT_EQ(player.status("state"), "playing");

    ASSERT_TRUE(jack.startDump(jack.client()));
    EXPECT_EQ(player.ctl({"playfile", demoSong}).exitCode, 0);
    const std::string found = "quorva: MIDI output " + named + " found: playing on it\n";
    ASSERT_TRUE(eventually([&] { return occurrences(player.errors(), found) == 1; })) << player.errors();
    ASSERT_TRUE(eventually([&] { return occurrences(jack.dump(), "note on") >= 3; })) << jack.dump();
    // Told once each time, and nothing else.
    EXPECT_EQ(player.errors(), gone + found);
    EXPECT_EQ(player.stop(), 0);
}

}  // namespace
}  // namespace quorva::testing
