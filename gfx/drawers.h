#pragma once
#include <cstdint>

#include "gfx/surface.h"

namespace quorva {

// Draws framed, shaded panels of any size: an 8-row vertical shading taken from the first
// column of the skin's 32x8 tile at (0, 0), a flat body below it and one-pixel edges.
class PanelDrawer {
public:
    static constexpr int32_t stripWidth = 640;
    static constexpr int32_t stripHeight = 8;

    // Builds the shading strip from the skin; false when the skin is too small or the strip
    // cannot be made.
    bool create(const Surface& skin);
    // The surface that drawPanel draws on (the main screen).
    void setTarget(Surface& target) { target_ = &target; }
    // Draws the panel (left, top, right, bottom), right and bottom exclusive. Parts outside the
    // target surface are dropped.
    void drawPanel(int32_t left, int32_t top, int32_t right, int32_t bottom);

    const Surface& strip() const { return strip_; }
    Pixel bodyColour() const { return body_; }
    Pixel bottomRightEdgeColour() const { return bottomRightEdge_; }
    Pixel leftEdgeColour() const { return leftEdge_; }

private:
    Surface strip_;
    Surface* target_ = nullptr;
    Pixel body_ = 0;
    Pixel bottomRightEdge_ = 0;
    Pixel leftEdge_ = 0;
};

// Draws horizontal slider tracks with their thumbs, 8 pixels high, from the skin's columns
// 16 (track), 17 (thumb) and 18 (highlighted thumb).
class ScrollBarDrawer {
public:
    static constexpr int32_t bandWidth = 640;
    static constexpr int32_t bandHeight = 8;

    // Builds the three shading bands from the skin; false when the skin is too small or the
    // surface cannot be made.
    bool create(const Surface& skin);
    // Track from x to x + length at y, thumb from thumbX, thumbWidth wide.
    void drawBar(Surface& target, int32_t x, int32_t length, int32_t thumbX, int32_t thumbWidth, int32_t y,
                 bool highlighted) const;

    const Surface& bands() const { return bands_; }

private:
    Surface bands_;
    Pixel trackStart_ = 0;
    Pixel trackEnd_ = 0;
    Pixel thumbStart_ = 0;
    Pixel thumbEnd_ = 0;
    Pixel highlightStart_ = 0;
    Pixel highlightEnd_ = 0;
};

}  // namespace quorva
