#pragma once
#include "platform/bitmap_loader.h"

namespace quorva {

// Loads Windows bitmap files with SDL_LoadBMP and converts them to RGB555.
class SdlBitmapLoader : public BitmapLoader {
public:
    std::optional<LoadedBitmap> loadBitmap(const std::string& path) const override;
};

}  // namespace quorva
