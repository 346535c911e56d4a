#pragma once
// The song texts through GDI: the Japanese UI face (named in Shift-JIS) with the Shift-JIS
// character set, drawn with TextOutA into a 16-bit DIB section (TextOutW for a text that has
// characters Shift-JIS lacks).
#include "platform/text_renderer.h"

#include <cstdint>
#include <string>
#include <string_view>

struct HBITMAP__;
struct HDC__;
struct HFONT__;

namespace quorva {

class GdiTextRenderer final : public TextRenderer {
public:
    // MS PGothic in code page 932.
    static constexpr const char* faceName = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
    static constexpr int32_t fontHeight = 12;
    static constexpr int32_t fontWeight = 500;

    GdiTextRenderer() = default;
    ~GdiTextRenderer() override;
    GdiTextRenderer(const GdiTextRenderer&) = delete;
    GdiTextRenderer& operator=(const GdiTextRenderer&) = delete;

    // Creates the font and the device context it is drawn with; false when either fails.
    bool open();
    int32_t drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view utf8, uint32_t colour) override;

private:
    bool prepareCanvas(int32_t width, int32_t height);
    // Copies a rectangle between the target and the canvas (both RGB555, same size).
    void copyRows(const TextTarget& target, int32_t left, int32_t top, int32_t right, int32_t bottom, bool toCanvas) const;

    HFONT__* font_ = nullptr;
    HDC__* context_ = nullptr;
    // What the text is drawn on: a copy of the target's pixels under the text.
    HBITMAP__* canvas_ = nullptr;
    void* previousBitmap_ = nullptr;
    void* previousFont_ = nullptr;
    uint16_t* canvasPixels_ = nullptr;
    int32_t canvasWidth_ = 0;
    int32_t canvasHeight_ = 0;
};

}  // namespace quorva
