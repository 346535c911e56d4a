// The real window under a virtual X server: a click on each of the six tabs shows its page,
// and on the option page a new default mute level is applied and then saved.
#include "app_program.h"
#include "tools/skin_bmp_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorva::testing {
namespace {

constexpr int screenWidth = 800;
constexpr int screenHeight = 600;
// The 640x480 window stands centred on the screen.
constexpr int windowLeft = 80;
constexpr int windowTop = 60;

// A screenshot read back as RGB555, the form the player drew it in.
class Shot {
public:
    explicit Shot(const std::string& rawRgb) : bytes_(rawRgb) {}
    bool complete() const { return bytes_.size() == static_cast<size_t>(screenWidth) * screenHeight * 3; }
    // The pixel at (x, y) of the player's picture.
    uint16_t at(int x, int y) const
    {
        const size_t offset = (static_cast<size_t>(y + windowTop) * screenWidth + x + windowLeft) * 3;
        const auto channel = [&](size_t i) { return static_cast<uint16_t>(static_cast<uint8_t>(bytes_[offset + i]) >> 3); };
        return static_cast<uint16_t>(channel(0) << 10 | channel(1) << 5 | channel(2));
    }
    std::vector<uint16_t> region(int left, int top, int right, int bottom) const
    {
        std::vector<uint16_t> pixels;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                pixels.push_back(at(x, y));
            }
        }
        return pixels;
    }

private:
    std::string bytes_;
};

// A song of a chord held for a minute on channels 1 and 10, so that every view has something.
std::vector<uint8_t> chordSong()
{
    const std::vector<uint8_t> track = {0,    0x90, 60, 100, 0, 0x90, 64, 100, 0, 0x99, 38, 100, 0x82, 0xB4, 0x00,
                                        0x80, 60,   0,  0,   0x80, 64, 0,  0, 0x89, 38, 0,   0,    0xFF, 0x2F, 0};
    std::string song("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0", 21);
    song.push_back(static_cast<char>(track.size()));
    song.append(track.begin(), track.end());
    return std::vector<uint8_t>(song.begin(), song.end());
}

// A left click held for a few frames at the player's (x, y).
std::string click(int x, int y)
{
    return "xdotool mousemove " + std::to_string(windowLeft + x) + " " + std::to_string(windowTop + y) +
           "; sleep 0.2; xdotool mousedown 1; sleep 0.2; xdotool mouseup 1; sleep 0.6; ";
}

TEST(EndToEnd, TabsShowTheSixPagesAndApplyAndSaveTakeANewSetting)
{
    ASSERT_EQ(std::system("command -v xvfb-run >/dev/null && command -v import >/dev/null && command -v xdotool >/dev/null"), 0)
        << "xvfb, imagemagick and xdotool are needed (tools/setup.sh installs them)";
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat"});
    const TempDir& dir = program.dir();
    dir.write("setting.dat", nullPortSettings());
    dir.write("song.mid", chordSong());
    const std::string d = dir.path().string();
    // A runtime and config directory of its own: no other running copy, no user settings.
    std::string session = "cd / && env -u SDL_VIDEODRIVER -u DBUS_SESSION_BUS_ADDRESS " + program.privateEnvironment() +
                          " SDL_AUDIODRIVER=dummy '" + d + "/quorva' '" + d + "/song.mid' 2>'" + d +
                          "/stderr.txt' & pid=$!; sleep 2; ";
    const std::array<const char*, 6> pages = {"full", "half", "flow7", "flow12", "drum", "option"};
    for (int k = 0; k < 6; ++k) {
        session += click(64 * k + 32, 8) + "import -window root '" + d + "/" + pages[k] + ".png'; ";
    }
    // DEF-MUTELV "[12]", APPLY, a look, then SAVE.
    session += click(570, 227) + click(340, 343) + "import -window root '" + d + "/applied.png'; " + click(470, 343);
    session += "kill -TERM $pid; wait $pid; echo $? >'" + d + "/status.txt'";
    dir.write("session.sh", session + "\n");
    std::string command = "timeout 90 xvfb-run -a -s '-screen 0 800x600x24 -nolisten tcp' sh '" + d + "/session.sh'";
    for (const char* name : {"full", "half", "flow7", "flow12", "drum", "option", "applied"}) {
        command += std::string(" && convert '") + d + "/" + name + ".png' -depth 8 rgb:'" + d + "/" + name + ".rgb'";
    }
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readText(dir / "status.txt"), "0\n");
    EXPECT_EQ(readText(dir / "stderr.txt"), "");

    std::vector<Shot> shots;
    for (const char* name : pages) {
        shots.emplace_back(readText(dir / (std::string(name) + ".rgb")));
        ASSERT_TRUE(shots.back().complete()) << name;
    }
    // Each page has a body of its own, and its tab is the selected one.
    for (int k = 0; k < 6; ++k) {
        for (int j = 0; j < k; ++j) {
            EXPECT_NE(shots[k].region(212, 64, 632, 384), shots[j].region(212, 64, 632, 384)) << pages[k] << pages[j];
        }
        if (k > 0) {
            EXPECT_NE(shots[k].region(64 * k, 0, 64 * k + 64, 16), shots[k - 1].region(64 * k, 0, 64 * k + 64, 16)) << pages[k];
        }
    }
    const SkinImage skin = decodeSkin(std::vector<uint8_t>(
                                          [&] {
                                              const std::string bytes = readText(binDirectory() / "bmp.dat");
                                              return std::vector<uint8_t>(bytes.begin(), bytes.end());
                                          }()))
                               .value_or(SkinImage{});
    ASSERT_GT(skin.width, 0);
    // KB.FULL: channel 16's keyboard is the octave picture ten times over.
    std::vector<uint16_t> keyboard;
    for (int x = 0; x < 420; ++x) {
        keyboard.push_back(skin.at(x % 42, 8 + 10));
    }
    EXPECT_EQ(shots[0].region(212, 374, 632, 375), keyboard);
    // DRUM FLOW: the kit picture under the lanes.
    EXPECT_EQ(shots[4].region(314, 352, 530, 384), skin.cut({224, 64, 216, 32}));
    // The option page: "OUTPUT:" shows the NULL port of setting.dat in bright green.
    int green = 0;
    for (uint16_t pixel : shots[5].region(564, 96, 600, 104)) {
        green += pixel == 0x43F0;
    }
    EXPECT_GT(green, 0);

    // APPLY turned the mute level knob from 6 to 12; SAVE wrote the record with the new level.
    const Shot applied(readText(dir / "applied.rgb"));
    ASSERT_TRUE(applied.complete());
    EXPECT_NE(applied.region(18, 24, 30, 36), shots[5].region(18, 24, 30, 36));
    std::vector<uint16_t> knob12;
    for (uint16_t pixel : skin.cut({40 + 12 * 12, 104, 12, 12})) {
        knob12.push_back(pixel);
    }
    const std::vector<uint16_t> shown = applied.region(18, 24, 30, 36);
    for (size_t i = 0; i < knob12.size(); ++i) {
        if (knob12[i] != 0) {
            EXPECT_EQ(shown[i], knob12[i]) << i;
        }
    }
    EXPECT_EQ(readText(dir / "setting.dat"), std::string("\x03\x01\x00\x02\x02\x02\x06\x00\x01\x02\x00", 11));
}

}  // namespace
}  // namespace quorva::testing
