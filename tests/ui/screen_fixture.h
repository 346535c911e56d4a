#pragma once
// The real main screen on fakes, with the built data files: tests move the pointer, press
// buttons, run frames and read the picture.
#include "support/smf_builder.h"
#include "support/temp_dir.h"
#include "render/screen_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace quorva::testing {

class ScreenFixture {
public:
    // `text` draws the song texts; none are drawn without it.
    explicit ScreenFixture(TextRenderer* text = nullptr) : session(std::getenv("QUORVA_BIN_DIR"), text) {}

    // Builds the screen; pages to register go in before this.
    void open()
    {
        std::string error;
        ASSERT_TRUE(session.open(error)) << error;
    }

    void play(const std::vector<uint8_t>& song)
    {
        const auto path = songs.write("song" + std::to_string(++songCount) + ".mid", song);
        std::string error;
        ASSERT_TRUE(session.loadAndPlay(path.string(), error)) << error;
    }

    void moveTo(int32_t x, int32_t y) { session.platform.pointerPosition = {x, y, true}; }
    void press(bool right = false) { session.platform.push({right ? WindowEventKind::RightDown : WindowEventKind::LeftDown}); }
    void release(bool right = false) { session.platform.push({right ? WindowEventKind::RightUp : WindowEventKind::LeftUp}); }
    // The second press of a double click.
    void pressDouble() { session.platform.push({WindowEventKind::LeftDown, 2}); }
    void frame() { session.frame(); }
    // Press in one frame, release in the next.
    void click(int32_t x, int32_t y, bool right = false)
    {
        moveTo(x, y);
        press(right);
        frame();
        release(right);
        frame();
    }
    // Ticks and frames of simulated time, as quorva-render runs them.
    void runUntil(uint32_t ms) { session.runUntil(ms); }

    Pixel at(int32_t x, int32_t y) const { return session.screen.mainSurface.at(x, y); }

    // The pixels of the rectangle that have the ink colour, as rows of '#' and '.'.
    std::string ink(int32_t x, int32_t y, int32_t width, int32_t height, Pixel colour) const
    {
        std::string rows;
        for (int32_t row = y; row < y + height; ++row) {
            for (int32_t column = x; column < x + width; ++column) {
                rows += at(column, row) == colour ? '#' : '.';
            }
            rows += '\n';
        }
        return rows;
    }

    // What `ink` shows for the text drawn by the font at the top left of a blank area.
    static std::string inkOfText(const BitmapFont& font, std::string_view text, int32_t width, int32_t height,
                                 Pixel colour)
    {
        Surface blank;
        blank.create(width, height);
        blank.fillRect(blank.bounds(), 0);
        font.drawText(blank, 0, 0, text);
        std::string rows;
        for (int32_t row = 0; row < height; ++row) {
            for (int32_t column = 0; column < width; ++column) {
                rows += blank.at(column, row) == colour ? '#' : '.';
            }
            rows += '\n';
        }
        return rows;
    }

    // Whether the text in the normal light grey font stands at (x, y) and nothing else of
    // that ink is in its cells.
    ::testing::AssertionResult showsText(int32_t x, int32_t y, std::string_view text, bool small = false) const
    {
        const BitmapFont& font = small ? session.screen.fonts.txsm : session.screen.fonts.txnm;
        const int32_t width = font.textWidth(text);
        const std::string expected = inkOfText(font, text, width, font.cellHeight, inkLightGrey);
        const std::string actual = ink(x, y, width, font.cellHeight, inkLightGrey);
        if (expected == actual) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "expected \"" << text << "\" at (" << x << ", " << y << "):\n"
                                             << expected << "found:\n"
                                             << actual;
    }

    const FontSet& fonts() const { return session.screen.fonts; }

    TempDir songs;
    int songCount = 0;
    ScreenSession session;
};

// A song of one held note on each channel given, at division 480 and tempo 500000 unless
// the track says otherwise.
inline std::vector<uint8_t> songOf(TrackBuilder track, uint16_t division = 480)
{
    return buildSmf(0, division, {track});
}

}  // namespace quorva::testing
