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
        uint32_t colour = 0;
        uint16_t* pixels = nullptr;
    };

    // Every character advances `advance` pixels.
    int32_t drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view text, uint32_t colour) override
    {
        calls.push_back({x, y, std::string(text), colour, target.pixels});
        return static_cast<int32_t>(text.size()) * advance;
    }

    int32_t advance = 6;
    std::vector<Call> calls;
};

}  // namespace quorva
