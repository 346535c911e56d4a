#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/file_reader.h"
#include "support/temp_dir.h"
#include "tools/skin_bmp_reader.h"
#include "tools/generators/skingen/regions.h"

namespace {

using namespace quorva::skingen;
using quorva::testing::SkinImage;

const Region& regionNamed(const std::string& name)
{
    for (const Region& region : skinRegions()) {
        if (region.name == name) {
            return region;
        }
    }
    throw std::invalid_argument("no region " + name);
}

class SkinImageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        bytes_ = quorva::readWholeFile(quorva::testing::binDir() + "/bmp.dat").value_or(std::vector<uint8_t>{});
        image_ = quorva::testing::decodeSkin(bytes_).value_or(SkinImage{});
    }
    static uint16_t px(int x, int y) { return image_.at(x, y); }
    static Rect rect(const std::string& name) { return regionNamed(name).rect; }

    static inline std::vector<uint8_t> bytes_;
    static inline SkinImage image_;
};

TEST_F(SkinImageTest, FileIsAnUncompressedBottomUp24BitBitmapOfTheTableSize)
{
    using quorva::testing::littleEndian;
    ASSERT_GE(bytes_.size(), 54u);
    EXPECT_EQ(bytes_[0], 'B');
    EXPECT_EQ(bytes_[1], 'M');
    EXPECT_EQ(littleEndian(bytes_, 2, 4), bytes_.size());
    EXPECT_EQ(littleEndian(bytes_, 10, 4), 54u);
    EXPECT_EQ(littleEndian(bytes_, 14, 4), 40u);                  // BITMAPINFOHEADER
    EXPECT_EQ(static_cast<int32_t>(littleEndian(bytes_, 18, 4)), kSkinWidth);
    EXPECT_EQ(static_cast<int32_t>(littleEndian(bytes_, 22, 4)), kSkinHeight);  // positive: bottom-up
    EXPECT_EQ(littleEndian(bytes_, 26, 2), 1u);
    EXPECT_EQ(littleEndian(bytes_, 28, 2), 24u);
    EXPECT_EQ(littleEndian(bytes_, 30, 4), 0u);                   // BI_RGB
    const size_t rowBytes = (kSkinWidth * 3 + 3) / 4 * 4;
    EXPECT_EQ(bytes_.size(), 54 + rowBytes * kSkinHeight);
    EXPECT_EQ(image_.width, kSkinWidth);
    EXPECT_EQ(image_.height, kSkinHeight);
}

TEST_F(SkinImageTest, EveryRegionHoldsWhatItsUseNeeds)
{
    ASSERT_EQ(image_.width, kSkinWidth);
    for (const Region& region : skinRegions()) {
        switch (region.use) {
        case RegionUse::Opaque:
        case RegionUse::Colours:
            // Copied or read whole: a 0 would show as a black hole or a missing colour.
            EXPECT_TRUE(image_.allInk(region.rect)) << region.name;
            break;
        case RegionUse::Keyed:
        case RegionUse::Additive:
            EXPECT_TRUE(image_.anyInk(region.rect)) << region.name;
            break;
        }
    }
}

TEST_F(SkinImageTest, PanelAndScrollBarShadingsAreBevelled)
{
    using S = SkinImage;
    ASSERT_EQ(image_.width, kSkinWidth);
    // Panels: light left edge and top, darker body, darkest bottom/right edge.
    EXPECT_GT(S::brightness(px(0, 0)), S::brightness(px(0, 7)));
    EXPECT_GT(S::brightness(px(0, 7)), S::brightness(px(1, 0)));
    // Every column of the tile other than the two special ones repeats the panel shading.
    for (int y = 1; y < 8; ++y) {
        EXPECT_EQ(px(31, y), px(0, y));
    }
    // Track sunken (dark left end, light right end); thumbs raised and brighter than the track.
    EXPECT_LT(S::brightness(px(16, 0)), S::brightness(px(16, 7)));
    EXPECT_GT(S::brightness(px(17, 0)), S::brightness(px(17, 7)));
    EXPECT_GT(S::brightness(px(18, 0)), S::brightness(px(18, 7)));
    EXPECT_GT(S::brightness(px(17, 3)), S::brightness(px(16, 3)));
    EXPECT_NE(px(18, 3), px(17, 3));
}

TEST_F(SkinImageTest, MeterRampRunsFromGreenThroughYellowToRed)
{
    using S = SkinImage;
    ASSERT_EQ(image_.width, kSkinWidth);
    const uint16_t low = px(64, 0), middle = px(74, 0), high = px(79, 0);
    EXPECT_GT(S::green(low), S::red(low) + 8);
    EXPECT_GT(S::red(middle), 20);
    EXPECT_GT(S::green(middle), 20);
    EXPECT_GT(S::red(high), S::green(high) + 8);
    // The centred ramp tells left from right.
    EXPECT_GT(S::blue(px(64, 1)), S::red(px(64, 1)));
    EXPECT_GT(S::red(px(79, 1)), S::blue(px(79, 1)));
}

TEST_F(SkinImageTest, LitWhiteKeysLeaveTheBlackKeysPlacesTransparent)
{
    ASSERT_EQ(image_.width, kSkinWidth);
    for (const KeyboardLayout& layout : keyboardLayouts()) {
        const int top = layout.gapRow ? 1 : 0;
        const int middleRow = top + layout.blackKeyRows / 2;
        const int lowRow = layout.octave.height - 3;
        // C: its black neighbour C# covers its right part near the top, not near the bottom.
        const int c = layout.keyImageX(0);
        const int underSharp = layout.offsets[1] - layout.offsets[0];
        EXPECT_EQ(px(c + underSharp, layout.keysY + middleRow), 0) << layout.name;
        EXPECT_NE(px(c + underSharp, layout.keysY + lowRow), 0) << layout.name;
        EXPECT_NE(px(c, layout.keysY + middleRow), 0) << layout.name;
        // C#: lit over its whole width near the top; nothing below the black key's length.
        const int sharp = layout.keyImageX(1);
        for (int x = 0; x < layout.widths[1]; ++x) {
            EXPECT_NE(px(sharp + x, layout.keysY + middleRow), 0) << layout.name;
            EXPECT_EQ(px(sharp + x, layout.keysY + lowRow), 0) << layout.name;
        }
        // The gap row between stacked keyboards is never drawn by a lit key.
        if (layout.gapRow) {
            for (int x = 0; x < keyImagesWidth(layout); ++x) {
                EXPECT_EQ(px(layout.keysX + x, layout.keysY), 0) << layout.name;
            }
        }
        // A lit key differs from the unlit octave where it shows.
        const int d = layout.keyImageX(2);
        EXPECT_NE(px(d + 1, layout.keysY + lowRow), px(layout.octave.x + layout.offsets[2] + 1, layout.octave.y + lowRow))
            << layout.name;
    }
}

TEST_F(SkinImageTest, UnlitKeysReadAsAPiano)
{
    using S = SkinImage;
    ASSERT_EQ(image_.width, kSkinWidth);
    for (const KeyboardLayout& layout : keyboardLayouts()) {
        const int top = layout.octave.y + (layout.gapRow ? 1 : 0);
        const uint16_t white = px(layout.octave.x + 2, top + layout.blackKeyRows + 2);
        const uint16_t black = px(layout.octave.x + layout.offsets[3] + 2, top + layout.blackKeyRows / 2);
        EXPECT_GT(S::brightness(white), 60) << layout.name;
        EXPECT_LT(S::brightness(black), 30) << layout.name;
    }
}

TEST_F(SkinImageTest, KnobsShowEveryPositionAndTheHighlight)
{
    ASSERT_EQ(image_.width, kSkinWidth);
    for (int i = 0; i <= 12; ++i) {
        const Rect normal = rect("knob." + std::to_string(i));
        const Rect highlighted = rect("knob.highlighted." + std::to_string(i));
        EXPECT_EQ(px(normal.x, normal.y), 0) << "corner of knob " << i;
        EXPECT_NE(px(normal.x + 6, normal.y + 6), 0) << "centre of knob " << i;
        EXPECT_NE(image_.cut(normal), image_.cut(highlighted)) << i;
        for (int j = 0; j < i; ++j) {
            EXPECT_NE(image_.cut(normal), image_.cut(rect("knob." + std::to_string(j)))) << i << " vs " << j;
        }
    }
}

TEST_F(SkinImageTest, LampsAndButtonsLookDifferentInEachState)
{
    using S = SkinImage;
    ASSERT_EQ(image_.width, kSkinWidth);
    EXPECT_GT(S::brightness(px(30, 106)), S::brightness(px(30, 111)) + 20);  // pedal lamp centres
    EXPECT_EQ(px(28, 104), 0);                                                // round corners
    for (const char* lamp : {"GM", "GS", "XG"}) {
        const auto on = image_.cut(rect(std::string("lamp.") + lamp + ".on"));
        const auto off = image_.cut(rect(std::string("lamp.") + lamp + ".off"));
        int brightOn = 0, brightOff = 0;
        for (size_t i = 0; i < on.size(); ++i) {
            brightOn += S::brightness(on[i]);
            brightOff += S::brightness(off[i]);
        }
        EXPECT_GT(brightOn, brightOff + 1000) << lamp;
    }
    // Tab and option labels are near black, so every button face must be light.
    for (const char* state : {"normal", "hover", "pressed"}) {
        const Rect r = rect(std::string("button.") + state);
        EXPECT_GE(S::brightness(px(r.x + 32, r.y + 8)), 45) << state;
    }
    EXPECT_NE(image_.cut(rect("button.normal")), image_.cut(rect("button.hover")));
    EXPECT_NE(image_.cut(rect("button.normal")), image_.cut(rect("button.pressed")));
    EXPECT_NE(image_.cut(rect("button.hover")), image_.cut(rect("button.pressed")));
    for (const char* button : {"stop", "play"}) {
        const std::string name = std::string("transport.") + button;
        EXPECT_NE(image_.cut(rect(name + ".normal")), image_.cut(rect(name + ".hover")));
        EXPECT_NE(image_.cut(rect(name + ".normal")), image_.cut(rect(name + ".pressed")));
    }
}

TEST_F(SkinImageTest, GlowBrightensTowardTheKeyboardLineAndCursorPointsFromItsHotspot)
{
    using S = SkinImage;
    ASSERT_EQ(image_.width, kSkinWidth);
    EXPECT_GT(S::brightness(px(450, 31)), S::brightness(px(450, 0)) + 30);
    EXPECT_GT(S::brightness(px(450, 32)), S::brightness(px(450, 63)));
    EXPECT_NE(px(0, 104), 0);    // hotspot (0, 0) is the arrow's tip
    EXPECT_EQ(px(15, 127), 0);
    EXPECT_EQ(px(15, 104), 0);
}

TEST(SkinGenerator, WritesTheSameImageEveryTimeAndReportsFailures)
{
    const quorva::testing::TempDir dir;
    const std::string tool = quorva::testing::binDir() + "/skingen";
    const std::string out = (dir / "bmp.dat").string();
    const std::string table = (dir / "regions.md").string();
    ASSERT_EQ(std::system((tool + " " + out + " --regions " + table).c_str()), 0);
    EXPECT_EQ(quorva::readWholeFile(out), quorva::readWholeFile(quorva::testing::binDir() + "/bmp.dat"));

    std::ifstream markdown(table);
    std::stringstream text;
    text << markdown.rdbuf();
    for (const Region& region : skinRegions()) {
        EXPECT_NE(text.str().find("| " + region.name + " |"), std::string::npos) << region.name;
    }

    EXPECT_NE(std::system((tool + " " + (dir / "missing/bmp.dat").string() + " 2>/dev/null").c_str()), 0);
    // A target that cannot be replaced fails the run and leaves no partial file behind.
    std::filesystem::create_directory(dir / "taken");
    EXPECT_NE(std::system((tool + " " + (dir / "taken").string() + " 2>/dev/null").c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
    EXPECT_FALSE(std::filesystem::exists(dir / "taken.partial"));
    EXPECT_NE(std::system((tool + " 2>/dev/null").c_str()), 0);
}

}  // namespace
