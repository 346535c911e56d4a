// The whole program under a virtual X server: it opens its window, plays a song, shows its
// picture, and ends cleanly when asked to (SIGTERM arrives as the window system's quit).
#include "screenshot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quorva::testing {
namespace {

constexpr int screenWidth = 800;
constexpr int screenHeight = 600;

// A format 0 song of one note held for a minute, so that it plays through the whole session.
std::vector<uint8_t> longSong()
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 14,
            0, 0x90, 60, 100, 0x82, 0xB4, 0x00, 0x80, 60, 0, 0, 0xFF, 0x2F, 0};
}

TEST(EndToEnd, WindowShowsTheProgramsPictureAndClosesCleanly)
{
    ASSERT_EQ(std::system("command -v xvfb-run >/dev/null && command -v import >/dev/null && command -v xprop >/dev/null "
                          "&& command -v xdotool >/dev/null"),
              0)
        << "xvfb, imagemagick, x11-utils and xdotool are needed (tools/setup.sh installs them)";
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat"});
    const TempDir& dir = program.dir();
    dir.write("setting.dat", nullPortSettings());
    dir.write("song.mid", longSong());
    const std::string d = dir.path().string();
    const std::string title = "quorva 0.70 [velnoxa ver.]";
    const std::string session =
        "cd / && env -u SDL_VIDEODRIVER -u DBUS_SESSION_BUS_ADDRESS " + program.privateEnvironment() + " SDL_AUDIODRIVER=dummy '" + d + "/quorva' '" + d + "/song.mid' 2>'" + d +
        "/stderr.txt' & pid=$!; sleep 3; "
        "xwininfo -name '" + title + "' >'" + d + "/xwininfo.txt'; "
        "xprop -name '" + title + "' WM_CLASS WM_NAME >'" + d + "/xprop.txt'; "
        "import -window root '" + d + "/shot.png'; "
        // A click on the OPTION tab (320..384, 0..16 of the picture). The button is held for
        // a few frames, as a hand holds it: the frame sees the press before the release.
        "xdotool mousemove 410 68; sleep 0.2; xdotool mousedown 1; sleep 0.2; xdotool mouseup 1; sleep 1; "
        "import -window root '" + d + "/tab.png'; "
        // Play/pause (240..264, 420..436) pauses: the time stands still; again resumes it.
        "xdotool mousemove 332 488; sleep 0.2; xdotool mousedown 1; sleep 0.2; xdotool mouseup 1; sleep 1; "
        "import -window root '" + d + "/paused1.png'; sleep 0.5; import -window root '" + d + "/paused2.png'; "
        "xdotool mousedown 1; sleep 0.2; xdotool mouseup 1; sleep 1; "
        "import -window root '" + d + "/resumed1.png'; sleep 0.5; "
        "import -window root '" + d + "/resumed2.png'; "
        "kill -TERM $pid; wait $pid; echo $? >'" + d + "/status.txt'";
    dir.write("session.sh", session + "\n");
    std::string command = "timeout 60 xvfb-run -a -s '-screen 0 800x600x24 -nolisten tcp' sh '" + d + "/session.sh'";
    for (const char* name : {"shot", "tab", "paused1", "paused2", "resumed1", "resumed2"}) {
        command += std::string(" && convert '") + d + "/" + name + ".png' -depth 8 rgb:'" + d + "/" + name + ".rgb'";
    }
    ASSERT_EQ(std::system(command.c_str()), 0);

    EXPECT_EQ(readText(dir / "status.txt"), "0\n");
    EXPECT_EQ(readText(dir / "stderr.txt"), "");
    const std::string properties = readText(dir / "xprop.txt");
    EXPECT_NE(properties.find("WM_CLASS(STRING) = \"velnoxa\", \"velnoxa\""), std::string::npos) << properties;
    EXPECT_NE(properties.find("WM_NAME(STRING) = \"" + title + "\""), std::string::npos) << properties;
    const std::string geometry = readText(dir / "xwininfo.txt");
    EXPECT_NE(geometry.find("Width: 640\n"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Height: 480\n"), std::string::npos) << geometry;
    // Centred on the 800x600 screen.
    EXPECT_NE(geometry.find("Absolute upper-left X:  80\n"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Absolute upper-left Y:  60\n"), std::string::npos) << geometry;

    const Screenshot shot(readText(dir / "shot.rgb"), screenWidth, screenHeight);
    ASSERT_TRUE(shot.complete());
    constexpr int left = 80;
    constexpr int top = 60;
    // The main screen (the first tab in the corner), the frame-rate text in light grey at
    // (576, 4), and something drawn over the middle of the picture.
    EXPECT_NE(shot.at(left + 1, top + 1), Rgb{});
    int inked = 0;
    for (int y = top + 4; y < top + 12; ++y) {
        for (int x = left + 576; x < left + 640; ++x) {
            inked += shot.at(x, y) == Rgb{231, 231, 231};
        }
    }
    EXPECT_GT(inked, 60);
    EXPECT_NE(shot.at(left + 100, top + 100), Rgb{});
    // Outside the window the screen stays black.
    EXPECT_EQ(shot.at(left - 10, top + 100), Rgb{});

    // The click moved the selection from the first tab to OPTION.
    const Screenshot tab(readText(dir / "tab.rgb"), screenWidth, screenHeight);
    ASSERT_TRUE(tab.complete());
    EXPECT_FALSE(shot.sameRegion(tab, left, top, left + 64, top + 16));
    EXPECT_FALSE(shot.sameRegion(tab, left + 320, top, left + 384, top + 16));
    EXPECT_TRUE(shot.sameRegion(tab, left + 64, top, left + 128, top + 16));
    // Paused, the time (3, 392) stands; resumed, it moves on.
    const Screenshot paused1(readText(dir / "paused1.rgb"), screenWidth, screenHeight);
    const Screenshot paused2(readText(dir / "paused2.rgb"), screenWidth, screenHeight);
    const Screenshot resumed1(readText(dir / "resumed1.rgb"), screenWidth, screenHeight);
    const Screenshot resumed2(readText(dir / "resumed2.rgb"), screenWidth, screenHeight);
    ASSERT_TRUE(paused1.complete() && paused2.complete() && resumed1.complete() && resumed2.complete());
    const int timeLeft = left + 3;
    const int timeTop = top + 392;
    EXPECT_TRUE(paused1.sameRegion(paused2, timeLeft, timeTop, timeLeft + 60, timeTop + 8));
    EXPECT_FALSE(tab.sameRegion(paused1, timeLeft, timeTop, timeLeft + 60, timeTop + 8));
    EXPECT_FALSE(resumed1.sameRegion(resumed2, timeLeft, timeTop, timeLeft + 60, timeTop + 8));
}

}  // namespace
}  // namespace quorva::testing
