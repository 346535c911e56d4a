#include <gtest/gtest.h>

#include "gfx/surface.h"
#include "platform/fake/memory_bitmap_loader.h"

namespace quorva {
namespace {

int countPixels(const Surface& surface, Pixel colour)
{
    int count = 0;
    for (int32_t y = 0; y < surface.height(); ++y) {
        for (int32_t x = 0; x < surface.width(); ++x) {
            count += surface.at(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

TEST(Surface, CreateCopyReleaseAndClip)
{
    Surface surface;
    EXPECT_TRUE(surface.empty());
    EXPECT_EQ(surface.pixels(), nullptr);
    ASSERT_TRUE(surface.create(7, 3));
    EXPECT_EQ(surface.pitch(), 7);
    EXPECT_EQ(surface.clipRect(), (Rect{0, 0, 7, 3}));
    EXPECT_FALSE(surface.create(-1, 3));

    surface.setClipRect({-5, 1, 100, 2});
    EXPECT_EQ(surface.clipRect(), (Rect{0, 1, 7, 2}));
    surface.setClipRect({5, 2, 1, 1});
    EXPECT_EQ(surface.clipRect().width(), 0);
    surface.resetClipRect();

    surface.fillRect(surface.bounds(), 0x1111);
    surface.at(6, 2) = 0x2222;
    Surface copy;
    copy.setClipRect({1, 1, 2, 2});
    ASSERT_TRUE(copy.createCopy(surface));
    EXPECT_EQ(copy.width(), 7);
    EXPECT_EQ(copy.clipRect(), copy.bounds());
    EXPECT_EQ(copy.at(6, 2), 0x2222);
    EXPECT_EQ(countPixels(copy, 0x1111), 20);

    Surface smaller;
    smaller.create(3, 5);
    smaller.fillRect(smaller.bounds(), 9);
    surface.copyPixelsTo(smaller);
    EXPECT_EQ(countPixels(smaller, 0x1111), 9);
    EXPECT_EQ(countPixels(smaller, 9), 6);

    surface.release();
    EXPECT_TRUE(surface.empty());
    surface.fillRect({0, 0, 7, 3}, 1);  // harmless on an empty surface
}

TEST(Surface, FillRectIsIntersectedWithClip)
{
    Surface surface;
    surface.create(10, 8);
    surface.fillRect({-50, -50, 50, 50}, 3);
    EXPECT_EQ(countPixels(surface, 3), 80);

    surface.setClipRect({2, 1, 9, 7});
    surface.fillRect({-50, -50, 50, 50}, 4);
    EXPECT_EQ(countPixels(surface, 4), 7 * 6);
    EXPECT_EQ(surface.at(1, 1), 3);
    EXPECT_EQ(surface.at(2, 1), 4);
    EXPECT_EQ(surface.at(8, 6), 4);
    EXPECT_EQ(surface.at(9, 6), 3);

    surface.fillRect({5, 3, 5, 6}, 5);  // right == left
    surface.fillRect({3, 4, 6, 2}, 5);  // bottom < top
    EXPECT_EQ(countPixels(surface, 5), 0);
    // Widths 1..7 cover every remainder of a four-pixel run.
    for (int32_t width = 1; width <= 7; ++width) {
        surface.fillRect({2, 1, 2 + width, 2}, static_cast<Pixel>(10 + width));
        EXPECT_EQ(countPixels(surface, static_cast<Pixel>(10 + width)), width);
    }
}

TEST(Surface, ReplaceColourChangesOnlyExactMatchesAcrossWholeBuffer)
{
    Surface surface;
    surface.create(4, 2);
    surface.fillRect(surface.bounds(), 0x7FFF);
    surface.at(1, 0) = 0x7FFE;
    surface.at(2, 1) = 0x7BFF;
    surface.setClipRect({0, 0, 1, 1});
    surface.replaceColour(0x7FFF, 0x0422);
    EXPECT_EQ(countPixels(surface, 0x0422), 6);
    EXPECT_EQ(surface.at(1, 0), 0x7FFE);
    EXPECT_EQ(surface.at(2, 1), 0x7BFF);
}

TEST(Surface, LoadTakesTheLoadersPixels)
{
    MemoryBitmapLoader loader;
    loader.add("skin.bmp", LoadedBitmap{3, 2, {1, 2, 3, 4, 5, 6}});
    loader.add("broken.bmp", LoadedBitmap{3, 2, {1, 2, 3}});
    Surface surface;
    ASSERT_TRUE(surface.load(loader, "skin.bmp"));
    EXPECT_EQ(surface.width(), 3);
    EXPECT_EQ(surface.height(), 2);
    EXPECT_EQ(surface.pitch(), 3);
    EXPECT_EQ(surface.at(0, 1), 4);
    EXPECT_EQ(surface.clipRect(), surface.bounds());
    EXPECT_FALSE(surface.load(loader, "missing.bmp"));
    EXPECT_FALSE(surface.load(loader, "broken.bmp"));
    EXPECT_EQ(surface.at(2, 1), 6);  // a failed load leaves the surface as it was
}

}  // namespace
}  // namespace quorva
