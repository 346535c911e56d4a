#pragma once
// The sprite sets that the main screen and its widgets cut from the skin at start-up, at the
// rectangles of the skin layout.
#include "gfx/surface.h"
#include "ui/skin_layout.h"

#include <array>
#include <cstdint>

namespace quorva {

// The sprite of a skin rectangle.
inline Sprite cutSkin(const Surface& skin, const SkinRect& rect)
{
    return Sprite::cut(skin, rect.x, rect.y, rect.width, rect.height);
}

// The sprite drawn with its hotspot at (hotX, hotY) of the picture.
inline Sprite withHotspot(Sprite sprite, int32_t hotX, int32_t hotY)
{
    sprite.hotX = hotX;
    sprite.hotY = hotY;
    return sprite;
}

// The colour at a skin pixel; 0 outside the skin (a skin too small to hold it).
inline Pixel skinPixel(const Surface& skin, int32_t x, int32_t y)
{
    return x < skin.width() && y < skin.height() ? skin.at(x, y) : Pixel{0};
}

// The colours of a one-row run of skin pixels, left to right.
template <size_t Count>
std::array<Pixel, Count> skinPixels(const Surface& skin, const SkinRect& run)
{
    std::array<Pixel, Count> colours{};
    for (size_t i = 0; i < Count; ++i) {
        colours[i] = skinPixel(skin, run.x + static_cast<int32_t>(i), run.y);
    }
    return colours;
}

// The sprites that several widgets share.
struct SkinSprites {
    static constexpr int knobImages = knobImageCount;

    std::array<Sprite, knobImages> knobs;
    std::array<Sprite, knobImages> highlightedKnobs;
    Sprite lampOn;
    Sprite lampOff;
    Sprite buttonNormal;
    Sprite buttonHover;
    Sprite buttonPressed;
    std::array<Pixel, 3> keyboardColours{};
    Pixel spareColour = 0;

    void cut(const Surface& skin);
};

// The main screen's own pictures: the channel header, the three caption strips, the GM, GS
// and XG lamps and the colour ramps of the channel rows.
struct PanelSprites {
    Sprite channelHeader;
    std::array<Sprite, songTextCaptionWidths.size()> songTextCaptions;
    std::array<Sprite, knobBarCaptionWidths.size()> knobBarCaptions;
    std::array<Sprite, playbackCaptionWidths.size()> playbackCaptions;
    std::array<Sprite, modeLampCount> modeLampsOn;
    std::array<Sprite, modeLampCount> modeLampsOff;
    std::array<Pixel, 16> levelRamp{};    // meters and plain bars, low to high
    std::array<Pixel, 16> centredRamp{};  // pan and pitch-bend bars, left to right

    void cut(const Surface& skin);
};

}  // namespace quorva
