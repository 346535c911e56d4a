#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tools/generators/skingen/regions.h"

namespace {

using namespace quorva::skingen;

TEST(SkinRegions, EveryRegionLiesInsideTheImageWhichIsNoLargerThanNeeded)
{
    int right = 0;
    int bottom = 0;
    std::set<std::string> names;
    for (const Region& region : skinRegions()) {
        EXPECT_TRUE(names.insert(region.name).second) << "duplicate name " << region.name;
        EXPECT_GT(region.rect.width, 0) << region.name;
        EXPECT_GT(region.rect.height, 0) << region.name;
        EXPECT_GE(region.rect.x, 0) << region.name;
        EXPECT_GE(region.rect.y, 0) << region.name;
        EXPECT_LE(region.rect.right(), kSkinWidth) << region.name;
        EXPECT_LE(region.rect.bottom(), kSkinHeight) << region.name;
        right = std::max(right, region.rect.right());
        bottom = std::max(bottom, region.rect.bottom());
    }
    EXPECT_EQ(right, kSkinWidth);
    EXPECT_EQ(bottom, kSkinHeight);
}

TEST(SkinRegions, RegionsOverlapOnlyWhenTheyAreMeantToSharePixels)
{
    const auto& regions = skinRegions();
    for (size_t i = 0; i < regions.size(); ++i) {
        for (size_t j = i + 1; j < regions.size(); ++j) {
            const Region& a = regions[i];
            const Region& b = regions[j];
            if (a.rect.overlaps(b.rect)) {
                EXPECT_TRUE(!a.shareGroup.empty() && a.shareGroup == b.shareGroup)
                    << a.name << " overlaps " << b.name;
            }
        }
    }
}

TEST(SkinRegions, PixelsThePlayerReadsAsColoursAreInTheTable)
{
    // Single pixels and one-pixel columns that the drawers and views read directly.
    const std::pair<int, int> pixels[] = {
        {0, 0}, {1, 0}, {0, 7}, {16, 0}, {16, 7}, {17, 0}, {17, 7}, {18, 0}, {18, 7},
        {64, 0}, {79, 0}, {64, 1}, {79, 1}, {276, 8}, {277, 8}, {276, 9}, {277, 9},
        {278, 8}, {279, 8}, {280, 8}, {464, 68}, {469, 68},
    };
    for (const auto& [x, y] : pixels) {
        bool covered = false;
        for (const Region& region : skinRegions()) {
            covered = covered || (region.use == RegionUse::Colours && region.rect.contains(x, y));
        }
        EXPECT_TRUE(covered) << x << "," << y;
    }
}

TEST(SkinRegions, KeyboardLayoutsTileTheirOctaves)
{
    for (const KeyboardLayout& layout : keyboardLayouts()) {
        // The white keys follow each other without gap or overlap across the whole octave.
        int edge = 0;
        for (int k = 0; k < 12; ++k) {
            if (quorva::isBlackPitch(k)) {
                EXPECT_GT(layout.offsets[k], 0) << layout.name << " key " << k;
                EXPECT_LE(layout.offsets[k] + layout.widths[k], layout.octave.width) << layout.name << " key " << k;
                EXPECT_LT(layout.blackKeyRows, layout.octave.height) << layout.name;
                continue;
            }
            EXPECT_EQ(layout.offsets[k], edge) << layout.name << " key " << k;
            edge += layout.widths[k];
        }
        EXPECT_EQ(edge, layout.octave.width) << layout.name;
    }
}

TEST(SkinRegions, CaptionStripsFollowEachOtherFromTheLeftEdge)
{
    for (const CaptionStrip& strip : captionStrips()) {
        ASSERT_EQ(strip.widths.size(), strip.texts.size());
        int x = 0;
        for (int i = 0; i < static_cast<int>(strip.widths.size()); ++i) {
            const Rect r = strip.image(i);
            EXPECT_EQ(r.x, x);
            EXPECT_EQ(r.y, strip.y);
            EXPECT_EQ(r.height, 5);
            EXPECT_FALSE(strip.texts[i].empty());
            x += r.width;
        }
    }
}

}  // namespace
