#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/ttf_text.h"

namespace quorva {
namespace {

constexpr uint32_t songText = 0xE0E0E0;

struct Buffer {
    Buffer(int32_t width, int32_t height, uint16_t fill)
        : pixels(static_cast<size_t>(width) * height, fill), target{pixels.data(), width, height, width}
    {
    }
    std::vector<uint16_t> pixels;
    TextTarget target;
};

TEST(TtfText, DrawsLightGreyTextInsideTheTarget)
{
    TtfTextRenderer missing;
    EXPECT_FALSE(missing.open("/nonexistent/font.ttf"));
    Buffer untouched(20, 10, 5);
    EXPECT_EQ(missing.drawText(untouched.target, 0, 0, "text", songText), 0);
    EXPECT_EQ(std::count(untouched.pixels.begin(), untouched.pixels.end(), 5), 200);

    TtfTextRenderer renderer;
    ASSERT_TRUE(renderer.open());
    Buffer buffer(120, 30, 0);
    const int32_t advance = renderer.drawText(buffer.target, 4, 8, "Hello \xE6\x97\xA5\xE6\x9C\xAC", songText);
    int inked = 0;
    for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 120; ++x) {
            const uint16_t p = buffer.pixels[static_cast<size_t>(y) * 120 + x];
            if (p == 0) {
                continue;
            }
            ++inked;
            EXPECT_GE(y, 8);
            EXPECT_LT(y, 8 + 16);
            EXPECT_GE(x, 4);
            EXPECT_LE(p & 31, 28);  // never brighter than 0xE0E0E0
            EXPECT_EQ(p & 31, (p >> 5) & 31);
            EXPECT_EQ(p & 31, (p >> 10) & 31);
        }
    }
    EXPECT_GT(inked, 40);
    EXPECT_NE(std::find(buffer.pixels.begin(), buffer.pixels.end(), 0x739C), buffer.pixels.end());
    // The advance reaches past every inked column: text drawn there joins on without overlap.
    int32_t lastInked = 0;
    for (int32_t x = 0; x < 120; ++x) {
        for (int32_t y = 0; y < 30; ++y) {
            lastInked = buffer.pixels[static_cast<size_t>(y) * 120 + x] != 0 ? x : lastInked;
        }
    }
    EXPECT_GT(advance, 40);
    EXPECT_GE(4 + advance, lastInked);

    // Another colour inks the same glyphs in that colour.
    Buffer green(120, 30, 0);
    renderer.drawText(green.target, 4, 8, "Hello", 0x00FF00);
    EXPECT_NE(std::find(green.pixels.begin(), green.pixels.end(), 0x03E0), green.pixels.end());
    EXPECT_TRUE(std::all_of(green.pixels.begin(), green.pixels.end(), [](uint16_t p) { return (p & 0x7C1F) == 0; }));

    // Text over the edges, or wholly outside, writes only inside the buffer.
    Buffer guarded(40, 12, 0);
    std::vector<uint16_t> wide(static_cast<size_t>(40) * 14, 0x1111);
    std::copy(guarded.pixels.begin(), guarded.pixels.end(), wide.begin() + 40);
    TextTarget inner{wide.data() + 40, 40, 12, 40};
    renderer.drawText(inner, -7, -5, "Overhanging text", songText);
    renderer.drawText(inner, 30, 6, "Overhanging text", songText);
    renderer.drawText(inner, 500, 500, "Far away", songText);
    EXPECT_TRUE(std::all_of(wide.begin(), wide.begin() + 40, [](uint16_t p) { return p == 0x1111; }));
    EXPECT_TRUE(std::all_of(wide.end() - 40, wide.end(), [](uint16_t p) { return p == 0x1111; }));
    EXPECT_EQ(renderer.drawText(inner, 0, 0, "", songText), 0);
}

}  // namespace
}  // namespace quorva
