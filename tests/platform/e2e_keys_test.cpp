// The player's keys under a virtual X server, typed with xdotool into the real program.
#include "screenshot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorva::testing {
namespace {

constexpr int screenWidth = 800;
constexpr int screenHeight = 600;
constexpr int left = 80;  // the 640x480 window centred on the 800x600 screen
constexpr int top = 60;

// A format 0 song of one note held for a minute.
std::vector<uint8_t> longSong()
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 14,
            0, 0x90, 60, 100, 0x82, 0xB4, 0x00, 0x80, 60, 0, 0, 0xFF, 0x2F, 0};
}

// Space pauses (the time stands) and plays again, a digit chooses a page, F1 draws the help
// over the page body until a key closes it, and Ctrl+Q ends the player as closing it does.
TEST(EndToEndKeys, SpaceTabsHelpAndQuit)
{
    ASSERT_EQ(std::system("command -v xvfb-run >/dev/null && command -v import >/dev/null && command -v xdotool >/dev/null"), 0)
        << "xvfb, imagemagick and xdotool are needed (tools/setup.sh installs them)";
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat"});
    const TempDir& dir = program.dir();
    dir.write("setting.dat", nullPortSettings());
    dir.write("song.mid", longSong());
    const std::string d = dir.path().string();
    const std::string title = "quorva 0.70 [velnoxa ver.]";
    auto shot = [&](const char* name) { return "import -window root '" + d + "/" + name + ".png'; "; };
    auto key = [&](const char* keys) { return std::string("xdotool key ") + keys + "; sleep 0.6; "; };
    const std::string session =
        "cd / && env -u SDL_VIDEODRIVER -u DBUS_SESSION_BUS_ADDRESS " + program.privateEnvironment() +
        " SDL_AUDIODRIVER=dummy '" + d + "/quorva' '" + d + "/song.mid' 2>'" + d + "/stderr.txt' & pid=$!; sleep 3; "
        "xdotool search --name '" + title + "' windowfocus --sync; xdotool mousemove 10 10; sleep 0.3; " +
        shot("start") + key("space") + shot("paused1") + "sleep 0.5; " + shot("paused2") + key("space") + shot("resumed1") +
        "sleep 0.5; " + shot("resumed2") + key("2") + shot("tab2") + key("F1") + shot("help") + key("x") +
        shot("closed") + key("shift+slash") + shot("question") + key("Escape") +
        "xdotool key ctrl+q; for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done; "
        "kill -0 $pid 2>/dev/null && { kill -TERM $pid; echo still-running >'" + d + "/status.txt'; }; "
        "wait $pid; echo $? >>'" + d + "/status.txt'";
    dir.write("session.sh", session + "\n");
    std::string command = "timeout 60 xvfb-run -a -s '-screen 0 800x600x24 -nolisten tcp' sh '" + d + "/session.sh'";
    const std::vector<std::string> names = {"start", "paused1", "paused2", "resumed1", "resumed2",
                                            "tab2",  "help",    "closed",  "question"};
    for (const std::string& name : names) {
        command += " && convert '" + d + "/" + name + ".png' -depth 8 rgb:'" + d + "/" + name + ".rgb'";
    }
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readText(dir / "status.txt"), "0\n");
    EXPECT_EQ(readText(dir / "stderr.txt"), "");

    std::map<std::string, Screenshot> shots;
    for (const std::string& name : names) {
        shots.emplace(name, Screenshot(readText(dir / (name + ".rgb")), screenWidth, screenHeight));
        ASSERT_TRUE(shots.at(name).complete()) << name;
    }
    const int timeLeft = left + 3;
    const int timeTop = top + 392;
    auto sameTime = [&](const char* a, const char* b) {
        return shots.at(a).sameRegion(shots.at(b), timeLeft, timeTop, timeLeft + 60, timeTop + 8);
    };
    EXPECT_TRUE(sameTime("paused1", "paused2"));
    EXPECT_FALSE(sameTime("start", "paused1"));
    EXPECT_FALSE(sameTime("resumed1", "resumed2"));
    // Page 2: the first tab is no longer selected, the second is.
    EXPECT_FALSE(shots.at("resumed2").sameRegion(shots.at("tab2"), left, top, left + 64, top + 16));
    EXPECT_FALSE(shots.at("resumed2").sameRegion(shots.at("tab2"), left + 64, top, left + 128, top + 16));
    // The help covers the page body and leaves the tabs; a key closes it; '?' opens it again.
    const int bodyLeft = left + 212;
    const int bodyTop = top + 64;
    EXPECT_FALSE(shots.at("tab2").sameRegion(shots.at("help"), bodyLeft, bodyTop, bodyLeft + 420, bodyTop + 320));
    EXPECT_TRUE(shots.at("tab2").sameRegion(shots.at("help"), left, top, left + 384, top + 16));
    EXPECT_FALSE(shots.at("help").sameRegion(shots.at("closed"), bodyLeft, bodyTop, bodyLeft + 420, bodyTop + 320));
    EXPECT_TRUE(shots.at("help").sameRegion(shots.at("question"), bodyLeft, bodyTop, bodyLeft + 420, bodyTop + 320));
}

}  // namespace
}  // namespace quorva::testing
