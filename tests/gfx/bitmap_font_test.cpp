#include <gtest/gtest.h>

#include "gfx/bitmap_font.h"
#include "platform/fake/memory_bitmap_loader.h"

namespace quorva {
namespace {

// A font image in the fixed layout: every glyph cell has white ink in its top-left pixel,
// its character code at (1, 0) as a marker colour, and transparent pixels elsewhere.
LoadedBitmap fontImage(int32_t cellWidth, int32_t cellHeight, int32_t first, int32_t last, int32_t rows)
{
    LoadedBitmap image{cellWidth * 10, cellHeight * rows, {}};
    image.pixels.assign(static_cast<size_t>(image.width) * image.height, 0);
    for (int32_t c = first; c <= last; ++c) {
        const int32_t i = c - first;
        const int32_t x = cellWidth * (i % 10);
        const int32_t y = cellHeight * (i / 10);
        image.pixels[static_cast<size_t>(y) * image.width + x] = white;
        image.pixels[static_cast<size_t>(y) * image.width + x + 1] = static_cast<uint16_t>(c);
    }
    return image;
}

MemoryBitmapLoader fontLoader()
{
    MemoryBitmapLoader loader;
    loader.add("fnm.dat", fontImage(6, 8, 33, 126, 10));
    loader.add("fsm.dat", fontImage(4, 6, 43, 57, 2));
    return loader;
}

Surface blank(int32_t width, int32_t height)
{
    Surface surface;
    surface.create(width, height);
    surface.fillRect(surface.bounds(), 0);
    return surface;
}

// Character codes whose marker was drawn on row y, by cell of the given width from x = 0.
std::string markersOnRow(const Surface& surface, int32_t y, int32_t cellWidth)
{
    std::string found;
    for (int32_t x = 0; x + 1 < surface.width(); x += cellWidth) {
        const Pixel marker = surface.at(x + 1, y);
        found.push_back(marker == 0 ? '_' : static_cast<char>(marker));
    }
    return found;
}

TEST(BitmapFont, FontSetMakesSixTintedFontsFromUntintedCopies)
{
    FontSet fonts;
    ASSERT_EQ(fonts.load(fontLoader()), std::nullopt);
    const std::pair<const BitmapFont*, Pixel> inks[] = {
        {&fonts.txnm, inkLightGrey},   {&fonts.txnmdk, inkDarkGrey},   {&fonts.txnmlt, white},
        {&fonts.txnmbr, inkBrightGreen}, {&fonts.txnmbl, inkNearBlack}, {&fonts.txsm, inkLightGrey}};
    for (const auto& [font, ink] : inks) {
        EXPECT_EQ(font->image.at(0, 0), ink);
        EXPECT_EQ(font->image.at(1, 0), font == &fonts.txsm ? '+' : '!');  // marker keeps its colour
    }
    EXPECT_EQ(fonts.txnmbl.cellWidth, 6);
    EXPECT_EQ(fonts.txnmbl.cellHeight, 8);
    EXPECT_EQ(fonts.txnmbl.firstChar, 33);
    EXPECT_EQ(fonts.txsm.cellWidth, 4);
    EXPECT_EQ(fonts.txsm.cellHeight, 6);
    EXPECT_EQ(fonts.txsm.firstChar, 43);
    EXPECT_EQ(fonts.txsm.lastChar, 57);
}

TEST(BitmapFont, LoadFailuresNameTheFontAndKeepCellSize)
{
    MemoryBitmapLoader onlyNormal;
    onlyNormal.add("fnm.dat", fontImage(6, 8, 33, 126, 10));
    FontSet fonts;
    EXPECT_EQ(fonts.load(onlyNormal), std::optional<std::string_view>("txsm"));
    EXPECT_EQ(fonts.txsm.cellWidth, 8);
    FontSet none;
    EXPECT_EQ(none.load(MemoryBitmapLoader{}), std::optional<std::string_view>("txnm"));
    EXPECT_EQ(none.txnm.cellWidth, 8);
    EXPECT_EQ(none.txnm.cellHeight, 8);
}

TEST(BitmapFont, DrawTextPlacesCellsAndSkipsCharactersOutsideTheFont)
{
    FontSet fonts;
    ASSERT_EQ(fonts.load(fontLoader()), std::nullopt);
    Surface screen = blank(96, 20);
    fonts.txnm.drawText(screen, 0, 2, "A B~\x7f\x01\xA4" "Z");
    EXPECT_EQ(markersOnRow(screen, 2, 6), "A_B~___Z________");
    EXPECT_EQ(screen.at(0, 2), inkLightGrey);
    EXPECT_EQ(screen.at(12, 2), inkLightGrey);
    EXPECT_EQ(screen.at(6, 2), 0);

    Surface small = blank(40, 8);
    fonts.txsm.drawText(small, 0, 1, "12:34");
    EXPECT_EQ(markersOnRow(small, 1, 4), "12_34_____");

    Surface stopped = blank(40, 8);
    fonts.txnm.drawText(stopped, 0, 0, std::string_view("AB\0CD", 5));
    EXPECT_EQ(markersOnRow(stopped, 0, 6), "AB_____");
    EXPECT_EQ(fonts.txnm.textWidth(std::string_view("AB\0CD", 5)), 12);
    EXPECT_EQ(fonts.txsm.textWidth("123"), 12);

    Surface empty = blank(40, 8);
    fonts.txnm.drawText(empty, 0, 0, "");
    EXPECT_EQ(markersOnRow(empty, 0, 6), "_______");
}

TEST(BitmapFont, TextIsClippedAtTheClipRectangle)
{
    FontSet fonts;
    ASSERT_EQ(fonts.load(fontLoader()), std::nullopt);
    Surface screen = blank(40, 10);
    screen.setClipRect({0, 0, 14, 10});
    fonts.txnm.drawText(screen, 1, 0, "ABCDEFGHIJKLMNOP");  // C at 13 keeps only its ink column
    EXPECT_EQ(screen.at(13, 0), inkLightGrey);
    EXPECT_EQ(screen.at(14, 0), 0);
    EXPECT_EQ(screen.at(2, 0), 'A');
    EXPECT_EQ(screen.at(8, 0), 'B');
    EXPECT_EQ(screen.at(20, 0), 0);  // D lies wholly outside
    fonts.txnm.drawText(screen, -1000, -1000, "far away");
    fonts.txnm.drawText(screen, 1000, 5, "far away");
}

TEST(BitmapFont, ImageShorterThanTheLayoutDrawsOnlyTheCellsItHas)
{
    MemoryBitmapLoader loader;
    loader.add("short.dat", fontImage(6, 8, 33, 42, 1));  // one row of cells: '!' to '*'
    BitmapFont font;
    ASSERT_TRUE(font.loadFont(loader, "short.dat", 6, 8));
    Surface screen = blank(24, 8);
    font.drawText(screen, 0, 0, "!~*A");
    EXPECT_EQ(markersOnRow(screen, 0, 6), "!_*_");
}

}  // namespace
}  // namespace quorva
