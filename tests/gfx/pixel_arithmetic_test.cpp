#include <gtest/gtest.h>

#include <algorithm>

#include "gfx/surface.h"

namespace quorva {
namespace {

// A spread of pixel values covering every channel extreme and a few mixtures.
const Pixel kSamples[] = {0x0000, 0x7FFF, 0x7C00, 0x03E0, 0x001F, 0x0421, 0x739C, 0x5294, 0x43F0,
                          0x0422, 0x3DEF, 0x4210, 0x1234, 0x6B5A, 0x7BDE, 0x0842, 0x7FE0, 0x03FF};

Pixel blendByChannel(Pixel s, Pixel d, uint32_t a)
{
    const auto mix = [&](uint32_t sc, uint32_t dc) { return (sc * a + dc * (32 - a)) >> 5; };
    return makePixel(mix(redOf(s), redOf(d)), mix(greenOf(s), greenOf(d)), mix(blueOf(s), blueOf(d)));
}

Pixel addByChannel(Pixel s, Pixel d, uint32_t a)
{
    const auto add = [&](uint32_t sc, uint32_t dc) { return std::min<uint32_t>(31, dc + ((sc * a) >> 5)); };
    return makePixel(add(redOf(s), redOf(d)), add(greenOf(s), greenOf(d)), add(blueOf(s), blueOf(d)));
}

TEST(PixelArithmetic, BlendAndAddMatchPerChannelFormulas)
{
    for (uint32_t a = 0; a <= 32; ++a) {
        for (const Pixel s : kSamples) {
            for (const Pixel d : kSamples) {
                ASSERT_EQ(blendPixel(s, d, a), blendByChannel(s, d, a)) << s << " " << d << " a=" << a;
                ASSERT_EQ(addPixelSaturated(s, d, a), addByChannel(s, d, a)) << s << " " << d << " a=" << a;
            }
        }
    }
    // Every channel pair at full weight and at a rounding weight.
    for (uint32_t sc = 0; sc < 32; ++sc) {
        for (uint32_t dc = 0; dc < 32; ++dc) {
            const Pixel s = makePixel(sc, 31 - sc, sc);
            const Pixel d = makePixel(dc, dc, 31 - dc);
            for (const uint32_t a : {1u, 13u, 21u, 32u}) {
                ASSERT_EQ(blendPixel(s, d, a), blendByChannel(s, d, a));
                ASSERT_EQ(addPixelSaturated(s, d, a), addByChannel(s, d, a));
            }
        }
    }
}

TEST(PixelArithmetic, AddSaturatesChannelsIndependently)
{
    EXPECT_EQ(addPixelSaturated(0x7C00, 0x03E0, 32), 0x7FE0);
    for (const Pixel d : kSamples) {
        EXPECT_EQ(addPixelSaturated(0x7FFF, d, 32), 0x7FFF);
    }
    EXPECT_EQ(addPixelSaturated(makePixel(20, 1, 0), makePixel(20, 1, 31), 32), makePixel(31, 2, 31));
}

Surface filled(int32_t width, int32_t height, Pixel colour)
{
    Surface surface;
    surface.create(width, height);
    surface.fillRect(surface.bounds(), colour);
    return surface;
}

TEST(PixelArithmetic, BlendAndAddBlitsOverSurfaces)
{
    Surface source = filled(4, 1, 0x7C00);
    source.at(1, 0) = 0;
    const Sprite sprite = Sprite::cut(source, 0, 0, 4, 1);
    const Pixel background = makePixel(3, 17, 9);

    Surface keyed = filled(4, 1, background);
    blitKeyed(keyed, sprite, 0, 0);
    Surface full = filled(4, 1, background);
    blitBlend(full, sprite, 0, 0, 32);
    Surface none = filled(4, 1, background);
    blitBlend(none, sprite, 0, 0, 0);
    Surface half = filled(4, 1, background);
    blitBlendUnclipped(half, sprite, 0, 0, 16);
    Surface added = filled(4, 1, background);
    blitAdd(added, sprite, 0, 0, 21);
    for (int32_t x = 0; x < 4; ++x) {
        EXPECT_EQ(full.at(x, 0), keyed.at(x, 0));
        EXPECT_EQ(none.at(x, 0), background);
        EXPECT_EQ(half.at(x, 0), x == 1 ? background : blendByChannel(0x7C00, background, 16));
        EXPECT_EQ(added.at(x, 0), x == 1 ? background : addByChannel(0x7C00, background, 21));
    }
}

}  // namespace
}  // namespace quorva
