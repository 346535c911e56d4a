#include "platform/win32/win32_picture.h"

#include <windows.h>

#include <cstring>

namespace quorva {

HBITMAP__* createRgb555Section(HDC__* context, int32_t width, int32_t height, uint16_t*& bits)
{
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } format{};
    format.header.biSize = sizeof(format.header);
    format.header.biWidth = width;
    format.header.biHeight = -height;
    format.header.biPlanes = 1;
    format.header.biBitCount = 16;
    format.header.biCompression = BI_BITFIELDS;
    format.masks[0] = 0x7C00;
    format.masks[1] = 0x03E0;
    format.masks[2] = 0x001F;
    void* pixels = nullptr;
    HBITMAP section = CreateDIBSection(context, reinterpret_cast<const BITMAPINFO*>(&format), DIB_RGB_COLORS, &pixels, nullptr, 0);
    bits = static_cast<uint16_t*>(pixels);
    return section;
}

DibPicture::~DibPicture()
{
    if (context_ != nullptr) {
        SelectObject(context_, static_cast<HGDIOBJ>(previous_));
        DeleteDC(context_);
    }
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
}

bool DibPicture::create(int32_t width, int32_t height)
{
    if (bitmap_ != nullptr) {
        return width == width_ && height == height_;
    }
    HDC context = CreateCompatibleDC(nullptr);
    if (context == nullptr) {
        return false;
    }
    uint16_t* bits = nullptr;
    HBITMAP bitmap = createRgb555Section(context, width, height, bits);
    if (bitmap == nullptr) {
        DeleteDC(context);
        return false;
    }
    context_ = context;
    bitmap_ = bitmap;
    previous_ = SelectObject(context, bitmap);
    bits_ = bits;
    width_ = width;
    height_ = height;
    rowPixels_ = dibRowPixels(width);
    std::memset(bits_, 0, static_cast<size_t>(rowPixels_) * height * sizeof(uint16_t));
    return true;
}

void DibPicture::copyFrom(const uint16_t* pixels, int32_t pitch)
{
    if (bits_ == nullptr) {
        return;
    }
    GdiFlush();
    for (int32_t row = 0; row < height_; ++row) {
        std::memcpy(bits_ + static_cast<size_t>(row) * rowPixels_, pixels + static_cast<size_t>(row) * pitch,
                    static_cast<size_t>(width_) * sizeof(uint16_t));
    }
}

void DibPicture::drawTo(HDC__* target, int32_t clientWidth, int32_t clientHeight) const
{
    if (context_ == nullptr) {
        return;
    }
    const PictureFit fit = fitPicture(clientWidth, clientHeight, width_, height_);
    if (fit.width == width_ && fit.height == height_) {
        BitBlt(target, fit.x, fit.y, width_, height_, context_, 0, 0, SRCCOPY);
    } else if (fit.width > 0 && fit.height > 0) {
        SetStretchBltMode(target, COLORONCOLOR);
        StretchBlt(target, fit.x, fit.y, fit.width, fit.height, context_, 0, 0, width_, height_, SRCCOPY);
    }
    const int right = fit.x + fit.width;
    const int bottom = fit.y + fit.height;
    const RECT borders[] = {{0, 0, clientWidth, fit.y},
                            {0, bottom, clientWidth, clientHeight},
                            {0, fit.y, fit.x, bottom},
                            {right, fit.y, clientWidth, bottom}};
    auto* black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (const RECT& border : borders) {
        if (border.right > border.left && border.bottom > border.top) {
            FillRect(target, &border, black);
        }
    }
}

}  // namespace quorva
