#pragma once
// The pictures of the keyboard and flow views, cut from the skin: one octave of unlit keys,
// the lit key and glow of each pitch class, the note marks, the flow colours and the drum
// kit with its lanes.
#include "gfx/surface.h"

#include <array>
#include <cstdint>

namespace quorva {

// Where the pictures of one keyboard lie in the skin and where each key sits in its octave.
struct KeyboardTable {
    int32_t octaveX;
    int32_t octaveY;
    int32_t octaveWidth;
    int32_t octaveHeight;
    std::array<int32_t, 12> offsets;  // x of each pitch class (C = 0) inside the octave
    std::array<int32_t, 12> widths;
    int32_t keysX;  // the lit keys lie side by side from here, in pitch order
    int32_t keysY;
    int32_t glowsY;  // the per-key glows lie the same way at this y; 0 when there are none
};

inline constexpr KeyboardTable kbFullTable{0,  8,  42, 20, {0, 3, 6, 11, 12, 18, 21, 24, 28, 30, 35, 36},
                                           {6, 4, 6, 4, 6, 6, 4, 6, 4, 6, 4, 6}, 0, 28, 48};
inline constexpr KeyboardTable kbHalfTable{64, 8, 84, 20, {0, 7, 12, 21, 24, 35, 42, 48, 56, 60, 70, 72},
                                           {12, 7, 12, 7, 11, 13, 7, 12, 7, 12, 7, 12}, 64, 28, 48};
inline constexpr KeyboardTable flow7Table{192, 0, 84, 32, {0, 7, 12, 21, 24, 36, 42, 48, 56, 60, 70, 72},
                                          {12, 7, 12, 7, 12, 12, 7, 12, 7, 12, 7, 12}, 192, 32, 0};
inline constexpr KeyboardTable flow12Table{320, 0, 84, 32, {0, 7, 12, 21, 24, 35, 42, 48, 56, 60, 70, 72},
                                           {12, 7, 12, 7, 11, 13, 7, 12, 7, 12, 7, 12}, 320, 32, 0};

// x of the glow and the note mark of each pitch class inside a KB.FLOW7 octave.
inline constexpr std::array<int32_t, 12> flow7GlowOffsets{0, 6, 12, 18, 24, 36, 42, 48, 54, 60, 66, 72};
// Width of one KB.FLOW12 lane: twelve equal lanes to an octave.
inline constexpr int32_t flow12LaneWidth = 7;

constexpr bool isBlackPitch(int32_t pitchClass)
{
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

// One keyboard's sprites. Each key and glow carries minus its octave offset as hotspot x, so
// drawing it at the octave's left edge puts it in place.
struct KeyboardSprites {
    Sprite octave;
    std::array<Sprite, 12> keys;
    std::array<Sprite, 12> glows;  // empty sprites where the view has one shared glow
    int32_t octaveWidth = 0;

    void cut(const Surface& skin, const KeyboardTable& table);
};

// The flow views' extras: the shared key glow, the two note marks (white-key and black-key
// pitch classes) and the background colours.
struct FlowSprites {
    Sprite glow;
    Sprite whiteMark;
    Sprite blackMark;
    Pixel laneA = 0;        // C to E
    Pixel laneB = 0;        // F to B
    Pixel beatLine = 0;
    Pixel measureLine = 0;

    // `twelveLanes` picks KB.FLOW12's pictures, else KB.FLOW7's.
    void cut(const Surface& skin, bool twelveLanes);
    const Sprite& mark(int32_t pitchClass) const { return isBlackPitch(pitchClass) ? blackMark : whiteMark; }
};

// One DRUM FLOW lane, x relative to the page body's left edge.
struct DrumLane {
    int32_t x;
    int32_t width;
    int32_t colourIndex;  // into the six lane colours
    Pixel separator;      // the 2-pixel line on its left edge
    int32_t markY;        // the mark's skin rectangle is (440, markY, width, 4)
};

inline constexpr std::array<DrumLane, 8> drumLanes{{
    {102, 32, 0, 0x6318, 64},  // crash cymbal
    {134, 24, 0, 0x6318, 68},  // hi-hat
    {158, 24, 1, 0x4210, 72},  // snare
    {182, 32, 2, 0x6318, 76},  // bass drum
    {214, 24, 3, 0x6318, 80},  // high tom
    {238, 24, 4, 0x4210, 84},  // mid tom
    {262, 24, 5, 0x4210, 88},  // low tom
    {286, 32, 0, 0x6318, 64},  // ride cymbal and the rest of the cymbals
}};

// The lane a drum note falls in, or -1 for notes DRUM FLOW does not show.
int32_t drumLaneOf(int32_t note);

struct DrumSprites {
    Sprite kit;
    std::array<Sprite, 8> marks;
    std::array<Sprite, 8> glows;
    std::array<Pixel, 6> laneColours{};

    void cut(const Surface& skin);
};

}  // namespace quorva
