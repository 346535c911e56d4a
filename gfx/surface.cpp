#include "gfx/surface.h"

#include <algorithm>

#include "platform/bitmap_loader.h"

namespace quorva {

bool Surface::create(int32_t width, int32_t height)
{
    if (width < 0 || height < 0) {
        return false;
    }
    width_ = width;
    height_ = height;
    pitch_ = width;
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    clip_ = bounds();
    return true;
}

bool Surface::createCopy(const Surface& other)
{
    if (!create(other.width_, other.height_)) {
        return false;
    }
    other.copyPixelsTo(*this);
    return true;
}

bool Surface::load(const BitmapLoader& loader, const std::string& path)
{
    auto bitmap = loader.loadBitmap(path);
    if (!bitmap || bitmap->width < 0 || bitmap->height < 0 ||
        bitmap->pixels.size() != static_cast<size_t>(bitmap->width) * static_cast<size_t>(bitmap->height)) {
        return false;
    }
    width_ = bitmap->width;
    height_ = bitmap->height;
    pitch_ = bitmap->width;
    pixels_ = std::move(bitmap->pixels);
    clip_ = bounds();
    return true;
}

void Surface::release()
{
    std::vector<Pixel>().swap(pixels_);
}

void Surface::setClipRect(const Rect& clip)
{
    clip_.left = std::clamp(clip.left, 0, width_);
    clip_.top = std::clamp(clip.top, 0, height_);
    clip_.right = std::clamp(clip.right, clip_.left, width_);
    clip_.bottom = std::clamp(clip.bottom, clip_.top, height_);
}

void Surface::fillRect(const Rect& rect, Pixel colour)
{
    const int32_t left = std::max(rect.left, clip_.left);
    const int32_t top = std::max(rect.top, clip_.top);
    const int32_t right = std::min(rect.right, clip_.right);
    const int32_t bottom = std::min(rect.bottom, clip_.bottom);
    if (right <= left || bottom <= top || empty()) {
        return;
    }
    for (int32_t y = top; y < bottom; ++y) {
        std::fill(row(y) + left, row(y) + right, colour);
    }
}

void Surface::replaceColour(Pixel from, Pixel to)
{
    std::replace(pixels_.begin(), pixels_.end(), from, to);
}

void Surface::copyPixelsTo(Surface& destination) const
{
    if (empty() || destination.empty()) {
        return;
    }
    const int32_t width = std::min(width_, destination.width_);
    const int32_t height = std::min(height_, destination.height_);
    for (int32_t y = 0; y < height; ++y) {
        std::copy(row(y), row(y) + width, destination.row(y));
    }
}

Sprite Sprite::cut(const Surface& source, int32_t x, int32_t y, int32_t width, int32_t height)
{
    const int32_t left = std::clamp(x, 0, source.width());
    const int32_t top = std::clamp(y, 0, source.height());
    const int32_t right = std::clamp(x + width, left, source.width());
    const int32_t bottom = std::clamp(y + height, top, source.height());
    Sprite sprite;
    sprite.pitch = source.pitch();
    sprite.width = right - left;
    sprite.height = bottom - top;
    sprite.srcX = left;
    sprite.srcY = top;
    sprite.pixels = source.empty() ? nullptr : source.row(top) + left;
    if (sprite.pixels == nullptr) {
        sprite.width = 0;
        sprite.height = 0;
    }
    return sprite;
}

}  // namespace quorva
