#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/bitmap_loader.h"

namespace quorva {

// A small Windows bitmap reader in plain C++ for tests: uncompressed 8-bit (palette), 24-bit
// and 32-bit images, bottom-up or top-down.
class BmpBitmapLoader : public BitmapLoader {
public:
    std::optional<LoadedBitmap> loadBitmap(const std::string& path) const override;
};

// Decodes bitmap file bytes; nothing when they are not a bitmap this reader understands or
// are cut short.
std::optional<LoadedBitmap> decodeBmp(const std::vector<uint8_t>& bytes);

}  // namespace quorva
