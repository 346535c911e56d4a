#pragma once
#include "platform/bitmap_loader.h"

namespace quorva {

// Loads bitmap files with LoadImageA and reads their pixels back through GetDIBits.
class Win32BitmapLoader final : public BitmapLoader {
public:
    std::optional<LoadedBitmap> loadBitmap(const std::string& path) const override;
};

}  // namespace quorva
