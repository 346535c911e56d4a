#include "platform/win32/gdi_text.h"

#include "platform/win32/win32_picture.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace quorva {
namespace {

// The text as the Shift-JIS bytes the font's character set takes, when every character has
// one; otherwise nothing, and the text is drawn from its UTF-16 form.
struct EncodedText {
    std::wstring wide;
    std::string shiftJis;
    bool inShiftJis = false;
};

EncodedText encode(std::string_view utf8)
{
    EncodedText text;
    const int length = static_cast<int>(utf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (wideLength <= 0) {
        return text;
    }
    text.wide.resize(static_cast<size_t>(wideLength));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, text.wide.data(), wideLength);
    BOOL lost = FALSE;
    const int bytes = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.wide.data(), wideLength, nullptr, 0, nullptr, &lost);
    if (bytes > 0 && !lost) {
        text.shiftJis.resize(static_cast<size_t>(bytes));
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.wide.data(), wideLength, text.shiftJis.data(), bytes, nullptr, &lost);
        text.inShiftJis = !lost;
    }
    return text;
}

}  // namespace

GdiTextRenderer::~GdiTextRenderer()
{
    if (context_ != nullptr) {
        SelectObject(context_, static_cast<HGDIOBJ>(previousFont_));
        if (canvas_ != nullptr) {
            SelectObject(context_, static_cast<HGDIOBJ>(previousBitmap_));
        }
        DeleteDC(context_);
    }
    if (canvas_ != nullptr) {
        DeleteObject(canvas_);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

bool GdiTextRenderer::open()
{
    if (font_ != nullptr) {
        return true;
    }
    // The face name is Shift-JIS whatever the system's code page; CreateFontA would read it in
    // that code page and miss the face (or its replacement) on a system of another language.
    wchar_t face[LF_FACESIZE] = {};
    MultiByteToWideChar(932, 0, faceName, -1, face, LF_FACESIZE - 1);
    HFONT font = CreateFontW(fontHeight, 0, 0, 0, fontWeight, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, face);
    if (font == nullptr) {
        return false;
    }
    HDC context = CreateCompatibleDC(nullptr);
    if (context == nullptr) {
        DeleteObject(font);
        return false;
    }
    font_ = font;
    context_ = context;
    previousFont_ = SelectObject(context, font);
    SetBkMode(context, TRANSPARENT);
    SetTextAlign(context, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    return true;
}

bool GdiTextRenderer::prepareCanvas(int32_t width, int32_t height)
{
    if (canvas_ != nullptr && canvasWidth_ == width && canvasHeight_ == height) {
        return true;
    }
    uint16_t* bits = nullptr;
    HBITMAP canvas = createRgb555Section(context_, width, height, bits);
    if (canvas == nullptr) {
        return false;
    }
    HGDIOBJ previous = SelectObject(context_, canvas);
    if (canvas_ != nullptr) {
        DeleteObject(canvas_);
    } else {
        previousBitmap_ = previous;
    }
    canvas_ = canvas;
    canvasPixels_ = bits;
    canvasWidth_ = width;
    canvasHeight_ = height;
    return true;
}

void GdiTextRenderer::copyRows(const TextTarget& target, int32_t left, int32_t top, int32_t right, int32_t bottom,
                               bool toCanvas) const
{
    const auto canvasPitch = static_cast<size_t>(dibRowPixels(canvasWidth_));
    const size_t bytes = static_cast<size_t>(right - left) * sizeof(uint16_t);
    for (int32_t row = top; row < bottom; ++row) {
        uint16_t* canvasRow = canvasPixels_ + static_cast<size_t>(row) * canvasPitch + left;
        uint16_t* targetRow = target.pixels + static_cast<size_t>(row) * target.pitch + left;
        std::memcpy(toCanvas ? canvasRow : targetRow, toCanvas ? targetRow : canvasRow, bytes);
    }
}

int32_t GdiTextRenderer::drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view utf8, uint32_t colour)
{
    const std::string_view visible = utf8.substr(0, utf8.find('\0'));
    if (context_ == nullptr || visible.empty()) {
        return 0;
    }
    HDC context = context_;
    const EncodedText text = encode(visible);
    SIZE extent{};
    if (text.inShiftJis) {
        GetTextExtentPoint32A(context, text.shiftJis.data(), static_cast<int>(text.shiftJis.size()), &extent);
    } else {
        GetTextExtentPoint32W(context, text.wide.data(), static_cast<int>(text.wide.size()), &extent);
    }
    if (target.pixels == nullptr || !prepareCanvas(target.width, target.height)) {
        return extent.cx;
    }
    // Only the text's own rectangle goes through the canvas. Italic overhangs and accents may
    // reach a little past the extent, so a margin of a few pixels is taken along.
    const int32_t margin = 4;
    const int32_t left = std::clamp(x - margin, 0, target.width);
    const int32_t top = std::clamp(y - margin, 0, target.height);
    const auto width = static_cast<int32_t>(extent.cx);
    const auto height = static_cast<int32_t>(extent.cy);
    const int32_t right = std::clamp(x + width + margin, 0, target.width);
    const int32_t bottom = std::clamp(y + height + margin, 0, target.height);
    if (left >= right || top >= bottom) {
        return extent.cx;
    }
    copyRows(target, left, top, right, bottom, true);
    SetTextColor(context, RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF));
    if (text.inShiftJis) {
        TextOutA(context, x, y, text.shiftJis.data(), static_cast<int>(text.shiftJis.size()));
    } else {
        TextOutW(context, x, y, text.wide.data(), static_cast<int>(text.wide.size()));
    }
    GdiFlush();
    copyRows(target, left, top, right, bottom, false);
    return extent.cx;
}

}  // namespace quorva
