#include "gfx/drawers.h"

#include <algorithm>

namespace quorva {

bool PanelDrawer::create(const Surface& skin)
{
    if (skin.width() < 2 || skin.height() < stripHeight || !strip_.create(stripWidth, stripHeight)) {
        return false;
    }
    blit(strip_, Sprite::cut(skin, 0, 0, 32, stripHeight), 0, 0);
    // Doubling from width 1 spreads the tile's first column over the whole strip.
    for (int32_t width = 1; width <= 256; width *= 2) {
        blit(strip_, Sprite::cut(strip_, 0, 0, width, stripHeight), width, 0);
    }
    blit(strip_, Sprite::cut(strip_, 0, 0, 320, stripHeight), 320, 0);
    body_ = skin.at(0, 7);
    bottomRightEdge_ = skin.at(1, 0);
    leftEdge_ = skin.at(0, 0);
    return true;
}

void PanelDrawer::drawPanel(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (target_ == nullptr || strip_.empty()) {
        return;
    }
    Surface& target = *target_;
    const int32_t width = std::min(right - left, stripWidth);
    const int32_t height = std::min(bottom - top, stripHeight);
    if (width > 0 && height > 0) {
        blitUnclipped(target, Sprite::cut(strip_, 0, 0, width, height), left, top);
    }
    if (bottom - top > stripHeight) {
        target.fillRect({left, top + stripHeight, right - 1, bottom}, body_);
    }
    target.fillRect({left, bottom - 1, right, bottom}, bottomRightEdge_);
    target.fillRect({right - 1, top, right, bottom}, bottomRightEdge_);
    target.fillRect({left, top, left + 1, bottom}, leftEdge_);
}

bool ScrollBarDrawer::create(const Surface& skin)
{
    if (skin.width() < 19 || skin.height() < bandHeight || !bands_.create(bandWidth, 3 * bandHeight)) {
        return false;
    }
    trackStart_ = skin.at(16, 0);
    trackEnd_ = skin.at(16, 7);
    thumbStart_ = skin.at(17, 0);
    thumbEnd_ = skin.at(17, 7);
    highlightStart_ = skin.at(18, 0);
    highlightEnd_ = skin.at(18, 7);
    for (int32_t band = 0; band < 3; ++band) {
        const Sprite column = Sprite::cut(skin, 16 + band, 0, 1, bandHeight);
        for (int32_t x = 0; x < bandWidth; ++x) {
            blit(bands_, column, x, band * bandHeight);
        }
    }
    return true;
}

void ScrollBarDrawer::drawBar(Surface& target, int32_t x, int32_t length, int32_t thumbX, int32_t thumbWidth,
                              int32_t y, bool highlighted) const
{
    if (bands_.empty()) {
        return;
    }
    const auto band = [this](int32_t index, int32_t width) {
        return Sprite::cut(bands_, 0, index * bandHeight, std::min(width, bandWidth), bandHeight);
    };
    blitUnclipped(target, band(0, thumbX - x), x, y);
    blitUnclipped(target, band(0, x + length - thumbX - thumbWidth), thumbX + thumbWidth, y);
    blitUnclipped(target, band(highlighted ? 2 : 1, thumbWidth), thumbX, y);
    target.fillRect({x, y, x + 1, y + bandHeight}, trackStart_);
    target.fillRect({x + length, y, x + length + 1, y + bandHeight}, trackEnd_);
    target.fillRect({thumbX, y, thumbX + 1, y + bandHeight}, highlighted ? highlightStart_ : thumbStart_);
    target.fillRect({thumbX + thumbWidth, y, thumbX + thumbWidth + 1, y + bandHeight},
                    highlighted ? highlightEnd_ : thumbEnd_);
}

}  // namespace quorva
