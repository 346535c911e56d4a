// Seeking in the real player under a virtual X server on a private session bus: by quorva-ctl,
// by playerctl (MPRIS), by a click on the progress bar and by the keys, each read back with
// quorva-ctl.
#include "running_program.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

#include <thread>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

bool toolsPresent()
{
    return std::system("command -v Xvfb >/dev/null && command -v dbus-daemon >/dev/null && command -v playerctl >/dev/null"
                       " && command -v xdotool >/dev/null") == 0;
}

// A note held for two minutes (120 beats at 120 a minute), then the second of tail.
std::vector<uint8_t> twoMinuteSong()
{
    TrackBuilder track;
    track.event(0, {0x90, 60, 100}).event(96 * 240, {0x80, 60, 0}).endOfTrack();
    return buildSmf(0, 96, {track});
}

TEST(SeekProgram, QuorvaCtlPlayerctlAndTheProgressBarMoveThePlayback)
{
    ASSERT_TRUE(toolsPresent()) << "xvfb, dbus-daemon, playerctl and xdotool are needed (tools/setup.sh installs them)";
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"});
    program.dir().write("setting.dat", nullPortSettings());
    const std::string song = program.dir().write("long.mid", twoMinuteSong()).string();
    const Environment base = programEnvironment(program);
    const VirtualDisplay screen(program);
    ASSERT_NE(screen.display, ":");
    const std::string busAddress = "unix:path=" + (program.dir() / "bus").string();
    BackgroundProcess bus(program, {"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
                         "--address=" + busAddress}, base, "bus");
    ASSERT_FALSE(bus.firstLine().empty());
    const Environment environment = programEnvironment(
        program, {{"DISPLAY", screen.display}, {"SDL_VIDEODRIVER", "x11"}, {"DBUS_SESSION_BUS_ADDRESS", busAddress}});
    RunningProgram player(program, {song}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    const auto positionMs = [&] { return std::stoi("0" + player.status("position_ms")); };
    ASSERT_EQ(player.status("length_ms"), "121000");

    EXPECT_EQ(player.ctl({"seek", "20000"}).exitCode, 0);
    EXPECT_GE(positionMs(), 20000);
    EXPECT_LT(positionMs(), 25000);
    EXPECT_EQ(player.ctl({"seek", "soon"}).exitCode, 1);

    EXPECT_TRUE(eventually([&] {
        return runCommand(program, {"/usr/bin/playerctl", "--player=quorva", "metadata", "mpris:length"}, environment).exitCode == 0;
    }));
    runCommand(program, {"/usr/bin/playerctl", "--player=quorva", "position", "90"}, environment);
    EXPECT_TRUE(eventually([&] { return positionMs() >= 90000 && positionMs() < 95000; })) << positionMs();

    // The window sits in the middle of the 800x600 screen; the bar spans x 4..164 at y 430-433
    // of the player's picture. Pressed 3 pixels below it at a quarter of its length.
    const std::string x = std::to_string(80 + 4 + 40);
    const std::string y = std::to_string(60 + 436);
    runCommand(program, {"/usr/bin/xdotool", "mousemove", x, y}, environment);
    std::this_thread::sleep_for(200ms);
    runCommand(program, {"/usr/bin/xdotool", "mousedown", "1"}, environment);
    std::this_thread::sleep_for(200ms);
    EXPECT_GE(positionMs(), 90000);  // dragging moves the bar, not the playback
    runCommand(program, {"/usr/bin/xdotool", "mouseup", "1"}, environment);
    EXPECT_TRUE(eventually([&] { return positionMs() >= 30250 && positionMs() < 36000; })) << positionMs();

    // The keys: Shift+Right 30 s on, Left 5 s back, Home to the start.
    const auto key = [&](const char* keys) {
        runCommand(program, {"/usr/bin/xdotool", "search", "--name", "quorva", "windowfocus", "--sync", "key", keys},
                   environment);
    };
    const int beforeKeys = positionMs();
    key("shift+Right");
    EXPECT_TRUE(eventually([&] { return positionMs() >= beforeKeys + 30000 && positionMs() < beforeKeys + 34000; }))
        << beforeKeys << " -> " << positionMs();
    const int beforeLeft = positionMs();
    key("Left");
    EXPECT_TRUE(eventually([&] { return positionMs() >= beforeLeft - 5000 && positionMs() < beforeLeft - 1000; }))
        << beforeLeft << " -> " << positionMs();
    key("Home");
    EXPECT_TRUE(eventually([&] { return positionMs() < 3000; })) << positionMs();
}

}  // namespace
}  // namespace quorva::testing
