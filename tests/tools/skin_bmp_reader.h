#pragma once
// Reads the 24-bit skin bitmap back the way the player sees it: RGB555, top five bits of
// each channel, rows top to bottom.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/file_reader.h"
#include "tools/generators/skingen/regions.h"

namespace quorva::testing {

struct SkinImage {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;

    uint16_t at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    static int red(uint16_t p) { return (p >> 10) & 31; }
    static int green(uint16_t p) { return (p >> 5) & 31; }
    static int blue(uint16_t p) { return p & 31; }
    static int brightness(uint16_t p) { return red(p) + green(p) + blue(p); }

    bool anyInk(const skingen::Rect& r) const
    {
        for (int y = r.y; y < r.bottom(); ++y) {
            for (int x = r.x; x < r.right(); ++x) {
                if (at(x, y) != 0) {
                    return true;
                }
            }
        }
        return false;
    }
    bool allInk(const skingen::Rect& r) const
    {
        for (int y = r.y; y < r.bottom(); ++y) {
            for (int x = r.x; x < r.right(); ++x) {
                if (at(x, y) == 0) {
                    return false;
                }
            }
        }
        return true;
    }
    std::vector<uint16_t> cut(const skingen::Rect& r) const
    {
        std::vector<uint16_t> out;
        for (int y = r.y; y < r.bottom(); ++y) {
            for (int x = r.x; x < r.right(); ++x) {
                out.push_back(at(x, y));
            }
        }
        return out;
    }
};

inline uint32_t littleEndian(const std::vector<uint8_t>& bytes, size_t at, int size)
{
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + static_cast<size_t>(i)];
    }
    return value;
}

// Decodes an uncompressed bottom-up 24-bit bitmap; nothing for anything else.
inline std::optional<SkinImage> decodeSkin(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || littleEndian(bytes, 28, 2) != 24 ||
        littleEndian(bytes, 30, 4) != 0) {
        return std::nullopt;
    }
    SkinImage image;
    image.width = static_cast<int>(littleEndian(bytes, 18, 4));
    image.height = static_cast<int>(littleEndian(bytes, 22, 4));
    const size_t offset = littleEndian(bytes, 10, 4);
    const size_t rowBytes = (static_cast<size_t>(image.width) * 3 + 3) / 4 * 4;
    if (image.width <= 0 || image.height <= 0 || offset + rowBytes * static_cast<size_t>(image.height) > bytes.size()) {
        return std::nullopt;
    }
    image.pixels.resize(static_cast<size_t>(image.width * image.height));
    for (int y = 0; y < image.height; ++y) {
        const size_t row = offset + rowBytes * static_cast<size_t>(image.height - 1 - y);
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = &bytes[row + static_cast<size_t>(x) * 3];
            image.pixels[static_cast<size_t>(y * image.width + x)] =
                static_cast<uint16_t>(((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3));
        }
    }
    return image;
}

inline std::string binDir()
{
    const char* dir = std::getenv("QUORVA_BIN_DIR");
    return dir ? dir : ".";
}

}  // namespace quorva::testing
