#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "platform/text_renderer.h"

namespace quorva {

// IPAPGothic, the metric-compatible stand-in for the proportional Japanese UI font.
inline constexpr const char* kDefaultTextFontPath = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";

// Draws text with SDL2_ttf, anti-aliased.
class TtfTextRenderer : public TextRenderer {
public:
    TtfTextRenderer();
    ~TtfTextRenderer() override;
    TtfTextRenderer(const TtfTextRenderer&) = delete;
    TtfTextRenderer& operator=(const TtfTextRenderer&) = delete;

    // Opens the font at the given pixel height; false when the font library or file fails.
    bool open(const std::string& fontPath = kDefaultTextFontPath, int pixelHeight = 12);
    int32_t drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view utf8, uint32_t colour) override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace quorva
