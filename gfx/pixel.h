#pragma once
#include <cstdint>

namespace quorva {

// RGB555: bit 15 zero, red in bits 14-10, green 9-5, blue 4-0, each channel 0..31.
// 0 is the transparent key of keyed blits; drawings that must show black use a near black.
using Pixel = uint16_t;

inline constexpr Pixel transparent = 0;
inline constexpr Pixel white = 0x7FFF;

constexpr Pixel makePixel(uint32_t red, uint32_t green, uint32_t blue)
{
    return static_cast<Pixel>(((red & 31) << 10) | ((green & 31) << 5) | (blue & 31));
}
constexpr uint32_t redOf(Pixel p) { return (p >> 10) & 31; }
constexpr uint32_t greenOf(Pixel p) { return (p >> 5) & 31; }
constexpr uint32_t blueOf(Pixel p) { return p & 31; }

// The three channels of a pixel spread apart in 32 bits (green moved up to bits 21-25) so
// that one multiply by a weight of up to 32 scales all three without carries between them.
constexpr uint32_t spreadPixel(Pixel p)
{
    return (p & 0x7C1Fu) | ((p & 0x03E0u) << 16);
}
// Folds a spread sum of weight-scaled channels back into a pixel, dividing each by 32.
constexpr Pixel foldScaled(uint32_t t)
{
    return static_cast<Pixel>(((t >> 21) & 0x03E0u) | ((t >> 5) & 0x7C1Fu));
}

// Each channel (s * a + d * (32 - a)) >> 5; a = the low 8 bits of the weight.
constexpr Pixel blendPixel(Pixel source, Pixel destination, uint32_t weight)
{
    const uint32_t a = weight & 0xFF;
    return foldScaled(a * spreadPixel(source) + (32 - a) * spreadPixel(destination));
}

// Each channel min(31, d + ((s * a) >> 5)), all three channels added at once.
constexpr Pixel addPixelSaturated(Pixel source, Pixel destination, uint32_t weight)
{
    const uint32_t a = weight & 0xFF;
    const uint16_t f = foldScaled(a * spreadPixel(source));
    const uint16_t d = destination;
    // Carries out of each 5-bit channel land in bits 0, 5 and 10; the mask fills the
    // overflowing channels with 31.
    const uint16_t carry = static_cast<uint16_t>(((((f & d) << 1) + ((f ^ d) & 0x7BDE)) & 0x8420) >> 5);
    const uint16_t mask = static_cast<uint16_t>((carry + 0x3DEF) ^ 0x3DEF);
    return static_cast<Pixel>(static_cast<uint16_t>((f + d) - mask) | mask);
}

}  // namespace quorva
