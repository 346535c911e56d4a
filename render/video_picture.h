#pragma once
#include "gfx/surface.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorva {

// How a video frame's pixels are laid out, rows without padding:
// Yuv420: the Y plane (width x height), then the Cb and the Cr plane (each width/2 x height/2);
//   BT.709 in limited range, each chroma sample the mean of its 2x2 pixels.
// Rgb24: red, green, blue of every pixel, 8 bits each.
enum class PictureFormat : uint8_t { Yuv420, Rgb24 };

// Turns the screen's RGB555 picture into a video frame, scaled by a whole factor with
// nearest neighbour. Each 5-bit channel c becomes (c << 3) | (c >> 2), as in --screen's bitmap.
class PictureConverter {
public:
    PictureConverter(PictureFormat format, int32_t scale, int32_t screenWidth, int32_t screenHeight);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // The bytes of one frame.
    size_t frameBytes() const;
    // Writes the frame of the screen (screenWidth x screenHeight) to `out`.
    void convert(const Surface& screen, uint8_t* out) const;

private:
    // One colour in the video's terms: luma, chroma rounded, and chroma in 1/64 steps for
    // exact means of four.
    struct Colour {
        uint8_t luma;
        uint8_t blue;
        uint8_t red;
        uint16_t blueDifference;
        uint16_t redDifference;
    };
    void convertLuma(const Surface& screen, uint8_t* out) const;
    void convertYuv(const Surface& screen, uint8_t* out) const;
    void convertRgb(const Surface& screen, uint8_t* out) const;

    PictureFormat format_;
    int32_t scale_;
    int32_t width_;
    int32_t height_;
    std::vector<Colour> colours_;     // by RGB555 value
    std::vector<int32_t> sourceColumn_;  // by frame column
};

}  // namespace quorva
