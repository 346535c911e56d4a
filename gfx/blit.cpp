#include <algorithm>
#include <cstddef>

#include "gfx/surface.h"

namespace quorva {
namespace {

// The part of a sprite that a blit writes: h rows of w pixels from src to dst.
struct BlitSpan {
    const Pixel* src = nullptr;
    Pixel* dst = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t srcPitch = 0;
    int32_t dstPitch = 0;
};

// Cuts the sprite drawn at (x, y) down to the window; false when nothing is left.
bool clipSpan(Surface& destination, const Sprite& sprite, int32_t x, int32_t y, const Rect& window, BlitSpan& span)
{
    if (destination.empty() || sprite.pixels == nullptr) {
        return false;
    }
    int32_t left = x - sprite.hotX;
    int32_t top = y - sprite.hotY;
    int32_t w = sprite.width;
    int32_t h = sprite.height;
    const Pixel* src = sprite.pixels;
    if (left < window.left) {
        const int32_t skip = window.left - left;
        w -= skip;
        left = window.left;
        if (w <= 0) {
            return false;
        }
        src += skip;
    }
    if (top < window.top) {
        const int32_t skip = window.top - top;
        h -= skip;
        top = window.top;
        if (h <= 0) {
            return false;
        }
        src += static_cast<std::ptrdiff_t>(skip) * sprite.pitch;
    }
    if (left + w > window.right) {
        w = window.right - left;
    }
    if (top + h > window.bottom) {
        h = window.bottom - top;
    }
    if (w <= 0 || h <= 0) {
        return false;
    }
    span = {src, destination.row(top) + left, w, h, sprite.pitch, destination.pitch()};
    return true;
}

// Runs the pixel operation over the span, top row first, each row left to right.
template <typename PixelOperation>
void runRows(const BlitSpan& span, PixelOperation operation)
{
    const Pixel* src = span.src;
    Pixel* dst = span.dst;
    for (int32_t row = 0; row < span.height; ++row) {
        for (int32_t column = 0; column < span.width; ++column) {
            dst[column] = operation(src[column], dst[column]);
        }
        src += span.srcPitch;
        dst += span.dstPitch;
    }
}

template <typename PixelOperation>
void blitWithin(Surface& destination, const Sprite& sprite, int32_t x, int32_t y, const Rect& window,
                PixelOperation operation)
{
    BlitSpan span;
    if (clipSpan(destination, sprite, x, y, window, span)) {
        runRows(span, operation);
    }
}

constexpr auto copyOperation = [](Pixel s, Pixel) { return s; };
constexpr auto keyedOperation = [](Pixel s, Pixel d) { return s != 0 ? s : d; };

auto blendOperation(int32_t weight)
{
    const uint32_t a = static_cast<uint32_t>(weight);
    return [a](Pixel s, Pixel d) { return s != 0 ? blendPixel(s, d, a) : d; };
}

}  // namespace

void blit(Surface& destination, const Sprite& sprite, int32_t x, int32_t y)
{
    blitWithin(destination, sprite, x, y, destination.clipRect(), copyOperation);
}

void blitKeyed(Surface& destination, const Sprite& sprite, int32_t x, int32_t y)
{
    blitWithin(destination, sprite, x, y, destination.clipRect(), keyedOperation);
}

void blitBlend(Surface& destination, const Sprite& sprite, int32_t x, int32_t y, int32_t weight)
{
    blitWithin(destination, sprite, x, y, destination.clipRect(), blendOperation(weight));
}

void blitAdd(Surface& destination, const Sprite& sprite, int32_t x, int32_t y, int32_t weight)
{
    const uint32_t a = static_cast<uint32_t>(weight);
    blitWithin(destination, sprite, x, y, destination.clipRect(),
               [a](Pixel s, Pixel d) { return addPixelSaturated(s, d, a); });
}

void blitUnclipped(Surface& destination, const Sprite& sprite, int32_t x, int32_t y)
{
    blitWithin(destination, sprite, x, y, destination.bounds(), copyOperation);
}

void blitKeyedUnclipped(Surface& destination, const Sprite& sprite, int32_t x, int32_t y)
{
    blitWithin(destination, sprite, x, y, destination.bounds(), keyedOperation);
}

void blitBlendUnclipped(Surface& destination, const Sprite& sprite, int32_t x, int32_t y, int32_t weight)
{
    blitWithin(destination, sprite, x, y, destination.bounds(), blendOperation(weight));
}

}  // namespace quorva
