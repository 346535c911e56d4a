// The player's window on a large and a small virtual screen: the size it opens at, the
// picture scaled by whole multiples (or shrunk whole) and letter-boxed in black when the
// window is resized, clicks mapped back to the picture, the size kept for the next run, and
// the window class and icon that let a desktop match the window to its launcher.
#include "screenshot.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

constexpr int pictureWidth = 640;
constexpr int pictureHeight = 480;
// Where the tests keep the pointer: over the picture's bottom right corner, so that the
// software cursor is drawn only there. (A pointer warped off the window may still be seen
// where it was, so it is kept over the picture.)
constexpr int cornerX = 636;
constexpr int cornerY = 476;

struct Geometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Geometry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Geometry& g)
{
    return out << g.width << "x" << g.height << "+" << g.x << "+" << g.y;
}

int valueAfter(const std::string& text, const std::string& label)
{
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

// The player's window on one virtual screen, driven with xdotool.
class Screen {
public:
    Screen(const ProgramCopy& program, int width, int height)
        : program_(program), width_(width), height_(height),
          display_(program, std::to_string(width) + "x" + std::to_string(height) + "x24"),
          environment_(programEnvironment(program, {{"DISPLAY", display_.display}, {"SDL_VIDEODRIVER", "x11"}}))
    {
    }

    bool ready() const { return display_.display != ":"; }
    const Environment& environment() const { return environment_; }

    CommandResult run(std::vector<std::string> arguments) const { return runCommand(program_, arguments, environment_); }

    // The player's window (its X class is the program's window class).
    std::string window() const
    {
        std::string id;
        eventually([&] {
            id = run({"/usr/bin/xdotool", "search", "--class", "velnoxa"}).output;
            id = id.substr(0, id.find('\n'));
            return !id.empty();
        }, 20s);
        return id;
    }

    Geometry geometry(const std::string& window) const
    {
        const std::string info = run({"/usr/bin/xwininfo", "-id", window}).output;
        return {valueAfter(info, "Absolute upper-left X:"), valueAfter(info, "Absolute upper-left Y:"),
                valueAfter(info, "Width:"), valueAfter(info, "Height:")};
    }

    void resize(const std::string& window, int width, int height) const
    {
        run({"/usr/bin/xdotool", "windowsize", window, std::to_string(width), std::to_string(height)});
    }

    // The pointer to x, y. The last step is a relative move, because SDL sees a pointer
    // that was only put somewhere (warped) no sooner than it next moves.
    void movePointer(int x, int y) const
    {
        run({"/usr/bin/xdotool", "mousemove", std::to_string(x + 1), std::to_string(y + 1), "mousemove_relative", "--",
             "-1", "-1"});
    }

    // The pointer over the corner of the picture scaled into the rectangle.
    void pointAtCorner(int x, int y, int width, int height) const
    {
        movePointer(x + cornerX * width / pictureWidth, y + cornerY * height / pictureHeight);
    }

    // A left click held for a few frames, as a hand holds it.
    void click(int x, int y) const
    {
        movePointer(x, y);
        run({"/usr/bin/xdotool", "sleep", "0.2", "mousedown", "1", "sleep", "0.2", "mouseup", "1"});
    }

    Screenshot shot() const { return Screenshot::take(program_, environment_, width_, height_); }

    // The first screenshot that passes the check, else the last one taken.
    Screenshot shotWhen(const std::function<bool(const Screenshot&)>& check) const
    {
        Screenshot taken = shot();
        eventually([&] {
            taken = shot();
            return taken.complete() && check(taken);
        }, 15s);
        return taken;
    }

private:
    const ProgramCopy& program_;
    int width_;
    int height_;
    VirtualDisplay display_;
    Environment environment_;
};

// The frame-rate text in the top right corner changes from frame to frame; the cursor is in
// the bottom right corner.
bool steadyPicturePixel(int x, int y) { return !(x >= 560 && y < 16) && !(x >= 624 && y >= 464); }

// Whether the screen shows the picture of `reference` (seen at its own size at referenceX,
// referenceY) scaled into the rectangle x, y, width, height by nearest neighbour: window
// pixel (i, j) of the rectangle shows picture pixel (i * 640 / width, j * 480 / height).
bool showsScaled(const Screenshot& screen, int x, int y, int width, int height, const Screenshot& reference,
                 int referenceX, int referenceY)
{
    for (int j = 0; j < height; ++j) {
        const int pictureY = j * pictureHeight / height;
        for (int i = 0; i < width; ++i) {
            const int pictureX = i * pictureWidth / width;
            if (steadyPicturePixel(pictureX, pictureY) &&
                !(screen.at(x + i, y + j) == reference.at(referenceX + pictureX, referenceY + pictureY))) {
                return false;
            }
        }
    }
    return true;
}

// Whether the window's area outside the rectangle is black.
bool letterBoxed(const Screenshot& screen, const Geometry& window, int x, int y, int width, int height)
{
    const int right = window.x + window.width;
    const int bottom = window.y + window.height;
    return screen.black(window.x, window.y, right, y) && screen.black(window.x, y + height, right, bottom) &&
           screen.black(window.x, y, x, y + height) && screen.black(x + width, y, right, y + height);
}

TEST(EndToEnd, WindowOpensAtTwiceThePictureScalesByWholeMultiplesAndKeepsItsSize)
{
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"});
    program.dir().write("setting.dat", nullPortSettings());
    const std::filesystem::path config = program.dir() / "config" / "quorva" / "player.conf";
    const Screen screen(program, 1920, 1200);
    ASSERT_TRUE(screen.ready());
    Geometry resized;
    {
        RunningProgram player(program, {}, screen.environment());
        ASSERT_TRUE(player.waitUntilServing());
        const std::string window = screen.window();
        ASSERT_FALSE(window.empty());
        // No config yet and room on the screen: twice the picture, centred.
        EXPECT_EQ(screen.geometry(window), (Geometry{320, 120, 1280, 960}));
        screen.pointAtCorner(320, 120, 1280, 960);
        std::this_thread::sleep_for(1s);
        const std::string properties = screen.run({"/usr/bin/xprop", "-id", window, "WM_CLASS", "_NET_WM_ICON"}).output;
        EXPECT_NE(properties.find("WM_CLASS(STRING) = \"velnoxa\", \"velnoxa\"\n"), std::string::npos) << properties;
        EXPECT_NE(properties.find("_NET_WM_ICON(CARDINAL) = \tIcon (64 x 64):"), std::string::npos)
            << properties.substr(0, 200);
        const Screenshot doubled = screen.shotWhen([](const Screenshot& s) { return !s.black(640, 360, 1280, 840); });

        // At its own size, the picture that the doubled window showed pixel for pixel twice.
        screen.resize(window, pictureWidth, pictureHeight);
        screen.pointAtCorner(320, 120, pictureWidth, pictureHeight);
        const Screenshot single = screen.shotWhen([&](const Screenshot& s) {
            return showsScaled(doubled, 320, 120, 1280, 960, s, 320, 120);
        });
        EXPECT_TRUE(showsScaled(doubled, 320, 120, 1280, 960, single, 320, 120));
        EXPECT_FALSE(single.black(320, 120, 960, 600));

        // 1500x1000 still takes the picture twice, centred in black borders.
        screen.resize(window, 1500, 1000);
        resized = screen.geometry(window);
        ASSERT_EQ(resized, (Geometry{320, 120, 1500, 1000}));
        const int left = 320 + 110;
        const int top = 120 + 20;
        screen.pointAtCorner(left, top, 1280, 960);
        const Screenshot boxed = screen.shotWhen([&](const Screenshot& s) {
            return showsScaled(s, left, top, 1280, 960, single, 320, 120);
        });
        EXPECT_TRUE(showsScaled(boxed, left, top, 1280, 960, single, 320, 120));
        EXPECT_TRUE(letterBoxed(boxed, resized, left, top, 1280, 960));

        // Smaller than the picture, it shrinks whole to the width: 400x300, 50 rows of black
        // above and below.
        screen.resize(window, 400, 400);
        const Geometry small{320, 120, 400, 400};
        screen.pointAtCorner(320, 170, 400, 300);
        const Screenshot shrunk = screen.shotWhen([&](const Screenshot& s) {
            return showsScaled(s, 320, 170, 400, 300, single, 320, 120);
        });
        EXPECT_TRUE(showsScaled(shrunk, 320, 170, 400, 300, single, 320, 120));
        EXPECT_TRUE(letterBoxed(shrunk, small, 320, 170, 400, 300));

        // Back at 1500x1000, a click on the OPTION tab (320..384, 0..16 of the picture)
        // selects it; the first tab is no longer selected, the second stays as it was.
        screen.resize(window, 1500, 1000);
        screen.pointAtCorner(left, top, 1280, 960);
        screen.shotWhen([&](const Screenshot& s) { return showsScaled(s, left, top, 1280, 960, single, 320, 120); });
        screen.click(left + 2 * 352, top + 2 * 8);
        screen.pointAtCorner(left, top, 1280, 960);
        const Screenshot option = screen.shotWhen([&](const Screenshot& s) {
            return !s.sameRegion(boxed, left + 640, top, left + 768, top + 32);
        });
        EXPECT_FALSE(option.sameRegion(boxed, left + 640, top, left + 768, top + 32));
        EXPECT_FALSE(option.sameRegion(boxed, left, top, left + 128, top + 32));
        EXPECT_TRUE(option.sameRegion(boxed, left + 128, top, left + 256, top + 32));
        // A click on the black border beside the first tab hits nothing: OPTION stays.
        screen.click(left - 20, top + 2 * 8);
        screen.pointAtCorner(left, top, 1280, 960);
        std::this_thread::sleep_for(1s);
        const Screenshot after = screen.shot();
        EXPECT_TRUE(after.sameRegion(option, left, top, left + 768, top + 32));

        // Alt+Enter to full screen and back leaves the window at the size it had.
        screen.movePointer(1000, 600);
        screen.run({"/usr/bin/xdotool", "keydown", "alt", "keydown", "Return", "sleep", "0.3",
                    "keyup", "Return", "keyup", "alt", "sleep", "1", "keydown", "alt", "keydown", "Return", "sleep",
                    "0.3", "keyup", "Return", "keyup", "alt", "sleep", "1"});
        EXPECT_EQ(screen.geometry(window).width, 1500);
        EXPECT_EQ(screen.geometry(window).height, 1000);
        EXPECT_EQ(player.stop(), 0);
        EXPECT_EQ(player.errors(), "");
    }
    const std::string kept = readText(config);
    EXPECT_NE(kept.find("window_width=1500\n"), std::string::npos) << kept;
    EXPECT_NE(kept.find("window_height=1000\n"), std::string::npos) << kept;

    // The next run opens at the kept size; what a later version keeps in the file stays.
    std::ofstream(config, std::ios::app) << "# a later version's choice\nrepeat_mode=all\n";
    {
        RunningProgram player(program, {}, screen.environment(), "second");
        ASSERT_TRUE(player.waitUntilServing());
        const std::string window = screen.window();
        EXPECT_EQ(screen.geometry(window).width, 1500);
        EXPECT_EQ(screen.geometry(window).height, 1000);
        screen.resize(window, 900, 700);
        eventually([&] { return screen.geometry(window).width == 900; });
        EXPECT_EQ(player.stop(), 0);
    }
    EXPECT_EQ(readText(config), "window_width=900\nwindow_height=700\n# a later version's choice\nrepeat_mode=all\n");
}

TEST(EndToEnd, WindowOpensAtThePicturesSizeWhereTheScreenHasNoRoomForTwice)
{
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"});
    program.dir().write("setting.dat", nullPortSettings());
    const Screen screen(program, 1024, 768);
    ASSERT_TRUE(screen.ready());
    RunningProgram player(program, {}, screen.environment());
    ASSERT_TRUE(player.waitUntilServing());
    EXPECT_EQ(screen.geometry(screen.window()), (Geometry{192, 144, 640, 480}));
    EXPECT_EQ(player.stop(), 0);
}

}  // namespace
}  // namespace quorva::testing
