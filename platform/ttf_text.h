#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "platform/text_renderer.h"

namespace quorva {

// IPAPGothic, the metric-compatible stand-in for the proportional Japanese UI font.
inline constexpr const char* kDefaultTextFontPath = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";

// Converts Shift-JIS (code page 932) bytes to UTF-8, up to the first zero byte; a byte that
// does not start a valid CP932 character is taken as Latin-1.
std::string cp932ToUtf8(std::string_view bytes);

// Draws text with SDL2_ttf, anti-aliased, in 0xE0E0E0.
class TtfTextRenderer : public TextRenderer {
public:
    TtfTextRenderer();
    ~TtfTextRenderer() override;
    TtfTextRenderer(const TtfTextRenderer&) = delete;
    TtfTextRenderer& operator=(const TtfTextRenderer&) = delete;

    // Opens the font at the given pixel height; false when the font library or file fails.
    bool open(const std::string& fontPath = kDefaultTextFontPath, int pixelHeight = 12);
    void drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view text) override;
    void drawUtf8Text(const TextTarget& target, int32_t x, int32_t y, std::string_view text) override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace quorva
