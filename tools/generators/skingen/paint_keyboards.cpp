#include "tools/generators/skingen/painters.h"
#include "tools/generators/skingen/palette.h"

namespace quorva::skingen {

namespace {

using namespace palette;

constexpr int kGap = -1;

// The colours of one state of the keys: unlit, lit, or the flash of a new note.
struct KeyColours {
    Colour white;
    Colour black;
};

int firstKeyRow(const KeyboardLayout& layout) { return layout.gapRow ? 1 : 0; }

// The pitch class whose key shows at (x, y) of the octave picture, or kGap.
int keyAt(const KeyboardLayout& layout, int x, int y)
{
    const int row = y - firstKeyRow(layout);
    if (row < 0) {
        return kGap;
    }
    if (row < layout.blackKeyRows) {
        for (int k = 0; k < 12; ++k) {
            if (isBlackPitch(k) && x >= layout.offsets[k] && x < layout.offsets[k] + layout.widths[k]) {
                return k;
            }
        }
    }
    for (int k = 0; k < 12; ++k) {
        if (!isBlackPitch(k) && x >= layout.offsets[k] && x < layout.offsets[k] + layout.widths[k]) {
            return k;
        }
    }
    return kGap;
}

bool underBlackKey(const KeyboardLayout& layout, int x)
{
    for (int k = 0; k < 12; ++k) {
        if (isBlackPitch(k) && x >= layout.offsets[k] && x < layout.offsets[k] + layout.widths[k]) {
            return true;
        }
    }
    return false;
}

// A white key: a shadow edge on its right, a darker line under the cover at the top, a soft
// shadow below the black keys and a rounded front at the bottom.
Colour whiteKeyPixel(const KeyboardLayout& layout, int k, int x, int y, Colour base)
{
    const int row = y - firstKeyRow(layout);
    const int rows = layout.octave.height - firstKeyRow(layout);
    double factor = 1.0;
    if (row == 0) {
        factor = 0.8;
    } else if (row == layout.blackKeyRows && underBlackKey(layout, x)) {
        factor = 0.78;
    } else if (row == rows - 1) {
        factor = 0.62;
    } else if (row == rows - 2) {
        factor = 0.86;
    }
    if (x == layout.offsets[k] + layout.widths[k] - 1) {
        factor *= 0.64;
    }
    return opaque(scaled(base, factor));
}

// A black key: dark, with a highlight along its left side and on its front face.
Colour blackKeyPixel(const KeyboardLayout& layout, int k, int x, int y, Colour base)
{
    const int row = y - firstKeyRow(layout);
    double shine = 0.0;
    if (row >= layout.blackKeyRows - 2) {
        shine = 0.22;
    } else if (x == layout.offsets[k] + 1 || (layout.widths[k] <= 4 && x == layout.offsets[k])) {
        shine = 0.16;
    }
    if (x == layout.offsets[k] + layout.widths[k] - 1) {
        shine = 0.0;
    }
    return opaque(mix(base, rgb(31, 31, 31), shine));
}

Colour octavePixel(const KeyboardLayout& layout, int x, int y, const KeyColours& colours)
{
    const int k = keyAt(layout, x, y);
    if (k == kGap) {
        return kKeyGap;
    }
    return isBlackPitch(k) ? blackKeyPixel(layout, k, x, y, colours.black)
                         : whiteKeyPixel(layout, k, x, y, colours.white);
}

void paintOctave(Canvas& canvas, const KeyboardLayout& layout)
{
    Patch octave(canvas, layout.octave);
    const KeyColours unlit{kWhiteKey, kBlackKey};
    for (int y = 0; y < octave.height(); ++y) {
        for (int x = 0; x < octave.width(); ++x) {
            octave.set(x, y, octavePixel(layout, x, y, unlit));
        }
    }
}

// One row of twelve key images: each shows only the part of the octave where its own key
// is visible (white keys leave the black keys' places transparent).
void paintKeyRow(Canvas& canvas, const KeyboardLayout& layout, int skinY, const KeyColours& colours)
{
    const int height = layout.octave.height;
    for (int k = 0; k < 12; ++k) {
        Patch key(canvas, {layout.keyImageX(k), skinY, layout.widths[k], height});
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < layout.widths[k]; ++x) {
                const int octaveX = layout.offsets[k] + x;
                const bool visible = keyAt(layout, octaveX, y) == k;
                key.set(x, y, visible ? octavePixel(layout, octaveX, y, colours) : kTransparent);
            }
        }
    }
}

}  // namespace

void paintKeyboards(Canvas& canvas)
{
    for (const KeyboardLayout& layout : keyboardLayouts()) {
        paintOctave(canvas, layout);
        paintKeyRow(canvas, layout, layout.keysY, {kLitWhiteKey, kLitBlackKey});
        if (layout.hasGlows()) {
            paintKeyRow(canvas, layout, layout.glowsY, {kGlowWhiteKey, kGlowBlackKey});
        }
    }
}

}  // namespace quorva::skingen
