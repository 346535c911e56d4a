#pragma once
#include <string>
#include <vector>

#include "platform/text_renderer.h"

namespace quorva {

// Remembers every text it was asked to draw and draws nothing.
class RecordingTextRenderer : public TextRenderer {
public:
    struct Call {
        int32_t x = 0;
        int32_t y = 0;
        std::string text;
        uint16_t* pixels = nullptr;
    };

    void drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view text) override
    {
        calls.push_back({x, y, std::string(text.substr(0, text.find('\0'))), target.pixels});
    }

    std::vector<Call> calls;
};

}  // namespace quorva
