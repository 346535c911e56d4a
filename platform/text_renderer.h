#pragma once
#include <cstdint>
#include <string_view>

namespace quorva {

// A buffer of RGB555 pixels that text is drawn into (the main screen): rows top to bottom,
// `pitch` pixels apart.
struct TextTarget {
    uint16_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
};

// Draws the song texts with an operating-system font.
class TextRenderer {
public:
    virtual ~TextRenderer() = default;
    // Draws the UTF-8 text in the colour (0xRRGGBB) with the top-left of its first character
    // cell at (x, y); pixels outside the target are dropped. Returns the text's advance, the
    // x offset at which text drawn after it would begin.
    virtual int32_t drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view utf8, uint32_t colour) = 0;
};

}  // namespace quorva
