#pragma once
#include <algorithm>
#include <cstdint>

namespace quorva {

// Where the picture lies in a window (or full screen) of another size, and which picture
// pixel a window pixel shows. The picture is scaled by the largest whole multiple that fits,
// so that every picture pixel becomes a square of window pixels of one size; in a window
// smaller than the picture it shrinks to the largest size of its proportions that fits, so
// that it stays whole. It is centred; the rest of the window is black.
struct PictureFit {
    // The scaled picture's rectangle in the window.
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;

    // The picture column (row) that a window column (row) shows. Past the picture's edges
    // the numbers go on at the same scale, below 0 and from pictureWidth (pictureHeight) on.
    int32_t toPictureX(int32_t windowX) const { return toPicture(windowX - x, width, pictureWidth); }
    int32_t toPictureY(int32_t windowY) const { return toPicture(windowY - y, height, pictureHeight); }

    bool operator==(const PictureFit&) const = default;

private:
    static int32_t toPicture(int32_t offset, int32_t scaledLength, int32_t pictureLength)
    {
        if (scaledLength <= 0) {
            return offset;
        }
        // Rounded down, also below 0: one window pixel left of the picture is column -1.
        const int64_t scaled = static_cast<int64_t>(offset) * pictureLength;
        const int64_t quotient = scaled / scaledLength;
        return static_cast<int32_t>(scaled % scaledLength < 0 ? quotient - 1 : quotient);
    }
};

inline PictureFit fitPicture(int32_t windowWidth, int32_t windowHeight, int32_t pictureWidth, int32_t pictureHeight)
{
    PictureFit fit;
    fit.pictureWidth = pictureWidth;
    fit.pictureHeight = pictureHeight;
    if (windowWidth <= 0 || windowHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) {
        return fit;
    }
    const int32_t scale = std::min(windowWidth / pictureWidth, windowHeight / pictureHeight);
    if (scale >= 1) {
        fit.width = pictureWidth * scale;
        fit.height = pictureHeight * scale;
    } else if (static_cast<int64_t>(windowWidth) * pictureHeight <= static_cast<int64_t>(windowHeight) * pictureWidth) {
        fit.width = windowWidth;
        fit.height = static_cast<int32_t>(static_cast<int64_t>(windowWidth) * pictureHeight / pictureWidth);
    } else {
        fit.height = windowHeight;
        fit.width = static_cast<int32_t>(static_cast<int64_t>(windowHeight) * pictureWidth / pictureHeight);
    }
    fit.x = (windowWidth - fit.width) / 2;
    fit.y = (windowHeight - fit.height) / 2;
    return fit;
}

}  // namespace quorva
