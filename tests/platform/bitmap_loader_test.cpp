#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/fake/bmp_bitmap_loader.h"
#include "platform/sdl_bitmap.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

void putLittle(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A bitmap file of the given depth (24 or 32) whose pixels are given as 0xRRGGBB, top row
// first; stored bottom-up unless topDown.
std::vector<uint8_t> bitmapBytes(int bits, int width, int height, const std::vector<uint32_t>& rgb, bool topDown)
{
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * bits / 8 + 3) / 4 * 4;
    std::vector<uint8_t> out{'B', 'M'};
    putLittle(out, 54 + rowBytes * height, 4);
    putLittle(out, 0, 4);
    putLittle(out, 54, 4);
    putLittle(out, 40, 4);
    putLittle(out, static_cast<uint32_t>(width), 4);
    putLittle(out, static_cast<uint32_t>(topDown ? -height : height), 4);
    putLittle(out, 1, 2);
    putLittle(out, static_cast<uint32_t>(bits), 2);
    for (int i = 0; i < 6; ++i) {
        putLittle(out, 0, 4);
    }
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            putLittle(out, rgb[static_cast<size_t>(y * width + x)], bits / 8);
        }
        out.resize(out.size() + rowBytes - static_cast<uint32_t>(width) * bits / 8, 0);
    }
    return out;
}

TEST(BitmapLoader, ConvertsToRgb555TopRowFirstInBothLoaders)
{
    testing::TempDir dir;
    const std::vector<uint32_t> colours = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                           0x808080, 0x07F8C4, 0x123456, 0xE0E0E0, 0x080808};
    const std::vector<uint16_t> expected = {0x0000, 0x7FFF, 0x7C00, 0x03E0, 0x001F,
                                            0x4210, 0x03F8, 0x08CA, 0x739C, 0x0421};
    const SdlBitmapLoader sdl;
    const BmpBitmapLoader plain;
    for (const int bits : {24, 32}) {
        for (const bool topDown : {false, true}) {
            const auto path = dir.write("image.bmp", bitmapBytes(bits, 5, 2, colours, topDown)).string();
            for (const BitmapLoader* loader : {static_cast<const BitmapLoader*>(&sdl),
                                               static_cast<const BitmapLoader*>(&plain)}) {
                const auto bitmap = loader->loadBitmap(path);
                ASSERT_TRUE(bitmap.has_value()) << bits << " bits";
                EXPECT_EQ(bitmap->width, 5);
                EXPECT_EQ(bitmap->height, 2);
                EXPECT_EQ(bitmap->pixels, expected) << bits << " bits, top down " << topDown;
            }
        }
    }
}

TEST(BitmapLoader, MissingAndMalformedFilesFail)
{
    testing::TempDir dir;
    const SdlBitmapLoader sdl;
    const BmpBitmapLoader plain;
    auto truncated = bitmapBytes(24, 8, 8, std::vector<uint32_t>(64, 0xFFFFFF), false);
    truncated.resize(truncated.size() - 40);
    const std::string paths[] = {(dir / "missing.bmp").string(), dir.write("text.bmp", "not a bitmap at all").string(),
                                 dir.write("short.bmp", truncated).string(), dir.write("empty.bmp", "").string()};
    for (const auto& path : paths) {
        EXPECT_FALSE(sdl.loadBitmap(path).has_value()) << path;
        EXPECT_FALSE(plain.loadBitmap(path).has_value()) << path;
    }
}

// The data files lie in the programs' directory, which is also where this test program is built.
std::string runtimeFile(const std::string& name)
{
    const char* dir = std::getenv("QUORVA_BIN_DIR");
    if (dir != nullptr) {
        return std::string(dir) + "/" + name;
    }
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

// The rows of a glyph cell as '#' (white) and '.' (black); '?' for any other colour.
std::vector<std::string> cellRows(const LoadedBitmap& image, int left, int top, int width, int height)
{
    std::vector<std::string> rows;
    for (int y = top; y < top + height; ++y) {
        std::string row;
        for (int x = left; x < left + width; ++x) {
            const uint16_t p = image.pixels[static_cast<size_t>(y) * image.width + x];
            row.push_back(p == 0x7FFF ? '#' : p == 0 ? '.' : '?');
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(BitmapLoader, GeneratedFontImagesLoadInTheirLayouts)
{
    const SdlBitmapLoader sdl;
    const auto normal = sdl.loadBitmap(runtimeFile("fnm.dat"));
    const auto small = sdl.loadBitmap(runtimeFile("fsm.dat"));
    ASSERT_TRUE(normal.has_value());
    ASSERT_TRUE(small.has_value());
    EXPECT_EQ(normal->width, 60);
    EXPECT_EQ(normal->height, 80);
    EXPECT_EQ(small->width, 40);
    EXPECT_EQ(small->height, 12);

    // 'A' is character 65: index 32, cell column 2, row 3. '~' (126) ends the last row.
    const std::vector<std::string> letterA = {".###..", "#...#.", "#...#.", "#...#.",
                                              "#####.", "#...#.", "#...#.", "......"};
    EXPECT_EQ(cellRows(*normal, 12, 24, 6, 8), letterA);
    EXPECT_NE(cellRows(*normal, 18, 72, 6, 8), std::vector<std::string>(8, "......"));
    EXPECT_EQ(cellRows(*normal, 24, 72, 36, 8), std::vector<std::string>(8, std::string(36, '.')));
    // '0' is character 48 of the small font: index 5, cell column 5, row 0.
    const std::vector<std::string> digitZero = {"###.", "#.#.", "#.#.", "#.#.", "###.", "...."};
    EXPECT_EQ(cellRows(*small, 20, 0, 4, 6), digitZero);

    // Every glyph cell has ink, and the image holds only ink and background.
    for (int i = 0; i < 94; ++i) {
        const auto rows = cellRows(*normal, 6 * (i % 10), 8 * (i / 10), 6, 8);
        std::string all;
        for (const auto& row : rows) {
            all += row;
        }
        EXPECT_NE(all.find('#'), std::string::npos) << "character " << 33 + i;
        EXPECT_EQ(all.find('?'), std::string::npos) << "character " << 33 + i;
    }
    EXPECT_EQ(BmpBitmapLoader().loadBitmap(runtimeFile("fnm.dat"))->pixels, normal->pixels);
}

}  // namespace
}  // namespace quorva
