#include <algorithm>
#include <array>
#include <cmath>

#include "tools/generators/skingen/painters.h"
#include "tools/generators/skingen/palette.h"

namespace quorva::skingen {

namespace {

using namespace palette;

constexpr double kPi = 3.14159265358979323846;
constexpr Colour kChrome = rgb(22, 23, 25);
constexpr Colour kShell = rgb(19, 4, 6);
constexpr Colour kHead = rgb(26, 26, 24);
constexpr Colour kBrass = rgb(27, 20, 6);
constexpr Colour kStand = rgb(13, 14, 16);

// A note mark: a little bar with a light top row and a dark bottom row.
void paintMark(Canvas& canvas, const Rect& area, Colour colour)
{
    Patch mark(canvas, area);
    const std::array<Colour, 4> rows{mix(colour, rgb(31, 31, 31), 0.4), colour, scaled(colour, 0.85),
                                     scaled(colour, 0.55)};
    for (int y = 0; y < 4; ++y) {
        mark.fill(0, y, mark.width(), 1, rows[y]);
        mark.set(0, y, scaled(rows[y], 0.75));
        mark.set(mark.width() - 1, y, scaled(rows[y], 0.75));
    }
}

void paintFlowColours(Canvas& canvas)
{
    struct Dot {
        Rect pixel;
        Colour colour;
    };
    static constexpr Dot dots[] = {
        {flowLaneAPixel, kLaneA},
        {flowLaneBPixel, kLaneB},
        {flowBeatLinePixel, kBeatLine},
        {flowMeasureLinePixel, kMeasureLine},
    };
    for (const Dot& dot : dots) {
        Patch(canvas, dot.pixel).set(0, 0, dot.colour);
    }
    Patch separator(canvas, keyboardColourPixels);
    const Colour separatorColours[] = {kFeltEdge, kFelt, kFeltShadow};
    for (int i = 0; i < separator.width(); ++i) {
        separator.set(i, 0, separatorColours[i]);
    }
    paintMark(canvas, flow7WhiteMarkImage, kMarkWhite);
    paintMark(canvas, flow7BlackMarkImage, kMarkBlack);
    paintMark(canvas, flow12WhiteMarkImage, kMarkWhite);
    paintMark(canvas, flow12BlackMarkImage, kMarkBlack);
}

// The glow shared by the flow views and DRUM FLOW. Rows 0-31 rise above the keyboard line and
// brighten toward it; rows 32-63 (drums only) light the kit and fade downward.
void paintGlow(Canvas& canvas)
{
    Patch glow(canvas, glowArea);
    for (int y = 0; y < 64; ++y) {
        const double t = y < 32 ? std::pow((y + 1) / 32.0, 2.0) : 0.85 * std::pow(1.0 - (y - 32) / 32.0, 1.5);
        glow.fill(0, y, 32, 1, scaled(kGlow, t));
    }
}

// ---- drum kit ------------------------------------------------------------------------

constexpr int kSubsamples = 4;

// Fraction of a pixel's sample points inside the ellipse.
double ellipseCoverage(int x, int y, double cx, double cy, double rx, double ry)
{
    int inside = 0;
    for (int sy = 0; sy < kSubsamples; ++sy) {
        for (int sx = 0; sx < kSubsamples; ++sx) {
            const double dx = (x + (sx + 0.5) / kSubsamples - cx) / rx;
            const double dy = (y + (sy + 0.5) / kSubsamples - cy) / ry;
            inside += dx * dx + dy * dy <= 1.0 ? 1 : 0;
        }
    }
    return inside / double(kSubsamples * kSubsamples);
}

void fillEllipse(Patch& patch, double cx, double cy, double rx, double ry, Colour colour)
{
    for (int y = std::max(0, int(cy - ry) - 1); y <= std::min(patch.height() - 1, int(cy + ry) + 1); ++y) {
        for (int x = std::max(0, int(cx - rx) - 1); x <= std::min(patch.width() - 1, int(cx + rx) + 1); ++x) {
            patch.cover(x, y, colour, ellipseCoverage(x, y, cx, cy, rx, ry));
        }
    }
}

void line(Patch& patch, double x0, double y0, double x1, double y1, Colour colour)
{
    const int steps = int(std::max(std::abs(x1 - x0), std::abs(y1 - y0)) * 2) + 1;
    for (int i = 0; i <= steps; ++i) {
        const double t = i / double(steps);
        patch.set(int(x0 + (x1 - x0) * t), int(y0 + (y1 - y0) * t), colour);
    }
}

void stand(Patch& kit, double cx, double top)
{
    line(kit, cx, top, cx, 29, kStand);
    line(kit, cx, 27, cx - 6, 31, scaled(kStand, 0.8));
    line(kit, cx, 27, cx + 6, 31, scaled(kStand, 0.8));
}

void cymbal(Patch& kit, double cx, double cy, double rx, double ry, Colour metal)
{
    fillEllipse(kit, cx, cy + 0.6, rx, ry, scaled(metal, 0.6));
    fillEllipse(kit, cx, cy, rx, ry * 0.8, metal);
    fillEllipse(kit, cx - rx * 0.3, cy - ry * 0.2, rx * 0.45, ry * 0.35, mix(metal, rgb(31, 31, 31), 0.35));
    fillEllipse(kit, cx, cy - ry * 0.5, 2.5, 1.4, mix(metal, rgb(31, 31, 31), 0.2));
}

// A drum seen from a little above: a cylindrical shell with chrome hoops and a pale head.
void drum(Patch& kit, double cx, double top, double rx, double ry, double depth)
{
    fillEllipse(kit, cx, top + depth, rx, ry, scaled(kShell, 0.55));
    for (int y = int(top); y < int(top + depth); ++y) {
        for (int x = int(cx - rx); x < int(std::ceil(cx + rx)); ++x) {
            const double across = std::clamp((x + 0.5 - cx) / rx, -1.0, 1.0);
            const double light = 0.45 + 0.75 * std::cos(across * kPi / 2) * (across < 0 ? 1.0 : 0.8);
            const bool hoop = y <= int(top) + 1 || y >= int(top + depth) - 1;
            kit.set(x, y, scaled(hoop ? kChrome : kShell, light));
        }
    }
    fillEllipse(kit, cx, top, rx, ry, kChrome);
    fillEllipse(kit, cx, top, rx - 0.8, ry - 0.5, kHead);
}

void bassDrum(Patch& kit, double cx, double cy, double radius)
{
    fillEllipse(kit, cx, cy, radius, radius, kChrome);
    fillEllipse(kit, cx, cy, radius - 1.0, radius - 1.0, kShell);
    fillEllipse(kit, cx, cy, radius - 2.0, radius - 2.0, rgb(23, 22, 20));
    fillEllipse(kit, cx, cy, radius * 0.4, radius * 0.4, rgb(20, 19, 18));
    fillEllipse(kit, cx, cy, radius * 0.4 - 1.0, radius * 0.4 - 1.0, rgb(23, 22, 20));
    fillEllipse(kit, cx - radius * 0.35, cy - radius * 0.4, radius * 0.25, radius * 0.12, rgb(28, 28, 27));
}

void paintDrumKit(Canvas& canvas)
{
    Patch kit(canvas, drumKitImage);
    for (int y = 0; y < 32; ++y) {
        kit.fill(0, y, 216, 1, y < 28 ? mix(rgb(4, 5, 8), rgb(3, 3, 6), y / 27.0) : rgb(6, 5, 6));
    }
    // Crash cymbal, hi-hat, snare, bass drum, three toms, ride cymbal: one per lane.
    stand(kit, 16, 9);
    cymbal(kit, 16, 8, 13, 2.6, kBrass);
    stand(kit, 44, 10);
    cymbal(kit, 44, 11, 10, 1.8, kBrass);
    cymbal(kit, 44, 7.5, 10, 1.8, mix(kBrass, rgb(31, 31, 31), 0.1));
    line(kit, 68, 24, 62, 31, kStand);
    line(kit, 68, 24, 74, 31, kStand);
    drum(kit, 68, 15, 10, 2.6, 9);
    bassDrum(kit, 96, 18.5, 13);
    drum(kit, 124, 12, 9, 2.2, 8);
    drum(kit, 148, 13, 10, 2.4, 9);
    line(kit, 164, 24, 163, 31, kStand);
    line(kit, 180, 24, 181, 31, kStand);
    drum(kit, 172, 12, 11, 2.6, 14);
    stand(kit, 200, 11);
    cymbal(kit, 200, 10, 14, 3.0, scaled(kBrass, 0.85));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 216; ++x) {
            kit.set(x, y, opaque(kit.at(x, y)));
        }
    }
}

void paintDrumMarksAndLanes(Canvas& canvas)
{
    // In lane order; the ride cymbal shares the crash cymbal's mark.
    static constexpr std::array<Colour, drumMarkImages.size()> markColours{
        rgb(29, 23, 8),   // crash cymbal
        rgb(30, 27, 16),  // hi-hat
        rgb(26, 28, 31),  // snare
        rgb(31, 10, 6),   // bass drum
        rgb(10, 24, 31),  // high tom
        rgb(12, 18, 31),  // mid tom
        rgb(17, 14, 31),  // low tom
        rgb(29, 23, 8),   // ride cymbal
    };
    for (size_t lane = 0; lane < drumMarkImages.size(); ++lane) {
        if (!sharesEarlierDrumMark(lane)) {
            paintMark(canvas, drumMarkImages[lane], markColours[lane]);
        }
    }
    static constexpr std::array<Colour, 6> laneColours{
        rgb(5, 5, 5), rgb(4, 5, 8), rgb(6, 4, 6), rgb(3, 6, 7), rgb(4, 5, 8), rgb(5, 4, 8),
    };
    Patch lanes(canvas, drumLaneColourPixels);
    for (int i = 0; i < 6; ++i) {
        lanes.set(i, 0, laneColours[i]);
    }
}

}  // namespace

void paintFlow(Canvas& canvas)
{
    paintFlowColours(canvas);
    paintGlow(canvas);
    paintDrumKit(canvas);
    paintDrumMarksAndLanes(canvas);
}

}  // namespace quorva::skingen
