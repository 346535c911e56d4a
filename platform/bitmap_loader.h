#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

// A bitmap image converted to RGB555 (bit 15 zero, red 14-10, green 9-5, blue 4-0), each
// channel the top five bits of the file's 8-bit channel: black stays 0, white becomes 0x7FFF.
// Rows run top to bottom, width pixels each, with no padding.
struct LoadedBitmap {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint16_t> pixels;
};

// Reads a Windows bitmap file. Returns nothing when the file is missing or is not a bitmap.
class BitmapLoader {
public:
    virtual ~BitmapLoader() = default;
    virtual std::optional<LoadedBitmap> loadBitmap(const std::string& path) const = 0;
};

// The RGB555 value of an 8-bit-per-channel colour.
constexpr uint16_t rgb555FromRgb888(uint8_t red, uint8_t green, uint8_t blue)
{
    return static_cast<uint16_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
}

}  // namespace quorva
