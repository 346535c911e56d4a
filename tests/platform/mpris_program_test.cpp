// Media keys: the real player under a virtual X server on a private session bus, driven by
// playerctl as desktop media keys and applets drive it.
#include "platform/sdbus_mpris.h"
#include "running_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

bool toolsPresent() { return std::system("command -v Xvfb >/dev/null && command -v dbus-daemon >/dev/null && command -v playerctl >/dev/null") == 0; }

TEST(MediaKeys, PlayerctlSeesAndControlsThePlayerOnThePrivateBus)
{
    ASSERT_TRUE(toolsPresent()) << "xvfb, dbus-daemon and playerctl are needed (tools/setup.sh installs them)";
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"});
    program.dir().write("setting.dat", nullPortSettings());
    const std::string first = program.dir().write("first.mid", shortSong()).string();
    const std::string second = program.dir().write("second song.mid", shortSong()).string();

    const Environment base = programEnvironment(program);
    const VirtualDisplay screen(program);
    const std::string display = screen.display;
    ASSERT_NE(display, ":");
    const std::string busAddress = "unix:path=" + (program.dir() / "bus").string();
    BackgroundProcess bus(program, {"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
                         "--address=" + busAddress}, base, "bus");
    ASSERT_FALSE(bus.firstLine().empty());

    const Environment environment =
        programEnvironment(program, {{"DISPLAY", display}, {"SDL_VIDEODRIVER", "x11"}, {"DBUS_SESSION_BUS_ADDRESS", busAddress}});
    RunningProgram player(program, {first}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    auto playerctl = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"/usr/bin/playerctl", "--player=quorva"});
        CommandResult result = runCommand(program, arguments, environment);
        while (!result.output.empty() && result.output.back() == '\n') {
            result.output.pop_back();
        }
        return result.output;
    };
    EXPECT_TRUE(eventually([&] { return playerctl({"status"}) == "Playing"; }));
    EXPECT_EQ(runCommand(program, {"/usr/bin/playerctl", "--list-all"}, environment).output, "quorva\n");
    EXPECT_EQ(playerctl({"metadata", "xesam:title"}), "first.mid");
    EXPECT_EQ(playerctl({"metadata", "mpris:length"}), "3000000");
    EXPECT_EQ(playerctl({"metadata", "xesam:url"}), fileUri(first));

    BackgroundProcess follower(program, {"/usr/bin/playerctl", "--player=quorva", "--follow", "status"}, environment, "follow");
    EXPECT_EQ(follower.firstLine(), "Playing");
    playerctl({"pause"});
    EXPECT_EQ(playerctl({"status"}), "Paused");
    EXPECT_EQ(player.status("state"), "paused");
    playerctl({"play-pause"});
    EXPECT_EQ(player.status("state"), "playing");
    playerctl({"stop"});
    EXPECT_EQ(player.status("state"), "stopped");
    playerctl({"play"});
    EXPECT_EQ(player.status("state"), "playing");
    // The announcements of each change reach a follower through PropertiesChanged.
    EXPECT_TRUE(eventually([&] { return follower.output() == "Playing\nPaused\nPlaying\nStopped\nPlaying\n"; }))
        << follower.output();

    // Every seek, whoever asked for it, is announced with the new position.
    BackgroundProcess monitor(program, {"/usr/bin/dbus-monitor", "--address", busAddress,
                                        "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'"},
                              environment, "seeked");
    auto seekedTo = [&] {
        std::vector<int64_t> positions;
        const std::string text = monitor.output();
        for (size_t at = text.find("member=Seeked"); at != std::string::npos; at = text.find("member=Seeked", at + 1)) {
            const size_t value = text.find("int64 ", at);
            if (value != std::string::npos) {
                positions.push_back(std::atoll(text.c_str() + value + 6));
            }
        }
        return positions;
    };
    // The monitor listens some time after it starts: seek until it has heard one.
    EXPECT_TRUE(eventually([&] { return player.ctl({"seek", "100"}).exitCode == 0 && !seekedTo().empty(); }));
    // The position announced is read on the next frame after the seek, a little further on.
    auto lastSeekNear = [&](int64_t us, int64_t within) {
        return eventually([&] {
            const auto positions = seekedTo();
            return !positions.empty() && positions.back() >= us && positions.back() < us + within;
        });
    };
    EXPECT_EQ(player.ctl({"seek", "1500"}).exitCode, 0);
    EXPECT_TRUE(lastSeekNear(1500000, 200000)) << monitor.output();
    playerctl({"position", "0.5"});  // SetPosition
    EXPECT_TRUE(lastSeekNear(500000, 200000)) << monitor.output();
    playerctl({"position", "1+"});  // Seek, from wherever playback has got to meanwhile
    EXPECT_TRUE(lastSeekNear(1500000, 1000000)) << monitor.output();

    playerctl({"open", fileUri(second)});
    EXPECT_EQ(player.status("path"), second);
    EXPECT_EQ(playerctl({"metadata", "xesam:title"}), "second song.mid");
    EXPECT_EQ(playerctl({"--all-players", "status"}), "Playing");

    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
}

TEST(MediaKeys, NextPreviousAndLoopStatusReachThePlaylist)
{
    ASSERT_TRUE(toolsPresent()) << "xvfb, dbus-daemon and playerctl are needed (tools/setup.sh installs them)";
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"});
    program.dir().write("setting.dat", nullPortSettings());
    const std::string first = program.dir().write("1.mid", shortSong()).string();
    const std::string second = program.dir().write("2.mid", shortSong()).string();
    const Environment base = programEnvironment(program);
    const std::string busAddress = "unix:path=" + (program.dir() / "bus").string();
    BackgroundProcess bus(program, {"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
                         "--address=" + busAddress}, base, "bus");
    ASSERT_FALSE(bus.firstLine().empty());
    const Environment environment = programEnvironment(program, {{"DBUS_SESSION_BUS_ADDRESS", busAddress}});
    RunningProgram player(program, {first, second}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    auto playerctl = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"/usr/bin/playerctl", "--player=quorva"});
        CommandResult result = runCommand(program, arguments, environment);
        while (!result.output.empty() && result.output.back() == '\n') {
            result.output.pop_back();
        }
        return result.output;
    };
    EXPECT_TRUE(eventually([&] { return playerctl({"status"}) == "Playing"; }));
    EXPECT_EQ(playerctl({"metadata", "xesam:trackNumber"}), "1");
    EXPECT_EQ(playerctl({"loop"}), "None");
    playerctl({"next"});
    EXPECT_EQ(player.status("path"), second);
    EXPECT_EQ(playerctl({"metadata", "xesam:trackNumber"}), "2");
    playerctl({"previous"});
    EXPECT_EQ(player.status("path"), first);
    playerctl({"loop", "Playlist"});
    EXPECT_EQ(player.status("repeat"), "all");
    EXPECT_EQ(playerctl({"loop"}), "Playlist");
    playerctl({"loop", "Track"});
    EXPECT_EQ(player.status("repeat"), "one");
    playerctl({"shuffle", "On"});
    EXPECT_EQ(player.status("shuffle"), "on");
    // The volume: MPRIS's 0.0-1.0 is the player's master volume in whole percents.
    EXPECT_EQ(std::stod(playerctl({"volume"})), 1.0);
    playerctl({"volume", "0.5"});
    EXPECT_EQ(player.status("volume"), "50");
    EXPECT_EQ(std::stod(playerctl({"volume"})), 0.5);
    playerctl({"volume", "1.7"});
    EXPECT_EQ(player.ctl({"volume"}).output, "100\n");
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
}

TEST(MediaKeys, WithoutASessionBusThePlayerRunsSilently)
{
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"});
    program.dir().write("setting.dat", nullPortSettings());
    const std::string song = program.dir().write("song.mid", shortSong()).string();
    RunningProgram player(program, {song},
                          programEnvironment(program, {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"}}));
    ASSERT_TRUE(player.waitUntilServing());
    EXPECT_EQ(player.status("state"), "playing");
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
}

TEST(MediaKeys, FileUrisAndTextsForTheBus)
{
    EXPECT_EQ(fileUri("/music/a b/ü#1.mid"), "file:///music/a%20b/%C3%BC%231.mid");
    EXPECT_EQ(pathOfFileUri("file:///music/a%20b/%C3%BC%231.mid"), "/music/a b/ü#1.mid");
    EXPECT_EQ(pathOfFileUri("file://localhost/x.mid"), "/x.mid");
    EXPECT_EQ(pathOfFileUri("file:///100%"), "/100%");
    EXPECT_EQ(pathOfFileUri("file:///a%00b"), "");
    EXPECT_EQ(pathOfFileUri("http://host/x.mid"), "");
    EXPECT_EQ(pathOfFileUri("file://otherhost/x.mid"), "");
    EXPECT_EQ(validUtf8("plain ü"), "plain ü");
    EXPECT_EQ(validUtf8("a\xff" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(validUtf8("\xC3"), "\xEF\xBF\xBD");
    EXPECT_EQ(validUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // a surrogate
}

}  // namespace
}  // namespace quorva::testing
