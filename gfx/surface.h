#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/pixel.h"

namespace quorva {

class BitmapLoader;

// A rectangle of pixels: left and top inclusive, right and bottom exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A buffer of RGB555 pixels, rows top to bottom, with a clip rectangle that the clipped
// drawing operations respect. The surface owns its pixels; an empty surface has none.
// The 640x480 main screen is one of these: the window uploads pixels() row by row (pitch()
// pixels apart) once per frame.
class Surface {
public:
    // Allocates width x height pixels (content undefined, pitch = width); clip = whole surface.
    // Returns false for a negative size.
    bool create(int32_t width, int32_t height);
    // Becomes a copy of the other surface's size and pixels (pitch = width); clip = whole surface.
    bool createCopy(const Surface& other);
    // Loads a Windows bitmap file through the loader; false when it cannot be read.
    bool load(const BitmapLoader& loader, const std::string& path);
    // Frees the pixels; the surface becomes empty.
    void release();

    bool empty() const { return pixels_.empty(); }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Distance between the starts of two rows, in pixels.
    int32_t pitch() const { return pitch_; }
    Pixel* pixels() { return empty() ? nullptr : pixels_.data(); }
    const Pixel* pixels() const { return empty() ? nullptr : pixels_.data(); }
    Pixel* row(int32_t y) { return pixels_.data() + static_cast<size_t>(y) * pitch_; }
    const Pixel* row(int32_t y) const { return pixels_.data() + static_cast<size_t>(y) * pitch_; }
    // The pixel at (x, y); the caller keeps (x, y) inside the surface.
    Pixel at(int32_t x, int32_t y) const { return row(y)[x]; }
    Pixel& at(int32_t x, int32_t y) { return row(y)[x]; }

    Rect bounds() const { return {0, 0, width_, height_}; }
    const Rect& clipRect() const { return clip_; }
    // Narrows drawing to the rectangle; it is kept inside the surface.
    void setClipRect(const Rect& clip);
    void resetClipRect() { clip_ = bounds(); }

    // Fills the part of the rectangle inside the clip rectangle.
    void fillRect(const Rect& rect, Pixel colour);
    // Every pixel equal to `from` (the whole buffer, clip ignored) becomes `to`.
    void replaceColour(Pixel from, Pixel to);
    // Copies the top-left min(width) x min(height) pixels into the destination.
    void copyPixelsTo(Surface& destination) const;

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t pitch_ = 0;
    Rect clip_;
    std::vector<Pixel> pixels_;
};

// A blit source: a rectangle of pixels inside some surface, which must outlive the sprite.
// Drawn at (x, y), its top-left pixel lands at (x - hotX, y - hotY).
struct Sprite {
    const Pixel* pixels = nullptr;
    int32_t pitch = 0;
    int32_t height = 0;
    int32_t width = 0;
    int32_t srcX = 0;
    int32_t srcY = 0;
    int32_t hotX = 0;
    int32_t hotY = 0;

    // The sprite of the rectangle (x, y, width, height) of the source, cut down to the part
    // that lies inside the source so that no blit reads outside it.
    static Sprite cut(const Surface& source, int32_t x, int32_t y, int32_t width, int32_t height);
};

// Blits, one per mode. The clipped forms draw the intersection of the sprite's rectangle with
// the destination's clip rectangle. The unclipped forms are for sprites the caller knows lie
// inside the surface; they skip the clip rectangle but still never write outside the surface.
// Rows are processed top row first, so a source above an overlapping destination in the
// same surface repeats its first rows downward. `weight` is 0..32 (32 = full source).
void blit(Surface& destination, const Sprite& sprite, int32_t x, int32_t y);
void blitKeyed(Surface& destination, const Sprite& sprite, int32_t x, int32_t y);
void blitBlend(Surface& destination, const Sprite& sprite, int32_t x, int32_t y, int32_t weight);
void blitAdd(Surface& destination, const Sprite& sprite, int32_t x, int32_t y, int32_t weight);
void blitUnclipped(Surface& destination, const Sprite& sprite, int32_t x, int32_t y);
void blitKeyedUnclipped(Surface& destination, const Sprite& sprite, int32_t x, int32_t y);
void blitBlendUnclipped(Surface& destination, const Sprite& sprite, int32_t x, int32_t y, int32_t weight);

}  // namespace quorva
