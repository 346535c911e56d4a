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
    // Draws the byte string (Shift-JIS as stored in the song, up to its first zero byte) with
    // the top-left of its first character cell at (x, y); pixels outside the target are dropped.
    virtual void drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view text) = 0;
    // The same for the program's own texts in UTF-8 (file names); a renderer without a
    // conversion of its own draws them as it draws song texts.
    virtual void drawUtf8Text(const TextTarget& target, int32_t x, int32_t y, std::string_view text)
    {
        drawText(target, x, y, text);
    }
};

}  // namespace quorva
