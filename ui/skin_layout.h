#pragma once
// Where every picture and colour of the user interface lies in the skin image bmp.dat. The
// screen cuts its sprites at these rectangles and the skin generator paints them there, so
// both read this one table. Plain values only: the generator includes it without gfx/.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quorva {

// A rectangle of the skin image: (x, y) is its top-left pixel.
struct SkinRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    constexpr int32_t right() const { return x + width; }
    constexpr int32_t bottom() const { return y + height; }
    constexpr bool contains(int32_t pixelX, int32_t pixelY) const
    {
        return pixelX >= x && pixelX < right() && pixelY >= y && pixelY < bottom();
    }
    constexpr bool overlaps(const SkinRect& other) const
    {
        return x < other.right() && other.x < right() && y < other.bottom() && other.y < bottom();
    }
    friend constexpr bool operator==(const SkinRect&, const SkinRect&) = default;
};

inline constexpr int32_t skinWidth = 480;
inline constexpr int32_t skinHeight = 176;

// ---- panel drawer and scroll-bar drawer (gfx/drawers reads these pixels) -----------------

// Column 0 is the vertical shading of every panel.
inline constexpr SkinRect panelTile{0, 0, 32, 8};
inline constexpr SkinRect panelLeftEdgePixel{0, 0, 1, 1};
inline constexpr SkinRect panelShadowEdgePixel{1, 0, 1, 1};
inline constexpr SkinRect panelBodyPixel{0, 7, 1, 1};
// Shadings of the scroll bar, one column each; rows 0 and 7 also give the end colours.
inline constexpr SkinRect scrollTrackColumn{16, 0, 1, 8};
inline constexpr SkinRect scrollThumbColumn{17, 0, 1, 8};
inline constexpr SkinRect scrollHighlightedThumbColumn{18, 0, 1, 8};

// ---- widgets ---------------------------------------------------------------------------------

// The software mouse cursor (app/mouse_state keeps the same rectangle).
inline constexpr SkinRect cursorImage{0, 104, 16, 24};

inline constexpr int32_t knobImageCount = 13;
// The knob at position 0..12, and the same under the pointer or while dragged.
constexpr SkinRect knobImage(int32_t position) { return {40 + 12 * position, 104, 12, 12}; }
constexpr SkinRect highlightedKnobImage(int32_t position) { return {40 + 12 * position, 116, 12, 12}; }

// The pedal lamps of the channel rows.
inline constexpr SkinRect lampOnImage{28, 104, 5, 5};
inline constexpr SkinRect lampOffImage{28, 109, 5, 5};

// Buttons in their three states, one row each: normal, hover, pressed. The tabs and the
// option page's buttons share the 64x16 faces; the selected tab shows the pressed one.
inline constexpr int32_t buttonStateCount = 3;
inline constexpr std::array<SkinRect, buttonStateCount> buttonImages{{{0, 128, 64, 16}, {0, 144, 64, 16}, {0, 160, 64, 16}}};
inline constexpr std::array<SkinRect, buttonStateCount> stopButtonImages{
    {{112, 128, 16, 16}, {112, 144, 16, 16}, {112, 160, 16, 16}}};
inline constexpr std::array<SkinRect, buttonStateCount> playPauseButtonImages{
    {{128, 128, 24, 16}, {128, 144, 24, 16}, {128, 160, 24, 16}}};

// The three separator rows above a flow keyboard, one pixel each, left to right.
inline constexpr SkinRect keyboardColourPixels{278, 8, 3, 1};
inline constexpr SkinRect spareColourPixel = panelBodyPixel;

// ---- main screen panels --------------------------------------------------------------------

// Colours of the meters and plain bars (low to high) and of the pan and pitch-bend bars
// (left to right), sixteen pixels each.
inline constexpr SkinRect levelRampPixels{64, 0, 16, 1};
inline constexpr SkinRect centredRampPixels{64, 1, 16, 1};

inline constexpr SkinRect channelHeaderImage{0, 68, 212, 20};

// A row of caption pictures, 5 pixels high, side by side from x = 0.
struct CaptionStrip {
    static constexpr int32_t height = 5;

    int32_t y;
    std::span<const int32_t> widths;

    constexpr size_t size() const { return widths.size(); }
    constexpr SkinRect image(size_t index) const
    {
        int32_t x = 0;
        for (size_t before = 0; before < index; ++before) {
            x += widths[before];
        }
        return {x, y, widths[index], height};
    }
};

// Strip A: the captions of the song texts (title, song, artist, marker, copyright, lyric,
// comment).
inline constexpr std::array<int32_t, 7> songTextCaptionWidths{17, 17, 31, 31, 33, 17, 33};
inline constexpr CaptionStrip songTextCaptionStrip{88, songTextCaptionWidths};
// Strip B: the knob bar's captions (mute level, tempo, shift, pitch, view, scale).
inline constexpr std::array<int32_t, 6> knobBarCaptionWidths{27, 21, 19, 19, 15, 19};
inline constexpr CaptionStrip knobBarCaptionStrip{93, knobBarCaptionWidths};
// Strip C: the playback panel's captions (time, bar, beat, tick, position, time signature).
inline constexpr std::array<int32_t, 6> playbackCaptionWidths{15, 11, 14, 13, 29, 31};
inline constexpr CaptionStrip playbackCaptionStrip{98, playbackCaptionWidths};

// The GM, GS and XG lamps, lit and unlit.
inline constexpr int32_t modeLampCount = 3;
inline constexpr std::array<SkinRect, modeLampCount> modeLampOnImages{
    {{200, 128, 32, 24}, {232, 128, 32, 24}, {264, 128, 32, 24}}};
inline constexpr std::array<SkinRect, modeLampCount> modeLampOffImages{
    {{200, 152, 32, 24}, {232, 152, 32, 24}, {264, 152, 32, 24}}};

// ---- keyboard views ------------------------------------------------------------------------

constexpr bool isBlackPitch(int32_t pitchClass)
{
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

// One keyboard's pictures: an octave of unlit keys, and the lit key (and, for some views,
// the glow) of each pitch class, side by side in pitch order.
struct KeyboardTable {
    SkinRect octave;
    std::array<int32_t, 12> offsets;  // x of each pitch class (C = 0) inside the octave
    std::array<int32_t, 12> widths;
    int32_t keysX;  // the lit keys lie side by side from here
    int32_t keysY;
    int32_t glowsY;  // the per-key glows lie the same way at this y; 0 when there are none

    // Skin x of the picture of a pitch class (0..11; 12 gives the end of the row).
    constexpr int32_t keyImageX(int32_t pitchClass) const
    {
        int32_t x = keysX;
        for (int32_t before = 0; before < pitchClass; ++before) {
            x += widths[before];
        }
        return x;
    }
    constexpr SkinRect keyImage(int32_t pitchClass) const
    {
        return {keyImageX(pitchClass), keysY, widths[pitchClass], octave.height};
    }
    constexpr SkinRect glowImage(int32_t pitchClass) const
    {
        return {keyImageX(pitchClass), glowsY, widths[pitchClass], octave.height};
    }
    constexpr bool hasGlows() const { return glowsY != 0; }
};

inline constexpr KeyboardTable kbFullTable{{0, 8, 42, 20},
                                           {0, 3, 6, 11, 12, 18, 21, 24, 28, 30, 35, 36},
                                           {6, 4, 6, 4, 6, 6, 4, 6, 4, 6, 4, 6},
                                           0,
                                           28,
                                           48};
inline constexpr KeyboardTable kbHalfTable{{64, 8, 84, 20},
                                           {0, 7, 12, 21, 24, 35, 42, 48, 56, 60, 70, 72},
                                           {12, 7, 12, 7, 11, 13, 7, 12, 7, 12, 7, 12},
                                           64,
                                           28,
                                           48};
inline constexpr KeyboardTable flow7Table{{192, 0, 84, 32},
                                          {0, 7, 12, 21, 24, 36, 42, 48, 56, 60, 70, 72},
                                          {12, 7, 12, 7, 12, 12, 7, 12, 7, 12, 7, 12},
                                          192,
                                          32,
                                          0};
inline constexpr KeyboardTable flow12Table{{320, 0, 84, 32},
                                           {0, 7, 12, 21, 24, 35, 42, 48, 56, 60, 70, 72},
                                           {12, 7, 12, 7, 11, 13, 7, 12, 7, 12, 7, 12},
                                           320,
                                           32,
                                           0};

// ---- flow views ----------------------------------------------------------------------------

// Note marks of white-key and black-key pitch classes.
inline constexpr SkinRect flow7WhiteMarkImage{276, 0, 12, 4};
inline constexpr SkinRect flow7BlackMarkImage{276, 4, 12, 4};
inline constexpr SkinRect flow12WhiteMarkImage{404, 0, 7, 4};
inline constexpr SkinRect flow12BlackMarkImage{404, 4, 7, 4};

// Background colours: lane colour A (C to E), lane colour B (F to B), beat and measure lines.
inline constexpr SkinRect flowLaneAPixel{276, 8, 1, 1};
inline constexpr SkinRect flowLaneBPixel{277, 8, 1, 1};
inline constexpr SkinRect flowBeatLinePixel{276, 9, 1, 1};
inline constexpr SkinRect flowMeasureLinePixel{277, 9, 1, 1};

// One glow picture serves the flow keys and the drum hits; each cuts its own width of it.
// Rows 0-31 rise above the keyboard line, rows 32-63 (drums only) light the kit.
inline constexpr SkinRect glowArea{448, 0, 32, 64};
inline constexpr SkinRect flow7GlowImage{448, 0, 12, 32};
inline constexpr SkinRect flow12GlowImage{448, 0, 7, 32};
constexpr SkinRect drumGlowImage(int32_t laneWidth) { return {glowArea.x, glowArea.y, laneWidth, glowArea.height}; }

// ---- DRUM FLOW -----------------------------------------------------------------------------

inline constexpr SkinRect drumKitImage{224, 64, 216, 32};
// The falling note mark of each lane, in lane order: crash cymbal, hi-hat, snare, bass drum,
// high, mid and low tom, ride cymbal (which shares the crash cymbal's mark).
inline constexpr std::array<SkinRect, 8> drumMarkImages{{
    {440, 64, 32, 4},
    {440, 68, 24, 4},
    {440, 72, 24, 4},
    {440, 76, 32, 4},
    {440, 80, 24, 4},
    {440, 84, 24, 4},
    {440, 88, 24, 4},
    {440, 64, 32, 4},
}};
// The six lane colours: cymbals, snare, bass drum, high, mid and low tom.
inline constexpr SkinRect drumLaneColourPixels{464, 68, 6, 1};

}  // namespace quorva
