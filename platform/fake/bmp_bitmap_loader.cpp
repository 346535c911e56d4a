#include "platform/fake/bmp_bitmap_loader.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quorva {
namespace {

uint32_t readLittle(const std::vector<uint8_t>& bytes, size_t offset, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[offset + static_cast<size_t>(i)];
    }
    return value;
}

}  // namespace

std::optional<LoadedBitmap> decodeBmp(const std::vector<uint8_t>& bytes)
{
    constexpr size_t fileHeaderSize = 14;
    if (bytes.size() < fileHeaderSize + 40 || bytes[0] != 'B' || bytes[1] != 'M') {
        return std::nullopt;
    }
    const uint32_t dataOffset = readLittle(bytes, 10, 4);
    const uint32_t headerSize = readLittle(bytes, 14, 4);
    const auto width = static_cast<int32_t>(readLittle(bytes, 18, 4));
    const auto rawHeight = static_cast<int32_t>(readLittle(bytes, 22, 4));
    const uint32_t bitsPerPixel = readLittle(bytes, 28, 2);
    const uint32_t compression = readLittle(bytes, 30, 4);
    uint32_t paletteSize = readLittle(bytes, 46, 4);
    const bool bitDepthKnown = bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32;
    if (headerSize < 40 || width <= 0 || width > 1 << 16 || rawHeight == 0 || std::abs(rawHeight) > 1 << 16 ||
        !bitDepthKnown || compression != 0) {
        return std::nullopt;
    }
    const bool topDown = rawHeight < 0;
    const int32_t height = std::abs(rawHeight);
    const size_t rowBytes = (static_cast<size_t>(width) * bitsPerPixel / 8 + 3) / 4 * 4;
    if (dataOffset > bytes.size() || (bytes.size() - dataOffset) / rowBytes < static_cast<size_t>(height)) {
        return std::nullopt;
    }
    if (bitsPerPixel == 8 && paletteSize == 0) {
        paletteSize = 256;
    }
    const size_t paletteStart = fileHeaderSize + headerSize;
    LoadedBitmap bitmap{width, height, std::vector<uint16_t>(static_cast<size_t>(width) * height)};
    for (int32_t y = 0; y < height; ++y) {
        const size_t rowStart = dataOffset + rowBytes * static_cast<size_t>(topDown ? y : height - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
            size_t colour = rowStart + static_cast<size_t>(x) * bitsPerPixel / 8;
            if (bitsPerPixel == 8) {
                const uint8_t index = bytes[colour];
                colour = paletteStart + 4u * index;
                if (index >= paletteSize || colour + 3 > bytes.size()) {
                    return std::nullopt;
                }
            }
            // Bitmap colours are stored blue, green, red.
            bitmap.pixels[static_cast<size_t>(y) * width + x] =
                rgb555FromRgb888(bytes[colour + 2], bytes[colour + 1], bytes[colour]);
        }
    }
    return bitmap;
}

std::optional<LoadedBitmap> BmpBitmapLoader::loadBitmap(const std::string& path) const
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return decodeBmp(bytes);
}

}  // namespace quorva
