#pragma once
#include <map>
#include <string>

#include "platform/bitmap_loader.h"

namespace quorva {

// Serves bitmaps that a test put in by name; every other path fails to load.
class MemoryBitmapLoader : public BitmapLoader {
public:
    void add(const std::string& path, LoadedBitmap bitmap) { bitmaps_[path] = std::move(bitmap); }

    std::optional<LoadedBitmap> loadBitmap(const std::string& path) const override
    {
        const auto found = bitmaps_.find(path);
        if (found == bitmaps_.end()) {
            return std::nullopt;
        }
        return found->second;
    }

private:
    std::map<std::string, LoadedBitmap> bitmaps_;
};

}  // namespace quorva
