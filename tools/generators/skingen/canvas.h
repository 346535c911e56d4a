#pragma once
// The skin picture being painted: RGB555 pixels, the format the player keeps after loading.
#include <cstdint>
#include <vector>

#include "tools/generators/skingen/regions.h"

namespace quorva::skingen {

// One colour with 5-bit channels (0..31), exactly what the player sees after loading.
struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;

    constexpr uint16_t pixel() const
    {
        return static_cast<uint16_t>((red << 10) | (green << 5) | blue);
    }
    constexpr bool operator==(const Colour&) const = default;
};

constexpr Colour rgb(int red, int green, int blue) { return {red, green, blue}; }
constexpr Colour fromPixel(uint16_t p) { return {(p >> 10) & 31, (p >> 5) & 31, p & 31}; }

inline constexpr Colour kTransparent{0, 0, 0};

// t = 0 gives a, t = 1 gives b; channels are rounded.
Colour mix(Colour a, Colour b, double t);
// Every channel multiplied by factor and clamped to 0..31.
Colour scaled(Colour c, double factor);
// A colour that must show as drawn: pure black would be the transparent key.
Colour opaque(Colour c);

class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint16_t>& pixels() const { return pixels_; }

    Colour at(int x, int y) const;
    void set(int x, int y, Colour c);
    // Mixes c over the pixel by coverage 0..1.
    void cover(int x, int y, Colour c, double coverage);
    void fill(const Rect& r, Colour c);

private:
    int index(int x, int y) const;

    int width_;
    int height_;
    std::vector<uint16_t> pixels_;
};

// A window onto one region of the canvas with coordinates relative to its top left; painting
// outside it is a programming error, so no painter can spill into a neighbouring region.
class Patch {
public:
    Patch(Canvas& canvas, const Rect& area);

    int width() const { return area_.width; }
    int height() const { return area_.height; }
    const Rect& area() const { return area_; }

    Colour at(int x, int y) const;
    void set(int x, int y, Colour c);
    void cover(int x, int y, Colour c, double coverage);
    void fill(int x, int y, int width, int height, Colour c);
    void fillAll(Colour c) { fill(0, 0, area_.width, area_.height, c); }
    // A raised (or sunken) frame: light top and left, dark bottom and right.
    void bevel(Colour light, Colour dark);

private:
    void check(int x, int y) const;

    Canvas& canvas_;
    Rect area_;
};

}  // namespace quorva::skingen
