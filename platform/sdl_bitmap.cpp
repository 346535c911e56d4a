#include "platform/sdl_bitmap.h"

#include <SDL.h>

#include <memory>

namespace quorva {
namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePointer = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

}  // namespace

std::optional<LoadedBitmap> SdlBitmapLoader::loadBitmap(const std::string& path) const
{
    const SurfacePointer loaded(SDL_LoadBMP(path.c_str()));
    if (!loaded) {
        return std::nullopt;
    }
    // Whatever the file's depth, read it back as 8-bit channels and keep the top five bits.
    const SurfacePointer rgb(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    if (!rgb || rgb->w <= 0 || rgb->h <= 0) {
        return std::nullopt;
    }
    LoadedBitmap bitmap{rgb->w, rgb->h, std::vector<uint16_t>(static_cast<size_t>(rgb->w) * rgb->h)};
    if (SDL_LockSurface(rgb.get()) != 0) {
        return std::nullopt;
    }
    for (int y = 0; y < rgb->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch);
        for (int x = 0; x < rgb->w; ++x) {
            const uint32_t argb = row[x];
            bitmap.pixels[static_cast<size_t>(y) * rgb->w + x] = rgb555FromRgb888(
                static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb));
        }
    }
    SDL_UnlockSurface(rgb.get());
    return bitmap;
}

}  // namespace quorva
