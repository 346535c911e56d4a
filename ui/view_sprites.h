#pragma once
// The pictures of the keyboard and flow views, cut from the skin: one octave of unlit keys,
// the lit key and glow of each pitch class, the note marks, the flow colours and the drum
// kit with its lanes.
#include "gfx/surface.h"
#include "ui/skin_layout.h"

#include <array>
#include <cstdint>

namespace quorva {

// x of the glow and the note mark of each pitch class inside a KB.FLOW7 octave.
inline constexpr std::array<int32_t, 12> flow7GlowOffsets{0, 6, 12, 18, 24, 36, 42, 48, 54, 60, 66, 72};
// Width of one KB.FLOW12 lane: twelve equal lanes to an octave.
inline constexpr int32_t flow12LaneWidth = 7;

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

// One DRUM FLOW lane, x relative to the page body's left edge. Its note mark is the skin
// layout's drum mark of the same index, as wide as the lane.
struct DrumLane {
    int32_t x;
    int32_t width;
    int32_t colourIndex;  // into the six lane colours
    Pixel separator;      // the 2-pixel line on its left edge
};

inline constexpr std::array<DrumLane, 8> drumLanes{{
    {102, 32, 0, 0x6318},  // crash cymbal
    {134, 24, 0, 0x6318},  // hi-hat
    {158, 24, 1, 0x4210},  // snare
    {182, 32, 2, 0x6318},  // bass drum
    {214, 24, 3, 0x6318},  // high tom
    {238, 24, 4, 0x4210},  // mid tom
    {262, 24, 5, 0x4210},  // low tom
    {286, 32, 0, 0x6318},  // ride cymbal and the rest of the cymbals
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
