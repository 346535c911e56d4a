#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "tools/generators/skingen/painters.h"
#include "tools/generators/skingen/palette.h"
#include "tools/generators/skingen/pixel_font.h"

namespace quorva::skingen {

namespace {

using namespace palette;

constexpr double kPi = 3.14159265358979323846;

// ---- knobs ---------------------------------------------------------------------------

struct KnobStyle {
    Colour rim;
    Colour pointer;
};

// Colour of one sample point of a knob, or nothing when it lies outside the knob.
bool knobSample(double x, double y, double angle, const KnobStyle& style, Colour& out)
{
    const double dx = x - 6.0;
    const double dy = y - 6.0;
    const double radius = std::sqrt(dx * dx + dy * dy);
    if (radius > 5.6) {
        return false;
    }
    // Light from the top left.
    const double light = std::clamp(0.5 - 0.45 * (dx + dy) / 5.6, 0.0, 1.0);
    out = radius > 4.7 ? mix(style.rim, kPanelShadow, 0.5 - light * 0.5) : mix(rgb(7, 8, 11), rgb(17, 19, 24), light);
    // The pointer: a segment from near the centre to the rim.
    const double px = std::sin(angle);
    const double py = -std::cos(angle);
    const double along = std::clamp(dx * px + dy * py, 1.0, 4.6);
    const double ex = dx - along * px;
    const double ey = dy - along * py;
    if (ex * ex + ey * ey < 0.8 * 0.8) {
        out = style.pointer;
    }
    return true;
}

void paintKnob(Patch& knob, int index, const KnobStyle& style)
{
    const double angle = (-135.0 + 22.5 * index) * kPi / 180.0;
    constexpr int kSamples = 4;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            int inside = 0;
            double red = 0, green = 0, blue = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    Colour c;
                    if (knobSample(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples, angle, style, c)) {
                        ++inside;
                        red += c.red;
                        green += c.green;
                        blue += c.blue;
                    }
                }
            }
            const double coverage = inside / double(kSamples * kSamples);
            if (coverage < 0.3) {
                knob.set(x, y, kTransparent);
                continue;
            }
            const Colour average = rgb(int(std::lround(red / inside)), int(std::lround(green / inside)),
                                       int(std::lround(blue / inside)));
            // Edge pixels are softened toward the panel body the knobs stand on.
            knob.set(x, y, opaque(mix(kPanelBody, average, coverage)));
        }
    }
}

void paintKnobs(Canvas& canvas)
{
    const KnobStyle normal{rgb(13, 15, 19), rgb(29, 29, 29)};
    const KnobStyle highlighted{rgb(12, 22, 31), rgb(31, 25, 8)};
    for (int i = 0; i < knobImageCount; ++i) {
        Patch plain(canvas, knobImage(i));
        paintKnob(plain, i, normal);
        Patch hot(canvas, highlightedKnobImage(i));
        paintKnob(hot, i, highlighted);
    }
}

// ---- pedal lamps ---------------------------------------------------------------------

void paintPedalLamp(Canvas& canvas, const Rect& area, Colour edge, Colour centre, Colour shine)
{
    static constexpr std::array<std::string_view, 5> shape{".eee.", "esMce", "ecccc", "eccce", ".eee."};
    Patch lamp(canvas, area);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            const char c = shape[y][x];
            lamp.set(x, y, c == '.' ? kTransparent : c == 'e' ? edge : c == 's' ? shine : centre);
        }
    }
}

// ---- buttons -------------------------------------------------------------------------

void paintButtonFace(Patch& button, Colour face, bool sunken)
{
    for (int y = 0; y < button.height(); ++y) {
        const double t = y / double(button.height() - 1);
        const Colour row = sunken ? mix(scaled(face, 0.85), face, t) : mix(scaled(face, 1.15), scaled(face, 0.85), t);
        button.fill(0, y, button.width(), 1, row);
    }
    const Colour light = mix(face, rgb(31, 31, 31), 0.45);
    const Colour dark = scaled(face, 0.45);
    if (sunken) {
        button.bevel(dark, light);
    } else {
        button.bevel(light, dark);
    }
    // A thin dark outline on the right and bottom separates neighbouring tabs.
    button.fill(button.width() - 1, 0, 1, button.height(), kPanelShadow);
    button.fill(0, button.height() - 1, button.width(), 1, kPanelShadow);
}

void paintButtons(Canvas& canvas)
{
    Patch normal(canvas, buttonImages[0]);
    paintButtonFace(normal, kButtonFace, false);
    Patch hover(canvas, buttonImages[1]);
    paintButtonFace(hover, kButtonHoverFace, false);
    Patch pressed(canvas, buttonImages[2]);
    paintButtonFace(pressed, kButtonPressedFace, true);
}

// ---- transport buttons ---------------------------------------------------------------

enum class ButtonState { Normal, Hover, Pressed };

void paintStopIcon(Patch& button, int shift, Colour ink) { button.fill(5 + shift, 5 + shift, 6, 6, ink); }

void paintPlayPauseIcon(Patch& button, int shift, Colour ink)
{
    // A right-pointing triangle, 4 columns wide and 7 rows high, then two pause bars.
    for (int column = 0; column < 4; ++column) {
        button.fill(5 + shift + column, 4 + shift + column, 1, 7 - 2 * column, ink);
    }
    button.fill(12 + shift, 4 + shift, 2, 7, ink);
    button.fill(15 + shift, 4 + shift, 2, 7, ink);
}

void paintTransport(Canvas& canvas)
{
    static constexpr ButtonState states[buttonStateCount] = {ButtonState::Normal, ButtonState::Hover,
                                                             ButtonState::Pressed};
    for (int index = 0; index < buttonStateCount; ++index) {
        const ButtonState state = states[index];
        const bool pressed = state == ButtonState::Pressed;
        const Colour face = state == ButtonState::Hover ? rgb(12, 15, 20) : pressed ? rgb(6, 7, 10) : rgb(9, 11, 15);
        const Colour ink = state == ButtonState::Hover ? rgb(16, 28, 31) : pressed ? rgb(20, 24, 29) : rgb(24, 25, 27);
        const int shift = pressed ? 1 : 0;
        Patch stop(canvas, stopButtonImages[index]);
        paintButtonFace(stop, face, pressed);
        paintStopIcon(stop, shift, ink);
        Patch play(canvas, playPauseButtonImages[index]);
        paintButtonFace(play, face, pressed);
        paintPlayPauseIcon(play, shift, ink);
    }
}

// ---- GM / GS / XG lamps --------------------------------------------------------------

void paintModeLamp(Canvas& canvas, const Rect& area, const std::string& label, Colour lit, bool on)
{
    Patch lamp(canvas, area);
    lamp.fillAll(kPanelBody);
    lamp.bevel(kPanelHighlight, kPanelShadow);
    // The dark display window with a sunken edge.
    const Colour window = on ? mix(rgb(3, 4, 6), lit, 0.12) : rgb(3, 4, 6);
    lamp.fill(3, 3, 26, 18, window);
    lamp.fill(2, 2, 28, 1, kPanelShadow);
    lamp.fill(2, 2, 1, 20, kPanelShadow);
    lamp.fill(2, 21, 28, 1, kPanelSheen);
    lamp.fill(29, 2, 1, 20, kPanelSheen);

    Canvas mask(32, 24);
    Patch maskPatch(mask, {0, 0, 32, 24});
    const int x = (32 - textWidth(label, 2)) / 2;
    drawText(maskPatch, x, 7, label, rgb(31, 31, 31), 2);
    for (int y = 3; y < 21; ++y) {
        for (int column = 3; column < 29; ++column) {
            if (mask.at(column, y) != kTransparent) {
                lamp.set(column, y, on ? mix(lit, rgb(31, 31, 31), 0.25) : rgb(8, 10, 12));
                continue;
            }
            if (!on) {
                continue;
            }
            // A soft halo around the lit letters.
            double halo = 0.0;
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    if (mask.at(column + dx, y + dy) != kTransparent) {
                        halo = std::max(halo, 0.45 / std::hypot(dx, dy));
                    }
                }
            }
            lamp.cover(column, y, lit, halo);
        }
    }
}

void paintModeLamps(Canvas& canvas)
{
    const std::array<std::string, 3> labels{"GM", "GS", "XG"};
    const std::array<Colour, 3> colours{rgb(10, 31, 12), rgb(31, 22, 6), rgb(10, 24, 31)};
    for (int i = 0; i < modeLampCount; ++i) {
        paintModeLamp(canvas, modeLampOnImages[i], labels[i], colours[i], true);
        paintModeLamp(canvas, modeLampOffImages[i], labels[i], colours[i], false);
    }
}

// ---- mouse cursor --------------------------------------------------------------------

void paintCursor(Canvas& canvas)
{
    // X outline, # body, . transparent; the hotspot is the top left pixel.
    static constexpr std::array<std::string_view, 24> arrow{
        "X...............", "XX..............", "X#X.............", "X##X............",
        "X###X...........", "X####X..........", "X#####X.........", "X######X........",
        "X#######X.......", "X########X......", "X#########X.....", "X##########X....",
        "X######XXXXX....", "X###X##X........", "X##XX##X........", "X#X..X##X.......",
        "XX...X##X.......", "X.....X##X......", "......X##X......", ".......XX.......",
        "................", "................", "................", "................",
    };
    Patch cursor(canvas, cursorImage);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 16; ++x) {
            const char c = arrow[y][x];
            cursor.set(x, y, c == 'X' ? kNearBlack : c == '#' ? rgb(31, 31, 31) : kTransparent);
        }
    }
}

}  // namespace

void paintControls(Canvas& canvas)
{
    paintKnobs(canvas);
    paintPedalLamp(canvas, lampOnImage, rgb(8, 22, 6), rgb(18, 31, 12), rgb(28, 31, 26));
    paintPedalLamp(canvas, lampOffImage, rgb(3, 6, 4), rgb(5, 9, 6), rgb(9, 12, 10));
    paintButtons(canvas);
    paintTransport(canvas);
    paintModeLamps(canvas);
    paintCursor(canvas);
}

}  // namespace quorva::skingen
