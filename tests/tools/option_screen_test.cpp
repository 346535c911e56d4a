// The option page as quorva-render --screen draws it and as the mouse drives it: choices,
// headings, APPLY and SAVE.
#include "screen_picture.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quorva::testing {
namespace {

constexpr uint16_t brightGreen = 0x43F0;  // the selected choice
constexpr uint16_t white = 0x7FFF;        // a choice under the pointer
// The line under APPLY and SAVE where the page says how SAVE went: 67 characters from x 220.
constexpr int statusX = 220;
constexpr int statusY = 364;
constexpr int statusWidth = 67 * 6;
constexpr int statusHeight = 8;
constexpr int optionMode = 6;

std::vector<uint8_t> longSong()
{
    TrackBuilder track;
    track.event(0, {0x90, 60, 100}).event(2000, {0x80, 60, 0});
    return buildSmf(0, 96, {track});
}

// Whether the two pictures hold the same pixels everywhere but on the SAVE status line.
bool sameBesideTheStatusLine(const ScreenShot& one, const ScreenShot& other)
{
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const bool onLine = x >= statusX && x < statusX + statusWidth && y >= statusY && y < statusY + statusHeight;
            if (!onLine && one.at(x, y) != other.at(x, y)) {
                return false;
            }
        }
    }
    return true;
}

// Green pixels in the box of a choice: row r, item i, the row's item step and the text length.
int greenIn(const ScreenShot& shot, int row, int item, int step, int characters)
{
    return shot.count(348 + step * item, 96 + 16 * row, 6 * characters, 8, brightGreen);
}

TEST(OptionScreen, ChoiceBoxesAreSixPixelsACharacterAndEightHigh)
{
    TempDir dir;
    // EFFECT (row 3, y 144): "[NO]'" spans 348..377 and "[YES]" 402..431, rows 144..151.
    const ScreenShot shown = renderScreen(dir, longSong(), 100, optionMode);
    ASSERT_EQ(shown.status, 0) << shown.output;
    EXPECT_GT(greenIn(shown, 3, 0, 54, 5), 0);
    EXPECT_EQ(greenIn(shown, 3, 1, 54, 5), 0);
    // Clicks just outside every edge of the boxes, and into the blank between them, select nothing.
    const std::string misses =
        clickAt(16, 378, 147) + clickAt(48, 401, 147) + clickAt(80, 402, 152) + clickAt(112, 402, 143) +
        clickAt(144, 432, 147) + clickAt(176, 390, 147) + "208 move 100 470\n";
    const ScreenShot missed = renderScreen(dir, longSong(), 240, optionMode, misses, "missed");
    EXPECT_GT(greenIn(missed, 3, 0, 54, 5), 0);
    EXPECT_EQ(greenIn(missed, 3, 1, 54, 5), 0);
    // The last pixel of a box still counts.
    const ScreenShot hit = renderScreen(dir, longSong(), 100, optionMode, clickAt(16, 431, 151), "hit");
    EXPECT_EQ(greenIn(hit, 3, 0, 54, 5), 0);
    EXPECT_GT(greenIn(hit, 3, 1, 54, 5), 0);
}

TEST(OptionScreen, HeadingsIgnoreClicksAndLeavingWithoutApplyChangesNothing)
{
    TempDir dir;
    // "MS-SS" (row 1) and "QUORVA" (row 4) have no choices; clicks there change no pixel of
    // the page once the pointer has left.
    const std::string headings = clickAt(16, 240, 115) + clickAt(48, 360, 115) + clickAt(80, 240, 163) +
                                 clickAt(112, 400, 163) + "144 move 100 470\n";
    const ScreenShot clicked = renderScreen(dir, longSong(), 160, optionMode, headings, "clicked");
    const ScreenShot untouched = renderScreen(dir, longSong(), 160, optionMode, "144 move 100 470\n", "untouched");
    ASSERT_EQ(clicked.status, 0) << clicked.output;
    EXPECT_EQ(clicked.region(212, 64, 420, 320), untouched.region(212, 64, 420, 320));

    // [YES] in EFFECT, then away to KB.FULL and back: the row shows the running value again.
    const std::string away = clickAt(16, 410, 147) + clickAt(48, 20, 8) + clickAt(80, 340, 8);
    const ScreenShot back = renderScreen(dir, longSong(), 128, optionMode, away, "back");
    EXPECT_GT(greenIn(back, 3, 0, 54, 5), 0);
    EXPECT_EQ(greenIn(back, 3, 1, 54, 5), 0);
    // Before leaving, the click had selected it.
    const ScreenShot before = renderScreen(dir, longSong(), 32, optionMode, clickAt(16, 410, 147), "before");
    EXPECT_GT(greenIn(before, 3, 1, 54, 5), 0);
}

TEST(OptionScreen, SaveWritesTheChoicesWhileTheRunningSettingsStay)
{
    TempDir dir;
    // "[64]" voices (row 6, item 4 at x 564), then SAVE at (454, 336).
    const std::string save = clickAt(16, 570, 195) + clickAt(48, 470, 340);
    const ScreenShot saved = renderScreen(dir, longSong(), 64, optionMode, save, "saved");
    ASSERT_EQ(saved.status, 0) << saved.output;
    EXPECT_EQ(saved.output, "");
    EXPECT_EQ(readBytes(dir / "setting.dat"), (std::vector<uint8_t>{0, 1, 0, 2, 4, 2, 3, 0, 1, 2, 0}));
    EXPECT_FALSE(std::filesystem::exists(dir / "setting.dat.new"));
    // Shown again, the page holds the running voice count, "[24]'".
    const ScreenShot again = renderScreen(dir, longSong(), 128, optionMode, save + clickAt(80, 20, 8) + clickAt(112, 340, 8), "again");
    EXPECT_GT(greenIn(again, 6, 2, 54, 5), 0);
    EXPECT_EQ(greenIn(again, 6, 4, 54, 4), 0);
    // The song kept playing: the progress bar has its red part.
    EXPECT_EQ(again.at(4, 431), 0x7E94);

    // The page says so in green under the buttons for two seconds, and then shows exactly
    // what it shows without a SAVE.
    const std::string away = "80 move 100 470\n";
    EXPECT_GT(saved.count(statusX, statusY, statusWidth, statusHeight, brightGreen), 30);
    const ScreenShot unsaved = renderScreen(dir, longSong(), 64, optionMode, clickAt(16, 570, 195) + "48 move 470 340\n", "unsaved");
    EXPECT_EQ(unsaved.count(statusX, statusY, statusWidth, statusHeight, brightGreen), 0);
    EXPECT_TRUE(sameBesideTheStatusLine(saved, unsaved));
    const ScreenShot later = renderScreen(dir, longSong(), 2060, optionMode, save + away, "later");
    const ScreenShot laterUnsaved = renderScreen(dir, longSong(), 2060, optionMode, clickAt(16, 570, 195) + away, "later-unsaved");
    EXPECT_EQ(later.picture.pixels, laterUnsaved.picture.pixels);

    // Where the file cannot be replaced, SAVE leaves it as it was and the page says why, in
    // white on the same line (quorva-render prints nothing: its standard error is for its
    // own failures; the player writes the line there too).
    TempDir blocked;
    std::filesystem::create_directories(blocked / "setting.dat" / "inside");
    const ScreenShot refused = renderScreen(blocked, longSong(), 64, optionMode, save, "refused");
    EXPECT_EQ(refused.status, 0);
    EXPECT_EQ(refused.output, "");
    EXPECT_TRUE(std::filesystem::is_directory(blocked / "setting.dat"));
    EXPECT_FALSE(std::filesystem::exists(blocked / "setting.dat.new"));
    EXPECT_GT(refused.count(statusX, statusY, statusWidth, statusHeight, white), 100);
    EXPECT_EQ(refused.count(statusX, statusY, statusWidth, statusHeight, brightGreen), 0);
    EXPECT_TRUE(sameBesideTheStatusLine(refused, unsaved));
    // A full disk: the new file goes to /dev/full. The old record stays, the line differs.
    TempDir full;
    full.write("setting.dat", std::vector<uint8_t>{3, 1, 0, 2, 2, 2, 3, 0, 1, 2, 0});
    std::filesystem::create_symlink("/dev/full", full / "setting.dat.new");
    const ScreenShot noSpace = renderScreen(full, longSong(), 64, optionMode, save, "no-space");
    EXPECT_EQ(noSpace.output, "");
    EXPECT_EQ(readBytes(full / "setting.dat"), (std::vector<uint8_t>{3, 1, 0, 2, 2, 2, 3, 0, 1, 2, 0}));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(full / "setting.dat.new")));
    EXPECT_GT(noSpace.count(statusX, statusY, statusWidth, statusHeight, white), 100);
    EXPECT_NE(noSpace.region(statusX, statusY, statusWidth, statusHeight), refused.region(statusX, statusY, statusWidth, statusHeight));
    EXPECT_TRUE(sameBesideTheStatusLine(noSpace, unsaved));
    // The failure stays while the page shows.
    std::filesystem::create_symlink("/dev/full", full / "setting.dat.new");
    const ScreenShot stillSaid = renderScreen(full, longSong(), 2060, optionMode, save + away, "still-said");
    EXPECT_EQ(stillSaid.region(statusX, statusY, statusWidth, statusHeight), noSpace.region(statusX, statusY, statusWidth, statusHeight));
    EXPECT_EQ(readBytes(full / "setting.dat"), (std::vector<uint8_t>{3, 1, 0, 2, 2, 2, 3, 0, 1, 2, 0}));
}

TEST(OptionScreen, ApplyChangesPortsOnlyWhenNeededAndMovesTheMuteKnob)
{
    TempDir dir;
    // A new sleep only: the port stays and the song plays on.
    const std::string sleepOnly = clickAt(16, 402, 259) + clickAt(48, 340, 340);
    const ScreenShot kept = renderScreen(dir, longSong(), 500, optionMode, sleepOnly, "kept");
    ASSERT_EQ(kept.status, 0) << kept.output;
    EXPECT_EQ(kept.at(4, 431), 0x7E94);
    // A new output: the player stops for the new port and stays stopped (grey bar).
    const std::string output = clickAt(16, 570, 99) + clickAt(48, 340, 340);
    const ScreenShot stopped = renderScreen(dir, longSong(), 500, optionMode, output, "stopped");
    EXPECT_EQ(stopped.at(4, 431), 0x3DEF);
    EXPECT_GT(greenIn(stopped, 0, 3, 72, 6), 0);

    // DEF-MUTELV "[12]" applied: the mute level knob turns to 12, as a drag to 12 would.
    const std::string muteLevel = clickAt(16, 570, 227) + clickAt(48, 340, 340) + "80 move 100 470\n";
    const std::string dragged = "0 move 24 30\n16 press left\n32 move 84 30\n48 release left\n80 move 100 470\n";
    const ScreenShot applied = renderScreen(dir, longSong(), 96, optionMode, muteLevel, "applied");
    const ScreenShot turned = renderScreen(dir, longSong(), 96, optionMode, dragged, "turned");
    const ScreenShot unapplied = renderScreen(dir, longSong(), 96, optionMode, clickAt(16, 570, 227) + "80 move 100 470\n", "unapplied");
    EXPECT_EQ(applied.region(12, 24, 24, 20), turned.region(12, 24, 24, 20));
    EXPECT_NE(unapplied.region(12, 24, 24, 20), turned.region(12, 24, 24, 20));
}

}  // namespace
}  // namespace quorva::testing
