#include <gtest/gtest.h>

#include "gfx/drawers.h"

namespace quorva {
namespace {

constexpr Pixel background = 0x0001;

// A skin whose every pixel tells where it came from: red = column, green = row, blue = 9.
Surface skin()
{
    Surface surface;
    surface.create(32, 8);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            surface.at(x, y) = makePixel(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 9);
        }
    }
    return surface;
}

Pixel skinAt(int32_t x, int32_t y)
{
    return makePixel(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 9);
}

Surface screen(int32_t width = 640, int32_t height = 480)
{
    Surface surface;
    surface.create(width, height);
    surface.fillRect(surface.bounds(), background);
    return surface;
}

// The colour drawPanel is expected to leave at (x, y) of the panel (left, top, right, bottom).
Pixel expectedPanelPixel(const Rect& panel, int32_t x, int32_t y)
{
    if (!panel.contains(x, y)) {
        return background;
    }
    if (x == panel.left) {
        return skinAt(0, 0);
    }
    if (x == panel.right - 1 || y == panel.bottom - 1) {
        return skinAt(1, 0);
    }
    return y - panel.top < 8 ? skinAt(0, y - panel.top) : skinAt(0, 7);
}

void expectPanel(const Surface& target, const Rect& panel)
{
    for (int32_t y = 0; y < target.height(); ++y) {
        for (int32_t x = 0; x < target.width(); ++x) {
            ASSERT_EQ(target.at(x, y), expectedPanelPixel(panel, x, y)) << "at " << x << "," << y;
        }
    }
}

TEST(PanelDrawer, StripRepeatsTheTilesFirstColumn)
{
    PanelDrawer drawer;
    ASSERT_TRUE(drawer.create(skin()));
    ASSERT_EQ(drawer.strip().width(), 640);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            ASSERT_EQ(drawer.strip().at(x, y), skinAt(0, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(drawer.bodyColour(), skinAt(0, 7));
    EXPECT_EQ(drawer.bottomRightEdgeColour(), skinAt(1, 0));
    EXPECT_EQ(drawer.leftEdgeColour(), skinAt(0, 0));

    Surface tiny;
    tiny.create(1, 8);
    EXPECT_FALSE(drawer.create(tiny));
}

TEST(PanelDrawer, DrawsShadingBodyAndEdges)
{
    PanelDrawer drawer;
    ASSERT_TRUE(drawer.create(skin()));
    Surface target = screen(60, 40);
    drawer.setTarget(target);

    drawer.drawPanel(10, 20, 30, 24);  // 4 rows high: shading rows 0-3 and edges, no body
    expectPanel(target, {10, 20, 30, 24});

    target.fillRect(target.bounds(), background);
    drawer.drawPanel(3, 2, 50, 30);
    expectPanel(target, {3, 2, 50, 30});

    // A clip rectangle narrows the fills but not the shading copy.
    target.fillRect(target.bounds(), background);
    target.setClipRect({0, 0, 60, 5});
    drawer.drawPanel(0, 0, 20, 12);
    EXPECT_EQ(target.at(5, 6), skinAt(0, 6));
    EXPECT_EQ(target.at(5, 9), background);
}

TEST(PanelDrawer, FullWidthPanelAndPanelsOverTheEdge)
{
    PanelDrawer drawer;
    ASSERT_TRUE(drawer.create(skin()));
    Surface target = screen();
    drawer.setTarget(target);
    drawer.drawPanel(0, 0, 640, 16);
    for (int32_t y = 0; y < 16; ++y) {
        EXPECT_EQ(target.at(639, y), skinAt(1, 0));
    }
    for (int32_t x = 1; x < 640; ++x) {
        EXPECT_EQ(target.at(x, 15), skinAt(1, 0));
    }
    EXPECT_EQ(target.at(320, 10), skinAt(0, 7));
    EXPECT_EQ(target.at(0, 15), skinAt(0, 0));

    // Over the surface's edges: only the inside is drawn, nothing else is touched.
    Surface small = screen(20, 10);
    drawer.setTarget(small);
    drawer.drawPanel(-5, -3, 800, 6);
    EXPECT_EQ(small.at(0, 0), skinAt(0, 3));
    EXPECT_EQ(small.at(19, 4), skinAt(0, 7));
    EXPECT_EQ(small.at(19, 5), skinAt(1, 0));
    EXPECT_EQ(small.at(19, 6), background);
}

struct BarColumn {
    int32_t skinColumn;  // the shading column, or -1 for the background
    Pixel edge;          // an edge colour, or 0 for none
};

void expectBar(const Surface& target, int32_t y, const std::vector<BarColumn>& columns)
{
    for (int32_t x = 0; x < static_cast<int32_t>(columns.size()); ++x) {
        for (int32_t row = 0; row < 8; ++row) {
            const BarColumn& column = columns[static_cast<size_t>(x)];
            const Pixel expected = column.edge != 0           ? column.edge
                                   : column.skinColumn >= 0 ? skinAt(column.skinColumn, row)
                                                            : background;
            ASSERT_EQ(target.at(x, y + row), expected) << "at " << x << "," << y + row;
        }
        EXPECT_EQ(target.at(x, y - 1), background);
        EXPECT_EQ(target.at(x, y + 8), background);
    }
}

// Columns 0..width-1 of a bar from x to x + length with its thumb, as drawBar should leave them.
std::vector<BarColumn> barColumns(int32_t width, int32_t x, int32_t length, int32_t thumbX, int32_t thumbWidth,
                                  bool highlighted)
{
    const int32_t thumbColumn = highlighted ? 18 : 17;
    std::vector<BarColumn> columns(static_cast<size_t>(width), BarColumn{-1, 0});
    for (int32_t c = x; c < x + length; ++c) {
        const bool onThumb = c >= thumbX && c < thumbX + thumbWidth;
        columns[static_cast<size_t>(c)] = {onThumb ? thumbColumn : 16, 0};
    }
    columns[static_cast<size_t>(x)].edge = skinAt(16, 0);
    columns[static_cast<size_t>(x + length)].edge = skinAt(16, 7);
    columns[static_cast<size_t>(thumbX)].edge = skinAt(thumbColumn, 0);
    columns[static_cast<size_t>(thumbX + thumbWidth)].edge = skinAt(thumbColumn, 7);
    return columns;
}

TEST(ScrollBarDrawer, DrawsTrackThumbAndEnds)
{
    ScrollBarDrawer drawer;
    ASSERT_TRUE(drawer.create(skin()));
    EXPECT_EQ(drawer.bands().at(639, 9), skinAt(17, 1));
    EXPECT_EQ(drawer.bands().at(0, 23), skinAt(18, 7));

    for (const bool highlighted : {false, true}) {
        Surface target = screen(120, 20);
        drawer.drawBar(target, 10, 100, 40, 20, 5, highlighted);
        expectBar(target, 5, barColumns(120, 10, 100, 40, 20, highlighted));
    }
    Surface atLeft = screen(120, 20);
    drawer.drawBar(atLeft, 10, 100, 10, 30, 5, false);
    expectBar(atLeft, 5, barColumns(120, 10, 100, 10, 30, false));
    EXPECT_EQ(atLeft.at(10, 5), skinAt(17, 0));

    Surface atRight = screen(120, 20);
    drawer.drawBar(atRight, 10, 100, 80, 30, 5, true);
    expectBar(atRight, 5, barColumns(120, 10, 100, 80, 30, true));
    EXPECT_EQ(atRight.at(110, 5), skinAt(18, 7));

    Surface tooSmall;
    tooSmall.create(18, 8);
    EXPECT_FALSE(drawer.create(tooSmall));
}

TEST(ScrollBarDrawer, OversizedBarsStayInsideTheTarget)
{
    ScrollBarDrawer drawer;
    ASSERT_TRUE(drawer.create(skin()));
    Surface target = screen(50, 12);
    drawer.drawBar(target, -20, 2000, 30, 900, 8, false);
    EXPECT_EQ(target.at(0, 8), skinAt(16, 0));
    EXPECT_EQ(target.at(31, 11), skinAt(17, 3));
    EXPECT_EQ(target.at(31, 7), background);
}

}  // namespace
}  // namespace quorva
