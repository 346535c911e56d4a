#include "render/video_picture.h"

#include <cmath>
#include <cstring>

namespace quorva {
namespace {

uint8_t expand(uint32_t channel) { return static_cast<uint8_t>((channel << 3) | (channel >> 2)); }

}  // namespace

PictureConverter::PictureConverter(PictureFormat format, int32_t scale, int32_t screenWidth, int32_t screenHeight)
    : format_(format), scale_(scale), width_(screenWidth * scale), height_(screenHeight * scale)
{
    for (int32_t x = 0; x < width_; ++x) {
        sourceColumn_.push_back(x / scale_);
    }
    if (format_ != PictureFormat::Yuv420) {
        return;
    }
    // BT.709: Y' = 0.2126 R + 0.7152 G + 0.0722 B; luma 16..235, chroma 16..240 around 128.
    colours_.resize(0x8000);
    for (uint32_t value = 0; value < 0x8000; ++value) {
        const Pixel pixel = static_cast<Pixel>(value);
        const double red = expand(redOf(pixel)) / 255.0;
        const double green = expand(greenOf(pixel)) / 255.0;
        const double blue = expand(blueOf(pixel)) / 255.0;
        const double luma = 0.2126 * red + 0.7152 * green + 0.0722 * blue;
        const double blueDifference = 128 + 224 * (blue - luma) / 1.8556;
        const double redDifference = 128 + 224 * (red - luma) / 1.5748;
        const auto blue64 = static_cast<uint16_t>(std::lround(blueDifference * 64));
        const auto red64 = static_cast<uint16_t>(std::lround(redDifference * 64));
        // The rounding of one value in 1/64 steps is that of the mean of four equal ones.
        colours_[value] = {static_cast<uint8_t>(std::lround(16 + 219 * luma)), static_cast<uint8_t>((blue64 + 32) >> 6),
                           static_cast<uint8_t>((red64 + 32) >> 6), blue64, red64};
    }
}

size_t PictureConverter::frameBytes() const
{
    const size_t pixels = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    return format_ == PictureFormat::Yuv420 ? pixels + pixels / 2 : pixels * 3;
}

void PictureConverter::convert(const Surface& screen, uint8_t* out) const
{
    if (format_ == PictureFormat::Yuv420) {
        convertYuv(screen, out);
    } else {
        convertRgb(screen, out);
    }
}

void PictureConverter::convertLuma(const Surface& screen, uint8_t* out) const
{
    const size_t width = static_cast<size_t>(width_);
    const int32_t screenWidth = width_ / scale_;
    for (int32_t y = 0; y < height_; ++y) {
        uint8_t* row = out + static_cast<size_t>(y) * width;
        if (y % scale_ != 0) {
            std::memcpy(row, row - width, width);
            continue;
        }
        const Pixel* source = screen.row(y / scale_);
        for (int32_t x = 0; x < screenWidth; ++x) {
            const uint8_t luma = colours_[source[x] & 0x7FFF].luma;
            for (int32_t copy = 0; copy < scale_; ++copy) {
                *row++ = luma;
            }
        }
    }
}

void PictureConverter::convertYuv(const Surface& screen, uint8_t* out) const
{
    convertLuma(screen, out);
    const size_t chromaWidth = static_cast<size_t>(width_) / 2;
    const size_t chromaHeight = static_cast<size_t>(height_) / 2;
    uint8_t* blue = out + static_cast<size_t>(width_) * static_cast<size_t>(height_);
    uint8_t* red = blue + chromaWidth * chromaHeight;
    for (size_t y = 0; y < chromaHeight; ++y, blue += chromaWidth, red += chromaWidth) {
        const Pixel* top = screen.row(static_cast<int32_t>(2 * y) / scale_);
        if (scale_ == 2) {
            // Each chroma sample covers the four copies of one pixel.
            for (size_t x = 0; x < chromaWidth; ++x) {
                const Colour& colour = colours_[top[x] & 0x7FFF];
                blue[x] = colour.blue;
                red[x] = colour.red;
            }
            continue;
        }
        const Pixel* bottom = screen.row(static_cast<int32_t>(2 * y + 1) / scale_);
        for (size_t x = 0; x < chromaWidth; ++x) {
            const int32_t left = sourceColumn_[2 * x];
            const int32_t right = sourceColumn_[2 * x + 1];
            const Colour& a = colours_[top[left] & 0x7FFF];
            const Colour& b = colours_[top[right] & 0x7FFF];
            const Colour& c = colours_[bottom[left] & 0x7FFF];
            const Colour& d = colours_[bottom[right] & 0x7FFF];
            // Four values in 1/64 steps: the mean rounded is (sum + 128) / 256.
            const uint32_t blueSum = a.blueDifference + b.blueDifference + c.blueDifference + d.blueDifference;
            const uint32_t redSum = a.redDifference + b.redDifference + c.redDifference + d.redDifference;
            blue[x] = static_cast<uint8_t>((blueSum + 128) >> 8);
            red[x] = static_cast<uint8_t>((redSum + 128) >> 8);
        }
    }
}

void PictureConverter::convertRgb(const Surface& screen, uint8_t* out) const
{
    const size_t rowBytes = static_cast<size_t>(width_) * 3;
    for (int32_t y = 0; y < height_; ++y) {
        uint8_t* row = out + static_cast<size_t>(y) * rowBytes;
        if (y % scale_ != 0) {
            std::memcpy(row, row - rowBytes, rowBytes);
            continue;
        }
        const Pixel* source = screen.row(y / scale_);
        for (int32_t x = 0; x < width_; ++x) {
            const Pixel pixel = source[sourceColumn_[x]];
            row[3 * x] = expand(redOf(pixel));
            row[3 * x + 1] = expand(greenOf(pixel));
            row[3 * x + 2] = expand(blueOf(pixel));
        }
    }
}

}  // namespace quorva
