#include <string>

#include "tools/generators/skingen/painters.h"
#include "tools/generators/skingen/palette.h"
#include "tools/generators/skingen/pixel_font.h"

namespace quorva::skingen {

namespace {

using namespace palette;

// Row r of a panel's top: a light line, then a sheen that settles into the body colour.
Colour panelShade(int row)
{
    return row == 0 ? kPanelHighlight : mix(kPanelSheen, kPanelBody, (row - 1) / 6.0);
}

// An 8-row column: first row, a gradient body, last row.
void paintShadingColumn(Patch& patch, int x, Colour first, Colour top, Colour bottom, Colour last)
{
    patch.set(x, 0, first);
    for (int row = 1; row < 7; ++row) {
        patch.set(x, row, mix(top, bottom, (row - 1) / 5.0));
    }
    patch.set(x, 7, last);
}

// The 32x8 tile whose first column shades every panel; (1, 0) is the shadow edge colour and
// columns 16-18 hold the scroll-bar shadings.
void paintTile(Canvas& canvas)
{
    Patch tile(canvas, panelTile);
    for (int x = 0; x < tile.width(); ++x) {
        for (int row = 0; row < 8; ++row) {
            tile.set(x, row, panelShade(row));
        }
    }
    tile.set(panelShadowEdgePixel.x - panelTile.x, panelShadowEdgePixel.y - panelTile.y, kPanelShadow);
    // Sunken track: dark top row and left end, light bottom row and right end.
    paintShadingColumn(tile, scrollTrackColumn.x - panelTile.x, kTrackDark, kTrackDark, kTrackBody, kTrackLight);
    // Raised thumbs: light top row and left edge, dark bottom row and right edge.
    paintShadingColumn(tile, scrollThumbColumn.x - panelTile.x, kThumbLight, kThumbLight, kThumbBody, kThumbDark);
    paintShadingColumn(tile, scrollHighlightedThumbColumn.x - panelTile.x, kThumbHotLight, kThumbHotLight,
                       kThumbHotBody, kThumbHotDark);
}

// The middle colour sits at `turn` of the way (0..1) from low to high.
Colour threeStopRamp(Colour low, Colour middle, Colour high, double t, double turn)
{
    return t < turn ? mix(low, middle, t / turn) : mix(middle, high, (t - turn) / (1.0 - turn));
}

void paintRamps(Canvas& canvas)
{
    Patch level(canvas, levelRampPixels);
    Patch centred(canvas, centredRampPixels);
    for (int i = 0; i < 16; ++i) {
        const double t = i / 15.0;
        level.set(i, 0, threeStopRamp(kLevelLow, kLevelMid, kLevelHigh, t, 0.65));
        centred.set(i, 0, threeStopRamp(kCentreLeft, kCentreMiddle, kCentreRight, t, 0.5));
    }
}

struct HeaderText {
    int x;
    int line;  // 0 upper, 1 lower, 2 centred on one line
    const char* text;
};

// Column headings over the channel rows; the column borders match the row panels below.
void paintChannelHeader(Canvas& canvas)
{
    Patch header(canvas, channelHeaderImage);
    for (int row = 0; row < header.height(); ++row) {
        header.fill(0, row, header.width(), 1, row < 8 ? panelShade(row) : kPanelBody);
    }
    header.fill(0, 19, 212, 1, kPanelShadow);
    header.fill(0, 0, 1, 20, kPanelHighlight);
    for (int border : {23, 100, 140, 178, 195, 212}) {
        header.fill(border - 1, 0, 1, 20, kPanelShadow);
        if (border < 212) {
            header.fill(border, 0, 1, 19, kPanelHighlight);
        }
    }
    static const HeaderText texts[] = {
        {8, 2, "CH"},      {26, 0, "PRG"},   {56, 0, "MSB"},      {80, 0, "LSB"},
        {26, 1, "INSTRUMENT"}, {103, 0, "VOLUME"}, {103, 1, "EXP/MOD"}, {143, 0, "PAN"},
        {143, 1, "BEND"},  {182, 0, "EFX"},  {179, 1, "SEND"},    {198, 0, "PED"}, {199, 1, "SW"},
    };
    for (const HeaderText& t : texts) {
        const int y = t.line == 2 ? 8 : 4 + 7 * t.line;
        drawText(header, t.x, y, t.text, kHeaderText);
    }
}

void paintCaptions(Canvas& canvas)
{
    for (const CaptionStrip& strip : captionStrips()) {
        for (size_t i = 0; i < strip.size(); ++i) {
            Patch caption(canvas, strip.image(i));
            drawCentredText(caption, 0, strip.texts[i], kCaption);
        }
    }
}

}  // namespace

void paintPanels(Canvas& canvas)
{
    paintTile(canvas);
    paintRamps(canvas);
    paintChannelHeader(canvas);
    paintCaptions(canvas);
}

}  // namespace quorva::skingen
