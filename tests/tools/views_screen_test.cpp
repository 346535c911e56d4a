// The five music views as quorva-render --screen draws them, region by region against the
// skin's own pictures.
#include "gfx/pixel.h"
#include "screen_picture.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace quorva::testing {
namespace {

using Pixels = std::vector<uint16_t>;

// Division 96 at 120 bpm: 0.96 ticks per 5 ms timer tick. A second track holds a silent
// note on channel 6 (shown nowhere) that keeps every song going for 4000 ticks.
std::vector<uint8_t> song(const TrackBuilder& track)
{
    TrackBuilder companion;
    companion.event(0, {0x95, 40, 1}).event(4000, {0x85, 40, 0});
    return buildSmf(1, 96, {track, companion});
}

// A note held from the first tick on.
TrackBuilder heldNote(uint8_t status, uint8_t note)
{
    TrackBuilder track;
    track.event(0, {status, note, 100});
    return track;
}

// The lit key of pitch class k over its octave image, as a keyed blit draws it.
Pixels litKey(int octaveX, int octaveY, int keyX, int keyY, int offset, int width, int height)
{
    const SkinImage& skin = skinPicture();
    Pixels out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint16_t key = skin.at(keyX + x, keyY + y);
            out.push_back(key != 0 ? key : skin.at(octaveX + offset + x, octaveY + y));
        }
    }
    return out;
}

Pixels octavePart(int octaveX, int octaveY, int offset, int width, int height)
{
    return skinPicture().cut({octaveX + offset, octaveY, width, height});
}

// What the given blend or add of a skin picture makes of the pixels under it.
Pixels blended(const Pixels& under, int glowX, int glowY, int width, int weight, bool additive)
{
    const SkinImage& skin = skinPicture();
    Pixels out(under);
    for (size_t i = 0; i < out.size(); ++i) {
        const uint16_t glow = skin.at(glowX + static_cast<int>(i) % width, glowY + static_cast<int>(i) / width);
        if (additive) {
            out[i] = addPixelSaturated(glow, out[i], static_cast<uint32_t>(weight));
        } else if (glow != 0) {
            out[i] = blendPixel(glow, out[i], static_cast<uint32_t>(weight));
        }
    }
    return out;
}

TEST(ViewScreens, FullKeyboardLightsMiddleCAndItsGlowFadesOver192Ms)
{
    TempDir dir;
    const auto middleC = song(heldNote(0x90, 60));
    // C of the sixth octave at x 422 on channel 1's keyboard at y 64.
    const Pixels lit = litKey(0, 8, 0, 28, 0, 6, 20);
    const ScreenShot late = renderScreen(dir, middleC, 208, 1);
    ASSERT_EQ(late.status, 0) << late.output;
    EXPECT_EQ(late.region(422, 64, 6, 20), lit);
    EXPECT_EQ(late.region(422, 84, 6, 20), octavePart(0, 8, 0, 6, 20));  // channel 2 stays dark
    EXPECT_EQ(late.region(416, 64, 6, 20), octavePart(0, 8, 36, 6, 20));  // the B below too
    // The frame at 16 ms sees a note 15 ms old (weight 29), the one at 128 ms 125 ms (weight 11);
    // at 192 ms the weight is 0.
    EXPECT_EQ(renderScreen(dir, middleC, 16, 1).region(422, 64, 6, 20), blended(lit, 0, 48, 6, 29, false));
    EXPECT_EQ(renderScreen(dir, middleC, 128, 1).region(422, 64, 6, 20), blended(lit, 0, 48, 6, 11, false));
    EXPECT_NE(blended(lit, 0, 48, 6, 11, false), lit);
    EXPECT_EQ(renderScreen(dir, middleC, 192, 1).region(422, 64, 6, 20), lit);
    // Held for seconds, the key stays lit.
    EXPECT_EQ(renderScreen(dir, middleC, 3000, 1).region(422, 64, 6, 20), lit);
}

TEST(ViewScreens, ViewShiftMovesEveryKeySixSemitones)
{
    TempDir dir;
    TrackBuilder track = heldNote(0x90, 60);
    track.event(0, {0x93, 71, 100});
    // Drag the view-shift knob (144, 30) 60 pixels right: index 12, a shift of +6 from the
    // frame after the drag.
    const std::string script = "0 move 144 30\n16 press left\n32 move 204 30\n48 release left\n";
    const ScreenShot shot = renderScreen(dir, song(track), 400, 1, script);
    ASSERT_EQ(shot.status, 0) << shot.output;
    // C (60) becomes F# (66) at 422 + 21; B (71) on channel 4 becomes F (77) at 464 + 18.
    EXPECT_EQ(shot.region(443, 64, 4, 20), litKey(0, 8, 32, 28, 21, 4, 20));
    EXPECT_EQ(shot.region(482, 124, 6, 20), litKey(0, 8, 26, 28, 18, 6, 20));
    EXPECT_EQ(shot.region(422, 64, 6, 20), octavePart(0, 8, 0, 6, 20));
    EXPECT_EQ(shot.region(458, 124, 6, 20), octavePart(0, 8, 36, 6, 20));
    // KB.HALF moves the same way: F# at 422 + 42 of its wider octave.
    const ScreenShot half = renderScreen(dir, song(track), 400, 2, script, "half");
    EXPECT_EQ(half.region(464, 64, 7, 20), litKey(64, 8, 126, 28, 42, 7, 20));
}

TEST(ViewScreens, NotesPastTheRightEdgeStayInsideTheBody)
{
    TempDir dir;
    // Notes 120 and 127 (shifted up to 126 and 133) would place their octave at x 632 or
    // beyond; nothing may reach the panel right of the body. Note 0 has no key.
    TrackBuilder high;
    high.event(0, {0x90, 120, 100}).event(0, {0x90, 127, 100}).event(0, {0x91, 0, 100}).event(0, {0x90, 119, 100});
    const std::string shift = "0 move 144 30\n16 press left\n32 move 204 30\n48 release left\n100 move 700 500\n";
    // KB.HALF scrolled to its right end, where the tenth octave ends at the body's edge.
    const std::string rightEnd = "0 move 400 60\n16 press left\n32 move 700 60\n48 release left\n100 move 700 500\n";
    for (int mode = 1; mode <= 4; ++mode) {
        for (const std::string& script : {std::string(), shift, mode == 1 ? shift : rightEnd}) {
            const ScreenShot lit = renderScreen(dir, song(high), 400, mode, script, "lit");
            const ScreenShot plain = renderScreen(dir, song(TrackBuilder()), 400, mode, script, "plain");
            ASSERT_EQ(lit.status, 0) << lit.output;
            EXPECT_EQ(lit.region(632, 44, 8, 340), plain.region(632, 44, 8, 340)) << mode << script;
            EXPECT_EQ(lit.region(0, 0, 640, 44), plain.region(0, 0, 640, 44)) << mode << script;
        }
    }
    // Note 119 lights the last B of KB.FULL, flush with the body's edge; note 0 on channel 2
    // lights nothing.
    const ScreenShot full = renderScreen(dir, song(high), 400, 1);
    EXPECT_EQ(full.region(626, 64, 6, 20), litKey(0, 8, 56, 28, 36, 6, 20));
    EXPECT_EQ(full.region(212, 84, 6, 20), octavePart(0, 8, 0, 6, 20));
}

TEST(ViewScreens, FlowKeyboardsPlaceMiddleCAt422AndHeldNotesKeepTheirGlow)
{
    TempDir dir;
    const auto middleC = song(heldNote(0x90, 60));
    // The same song with the note on channel 5, which the flow keyboards do not show.
    const auto hidden = song(heldNote(0x94, 60));
    for (int ms : {400, 2000}) {
        const ScreenShot shot = renderScreen(dir, middleC, static_cast<uint32_t>(ms), 3);
        const ScreenShot plain = renderScreen(dir, hidden, static_cast<uint32_t>(ms), 3, "", "plain");
        ASSERT_EQ(shot.status, 0) << shot.output;
        EXPECT_EQ(shot.region(422, 352, 12, 32), litKey(192, 0, 192, 32, 0, 12, 32)) << ms;
        EXPECT_EQ(plain.region(422, 352, 12, 32), octavePart(192, 0, 0, 12, 32)) << ms;
        // A held note's glow stays at weight 8 above the key, rows 320..351.
        EXPECT_EQ(shot.region(422, 320, 12, 32), blended(plain.region(422, 320, 12, 32), 448, 0, 12, 8, true)) << ms;

        const ScreenShot twelve = renderScreen(dir, middleC, static_cast<uint32_t>(ms), 4, "", "twelve");
        const ScreenShot twelvePlain = renderScreen(dir, hidden, static_cast<uint32_t>(ms), 4, "", "twelvePlain");
        EXPECT_EQ(twelve.region(422, 352, 12, 32), litKey(320, 0, 320, 32, 0, 12, 32)) << ms;
        EXPECT_EQ(twelve.region(422, 320, 7, 32), blended(twelvePlain.region(422, 320, 7, 32), 448, 0, 7, 8, true))
            << ms;
    }
}

TEST(ViewScreens, NoGridOrMarksWhileNotPlaying)
{
    TempDir dir;
    TrackBuilder track;
    track.event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).event(104, {0x90, 64, 100}).event(96, {0x80, 64, 0});
    const auto music = buildSmf(0, 96, {track});
    // The lanes of the keyboard flows span the body; DRUM FLOW's lie between its side panels.
    const auto rowsLikeTheFirst = [](const ScreenShot& shot, int left = 212, int right = 632) {
        int same = 0;
        for (int y = 65; y < 348; ++y) {
            same += shot.region(left, y, right - left, 1) == shot.region(left, 64, right - left, 1);
        }
        return same;
    };
    // Playing: the note at tick 200 falls toward the keyboard and beat lines cross the lanes.
    const ScreenShot playing = renderScreen(dir, music, 16, 3);
    ASSERT_EQ(playing.status, 0) << playing.output;
    EXPECT_LT(rowsLikeTheFirst(playing), 283);
    // Over a second after the last note the song has ended: only the background is left.
    EXPECT_EQ(rowsLikeTheFirst(renderScreen(dir, music, 4000, 3)), 283);
    EXPECT_EQ(rowsLikeTheFirst(renderScreen(dir, music, 4000, 4)), 283);
    EXPECT_EQ(rowsLikeTheFirst(renderScreen(dir, music, 4000, 5), 316, 528), 283);
}

TEST(ViewScreens, AChangeFromFourToThreeMovesTheNextMeasureLine)
{
    TempDir dir;
    const SkinImage& skin = skinPicture();
    const uint16_t beatColour = skin.at(276, 9);
    const uint16_t measureColour = skin.at(277, 9);
    const auto linesOf = [&](const ScreenShot& shot, uint16_t colour) {
        std::set<int> rows;
        for (int y = 64; y < 348; ++y) {
            if (shot.at(220, y) == colour) {
                rows.insert(y);
            }
        }
        return rows;
    };
    TrackBuilder changing;
    changing.timeSignature(0, 4, 2).timeSignature(384, 3, 2);
    TrackBuilder steady;
    steady.timeSignature(0, 4, 2);
    // At 1568 ms the player is at tick 300; the flow scale of 64 pixels per quarter gives 2/3 of
    // a pixel per tick. The measure at tick 384 lies 56 pixels up (row 295). In 4/4 the next
    // one (768) is out of the lanes; in 3/4 it comes at tick 672, 248 pixels up (row 103).
    const ScreenShot three = renderScreen(dir, song(changing), 1568, 3);
    const ScreenShot four = renderScreen(dir, song(steady), 1568, 3, "", "four");
    ASSERT_EQ(three.status, 0) << three.output;
    EXPECT_EQ(linesOf(three, measureColour), (std::set<int>{103, 295}));
    EXPECT_EQ(linesOf(four, measureColour), (std::set<int>{295}));
    EXPECT_EQ(linesOf(three, beatColour), (std::set<int>{167, 231}));
    EXPECT_EQ(linesOf(four, beatColour), (std::set<int>{103, 167, 231}));
}

TEST(ViewScreens, DrumFlowShowsOnlyTheNotesOfItsLanes)
{
    TempDir dir;
    const auto withDrum = [](uint8_t note) {
        TrackBuilder track;
        track.event(48, {0x99, note, 100}).event(8, {0x89, note, 0}).event(88, {0x99, note, 100});
        return song(track);
    };
    // At 300 ms the first hit (tick 48) glows and the second (tick 144) is still coming.
    const ScreenShot none = renderScreen(dir, withDrum(0), 300, 5, "", "none");
    const ScreenShot ignored = renderScreen(dir, withDrum(37), 300, 5, "", "ignored");
    const ScreenShot snare = renderScreen(dir, withDrum(38), 300, 5, "", "snare");
    ASSERT_EQ(none.status, 0) << none.output;
    EXPECT_EQ(ignored.region(212, 44, 420, 340), none.region(212, 44, 420, 340));
    EXPECT_NE(snare.region(370, 64, 24, 320), none.region(370, 64, 24, 320));
    // The snare lane (x 370..394) holds the mark and the glow; the others stay as they were.
    EXPECT_EQ(snare.region(212, 64, 157, 320), none.region(212, 64, 157, 320));
    EXPECT_EQ(snare.region(396, 64, 236, 320), none.region(396, 64, 236, 320));
}

TEST(ViewScreens, TheScrollBarMovesTheHalfKeyboardsAndARightClickResetsIt)
{
    TempDir dir;
    const auto music = song(heldNote(0x94, 60));
    const auto firstRowAt = [](int offset) {
        Pixels row;
        for (int i = 0; i < 420; ++i) {
            row.push_back(skinPicture().at(64 + (i + offset) % 84, 8));
        }
        return row;
    };
    // The thumb starts at 105 of its 210-pixel travel: offset 210, 42 pixels into an octave.
    const ScreenShot start = renderScreen(dir, music, 100, 2);
    ASSERT_EQ(start.status, 0) << start.output;
    EXPECT_EQ(start.region(212, 64, 420, 1), firstRowAt(42));
    EXPECT_EQ(start.region(212, 364, 420, 1), firstRowAt(42));  // the sixteenth keyboard
    // Dragging the thumb 105 pixels left (and beyond) scrolls to the start.
    const std::string drag = "0 move 400 60\n16 press left\n32 move 200 60\n48 release left\n";
    const ScreenShot left = renderScreen(dir, music, 64, 2, drag, "left");
    EXPECT_EQ(left.region(212, 64, 420, 1), firstRowAt(0));
    // A drag to 60 pixels in: offset 120, 36 pixels into an octave; the flow keyboard follows.
    const std::string partway = "0 move 400 60\n16 press left\n32 move 355 60\n48 release left\n";
    EXPECT_EQ(renderScreen(dir, music, 64, 2, partway, "partway").region(212, 64, 420, 1), firstRowAt(120 % 84));
    const ScreenShot flow = renderScreen(dir, music, 64, 3, partway, "flow");
    EXPECT_EQ(flow.region(212, 352, 420, 1), [] {
        Pixels row;
        for (int i = 0; i < 420; ++i) {
            row.push_back(skinPicture().at(192 + (i + 36) % 84, 0));
        }
        return row;
    }());
    // A right click on the thumb puts it back.
    const ScreenShot reset =
        renderScreen(dir, music, 128, 2, drag + "64 move 250 60\n80 press right\n96 release right\n", "reset");
    EXPECT_EQ(reset.region(212, 64, 420, 1), firstRowAt(42));
}

}  // namespace
}  // namespace quorva::testing
