#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/ttf_text.h"

namespace quorva {
namespace {

TEST(TtfText, ConvertsShiftJisFallingBackToLatin1)
{
    EXPECT_EQ(cp932ToUtf8("Title 1"), "Title 1");
    EXPECT_EQ(cp932ToUtf8("\x93\xFA\x96\x7B"), "\xE6\x97\xA5\xE6\x9C\xAC");  // two kanji
    EXPECT_EQ(cp932ToUtf8("\xB1"), "\xEF\xBD\xB1");                          // half-width katakana
    EXPECT_EQ(cp932ToUtf8("a\x81\x20z"), "a\xC2\x81 z");                     // lead byte, bad trail
    EXPECT_EQ(cp932ToUtf8("end\x93"), "end\xC2\x93");                        // cut-off character
    EXPECT_EQ(cp932ToUtf8(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(cp932ToUtf8(""), "");
}

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
    missing.drawText(untouched.target, 0, 0, "text");
    EXPECT_EQ(std::count(untouched.pixels.begin(), untouched.pixels.end(), 5), 200);

    TtfTextRenderer renderer;
    ASSERT_TRUE(renderer.open());
    Buffer buffer(120, 30, 0);
    renderer.drawText(buffer.target, 4, 8, "Hello \x93\xFA\x96\x7B");
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

    // Text over the edges, or wholly outside, writes only inside the buffer.
    Buffer guarded(40, 12, 0);
    std::vector<uint16_t> wide(static_cast<size_t>(40) * 14, 0x1111);
    std::copy(guarded.pixels.begin(), guarded.pixels.end(), wide.begin() + 40);
    TextTarget inner{wide.data() + 40, 40, 12, 40};
    renderer.drawText(inner, -7, -5, "Overhanging text");
    renderer.drawText(inner, 30, 6, "Overhanging text");
    renderer.drawText(inner, 500, 500, "Far away");
    EXPECT_TRUE(std::all_of(wide.begin(), wide.begin() + 40, [](uint16_t p) { return p == 0x1111; }));
    EXPECT_TRUE(std::all_of(wide.end() - 40, wide.end(), [](uint16_t p) { return p == 0x1111; }));
    renderer.drawText(inner, 0, 0, "");
}

}  // namespace
}  // namespace quorva
