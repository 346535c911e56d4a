#include <gtest/gtest.h>

#include "gfx/surface.h"

namespace quorva {
namespace {

// A surface whose every pixel is a distinct non-zero value, so that a misplaced read shows.
Surface numberedSurface(int32_t width, int32_t height, Pixel base)
{
    Surface surface;
    surface.create(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            surface.at(x, y) = static_cast<Pixel>(base + y * width + x);
        }
    }
    return surface;
}

Surface filledSurface(int32_t width, int32_t height, Pixel colour)
{
    Surface surface;
    surface.create(width, height);
    surface.fillRect(surface.bounds(), colour);
    return surface;
}

// Expects the destination to hold the source's pixel at every point of `drawn` (source pixel
// at the point minus `origin`) and `background` everywhere else.
void expectDrawn(const Surface& destination, const Surface& source, int32_t originX, int32_t originY, const Rect& drawn,
                 Pixel background)
{
    for (int32_t y = 0; y < destination.height(); ++y) {
        for (int32_t x = 0; x < destination.width(); ++x) {
            const Pixel expected = drawn.contains(x, y) ? source.at(x - originX, y - originY) : background;
            ASSERT_EQ(destination.at(x, y), expected) << "at " << x << "," << y;
        }
    }
}

TEST(Blit, ClipsAtEveryEdgeOfTheClipRectangle)
{
    const Surface source = numberedSurface(6, 5, 100);
    const Sprite sprite = Sprite::cut(source, 0, 0, 6, 5);
    const Rect clip{2, 3, 14, 11};
    struct Case {
        int32_t x, y;
    };
    // Inside, over each edge, over each corner, and wholly outside on each side.
    const Case cases[] = {{4, 4}, {-1, 5}, {12, 5}, {5, 0}, {5, 9}, {0, 1}, {11, 8},
                          {-4, 5}, {14, 5}, {5, -2}, {5, 11}, {-10, -10}};
    for (const auto& c : cases) {
        Surface destination = filledSurface(16, 14, 7);
        destination.setClipRect(clip);
        blit(destination, sprite, c.x, c.y);
        const Rect drawn{std::max(c.x, clip.left), std::max(c.y, clip.top), std::min(c.x + 6, clip.right),
                         std::min(c.y + 5, clip.bottom)};
        SCOPED_TRACE(testing::Message() << "sprite at " << c.x << "," << c.y);
        expectDrawn(destination, source, c.x, c.y, drawn, 7);
    }
}

TEST(Blit, HotspotOffsetsAndNarrowClipDrawsOnlyInsideColumns)
{
    const Surface source = numberedSurface(8, 3, 300);
    Sprite sprite = Sprite::cut(source, 0, 0, 8, 3);
    sprite.hotX = 2;
    sprite.hotY = 1;
    Surface destination = filledSurface(12, 6, 5);
    destination.setClipRect({4, 0, 6, 6});
    blit(destination, sprite, 5, 2);  // top-left at (3, 1), straddles the 2-column clip
    expectDrawn(destination, source, 3, 1, {4, 1, 6, 4}, 5);
}

TEST(Blit, EmptySpritesAndSurfacesDrawNothing)
{
    const Surface source = numberedSurface(4, 4, 1);
    Surface destination = filledSurface(4, 4, 9);
    blit(destination, Sprite::cut(source, 0, 0, 0, 4), 0, 0);
    blit(destination, Sprite::cut(source, 0, 0, 4, 0), 0, 0);
    blit(destination, Sprite{}, 0, 0);
    blitUnclipped(destination, Sprite::cut(source, 0, 0, -3, 2), 0, 0);
    Surface empty;
    blit(empty, Sprite::cut(source, 0, 0, 4, 4), 0, 0);
    blitAdd(empty, Sprite::cut(source, 0, 0, 4, 4), 0, 0, 32);
    expectDrawn(destination, source, 0, 0, {}, 9);
}

TEST(Blit, SpriteCutIsKeptInsideItsSource)
{
    const Surface source = numberedSurface(5, 4, 1);
    const Sprite sprite = Sprite::cut(source, 3, 2, 10, 10);
    EXPECT_EQ(sprite.width, 2);
    EXPECT_EQ(sprite.height, 2);
    EXPECT_EQ(sprite.pixels, source.pixels() + 2 * 5 + 3);
    EXPECT_EQ(sprite.pitch, 5);
    const Sprite outside = Sprite::cut(source, 7, 1, 3, 3);
    EXPECT_EQ(outside.width, 0);
}

TEST(Blit, UnclippedIgnoresClipRectButStaysInsideSurface)
{
    const Surface source = numberedSurface(4, 4, 50);
    const Sprite sprite = Sprite::cut(source, 0, 0, 4, 4);
    Surface destination = filledSurface(6, 6, 2);
    destination.setClipRect({3, 3, 4, 4});
    blitUnclipped(destination, sprite, 1, 1);
    expectDrawn(destination, source, 1, 1, {1, 1, 5, 5}, 2);

    Surface corner = filledSurface(6, 6, 2);
    blitUnclipped(corner, sprite, 4, -2);  // only the part inside the surface is written
    expectDrawn(corner, source, 4, -2, {4, 0, 6, 2}, 2);
}

TEST(Blit, RowsAreCopiedTopFirstSoOverlappingCopiesRepeatBands)
{
    Surface surface = filledSurface(3, 10, 0);
    for (int32_t x = 0; x < 3; ++x) {
        surface.at(x, 2) = 11;
        surface.at(x, 3) = 22;
        surface.at(x, 4) = 33;
    }
    // A band of height 3 at row 2 copied to row 4 (k = 2): rows 2..6 hold rows 2,3 repeated.
    blit(surface, Sprite::cut(surface, 0, 2, 3, 3), 0, 4);
    const Pixel expected[] = {0, 0, 11, 22, 11, 22, 11, 0, 0, 0};
    for (int32_t y = 0; y < 10; ++y) {
        EXPECT_EQ(surface.at(1, y), expected[y]) << "row " << y;
    }
}

TEST(Blit, KeyedSkipsZeroSourcePixels)
{
    Surface source = numberedSurface(3, 2, 40);
    source.at(1, 0) = 0;
    source.at(2, 1) = 0;
    Surface destination = filledSurface(3, 2, 0x1234);
    blitKeyed(destination, Sprite::cut(source, 0, 0, 3, 2), 0, 0);
    EXPECT_EQ(destination.at(0, 0), 40);
    EXPECT_EQ(destination.at(1, 0), 0x1234);
    EXPECT_EQ(destination.at(2, 1), 0x1234);
    EXPECT_EQ(destination.at(1, 1), 44);

    Surface unclipped = filledSurface(3, 2, 0x1234);
    blitKeyedUnclipped(unclipped, Sprite::cut(source, 0, 0, 3, 2), 0, 0);
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(unclipped.at(x, y), destination.at(x, y));
        }
    }
}

}  // namespace
}  // namespace quorva
