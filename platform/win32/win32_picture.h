#pragma once
#include "platform/picture_fit.h"

#include <cstdint>

struct HBITMAP__;
struct HDC__;

namespace quorva {

// A DIB section in the surfaces' format: 16 bits, red 14-10, green 9-5, blue 4-0, rows top to
// bottom, each padded to 4 bytes (`dibRowPixels` pixels apart). Null when it cannot be made.
HBITMAP__* createRgb555Section(HDC__* context, int32_t width, int32_t height, uint16_t*& bits);
constexpr int32_t dibRowPixels(int32_t width) { return (width * 2 + 3) / 4 * 2; }

// The 640x480 picture as a 16-bit RGB555 DIB section with a memory device context, copied to
// a window's device context as it is (BitBlt) or scaled by whole pixels (StretchBlt) with
// black borders around it.
class DibPicture {
public:
    DibPicture() = default;
    ~DibPicture();
    DibPicture(const DibPicture&) = delete;
    DibPicture& operator=(const DibPicture&) = delete;

    bool create(int32_t width, int32_t height);
    bool created() const { return bitmap_ != nullptr; }
    // Takes a picture of the section's size whose rows are `pitch` pixels apart.
    void copyFrom(const uint16_t* pixels, int32_t pitch);
    // Draws the picture into a client area of the given size, placed as fitPicture places it.
    void drawTo(HDC__* target, int32_t clientWidth, int32_t clientHeight) const;

private:
    HBITMAP__* bitmap_ = nullptr;
    HDC__* context_ = nullptr;
    void* previous_ = nullptr;
    uint16_t* bits_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t rowPixels_ = 0;
};

}  // namespace quorva
