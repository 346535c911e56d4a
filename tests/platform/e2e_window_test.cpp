// The whole program under a virtual X server: it opens its window, plays a song, shows its
// picture, and ends cleanly when asked to (SIGTERM arrives as the window system's quit).
#include "app_program.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quorva::testing {
namespace {

constexpr int screenWidth = 800;
constexpr int screenHeight = 600;

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

class Screenshot {
public:
    explicit Screenshot(const std::string& rawRgb) : bytes_(rawRgb) {}
    bool complete() const { return bytes_.size() == static_cast<size_t>(screenWidth) * screenHeight * 3; }
    Rgb at(int x, int y) const
    {
        const size_t offset = (static_cast<size_t>(y) * screenWidth + x) * 3;
        return {static_cast<uint8_t>(bytes_[offset]), static_cast<uint8_t>(bytes_[offset + 1]),
                static_cast<uint8_t>(bytes_[offset + 2])};
    }

private:
    std::string bytes_;
};

TEST(EndToEnd, WindowShowsTheProgramsPictureAndClosesCleanly)
{
    ASSERT_EQ(std::system("command -v xvfb-run >/dev/null && command -v import >/dev/null && command -v xprop >/dev/null"), 0)
        << "xvfb, imagemagick and x11-utils are needed (tools/setup.sh installs them)";
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat"});
    const TempDir& dir = program.dir();
    dir.write("setting.dat", nullPortSettings());
    dir.write("song.mid", shortSong());
    const std::string d = dir.path().string();
    const std::string title = "quorva 0.70 [velnoxa ver.]";
    const std::string session =
        "cd / && env -u SDL_VIDEODRIVER -u DBUS_SESSION_BUS_ADDRESS " + program.privateEnvironment() + " SDL_AUDIODRIVER=dummy '" + d + "/quorva' '" + d + "/song.mid' 2>'" + d +
        "/stderr.txt' & pid=$!; sleep 3; "
        "xwininfo -name '" + title + "' >'" + d + "/xwininfo.txt'; "
        "xprop -name '" + title + "' WM_CLASS WM_NAME >'" + d + "/xprop.txt'; "
        "import -window root '" + d + "/shot.png'; "
        "kill -TERM $pid; wait $pid; echo $? >'" + d + "/status.txt'";
    dir.write("session.sh", session + "\n");
    const std::string command = "timeout 60 xvfb-run -a -s '-screen 0 800x600x24 -nolisten tcp' sh '" + d +
                                "/session.sh' && convert '" + d + "/shot.png' -depth 8 rgb:'" + d + "/shot.rgb'";
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

    const Screenshot shot(readText(dir / "shot.rgb"));
    ASSERT_TRUE(shot.complete());
    constexpr int left = 80;
    constexpr int top = 60;
    // The cleared corner of the picture, the frame-rate text in light grey at (576, 4), and
    // something drawn over the middle of the picture.
    EXPECT_EQ(shot.at(left + 1, top + 1), Rgb{});
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
}

}  // namespace
}  // namespace quorva::testing
