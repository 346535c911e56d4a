#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gfx/surface.h"

namespace quorva {

// Ink colours of the tinted fonts.
inline constexpr Pixel inkLightGrey = 0x739C;  // 28, 28, 28
inline constexpr Pixel inkDarkGrey = 0x5294;   // 20, 20, 20
inline constexpr Pixel inkBrightGreen = 0x43F0;  // 16, 31, 16
inline constexpr Pixel inkNearBlack = 0x0422;  // 1, 1, 2: black that is not the transparent key

// A fixed-cell font: the glyphs of firstChar..lastChar in code order, `columns` cells to a
// row of the image. Pure white pixels are ink, 0 is transparent. A text's colour is chosen by
// choosing a font that was tinted once after loading.
struct BitmapFont {
    Surface image;
    int32_t cellWidth = 8;
    int32_t cellHeight = 8;
    int32_t columns = 10;
    int32_t firstChar = 33;
    int32_t lastChar = 126;

    // Loads the image; on success takes the cell size. On failure the cell size is unchanged.
    bool loadFont(const BitmapLoader& loader, const std::string& path, int32_t width, int32_t height);
    // Copies the other font's image and cell size; columns and character range stay as they are.
    bool cloneFont(const BitmapFont& other);
    // Recolours the ink (pure white) of the image.
    void tint(Pixel colour);
    // Draws the bytes one cell each from (x, y), stopping at a zero byte; bytes outside the
    // character range (space, control, above 127) leave an empty cell. Clipped like any sprite.
    void drawText(Surface& destination, int32_t x, int32_t y, std::string_view text) const;
    // Pixels that drawText advances over the text.
    int32_t textWidth(std::string_view text) const;
};

// The six fonts of the program, made once at start-up.
struct FontSet {
    BitmapFont txnm;    // light grey, normal text
    BitmapFont txnmdk;  // dark grey: disabled, muted or unselected items
    BitmapFont txnmlt;  // white: item under the mouse pointer
    BitmapFont txnmbr;  // bright green: highlighted values
    BitmapFont txnmbl;  // near black: text on light backgrounds
    BitmapFont txsm;    // 4x6 light grey digits

    // Loads fnm.dat (6x8) and fsm.dat (4x6) and makes the tinted copies, the copies taken
    // before txnm itself is tinted. Returns the name of the first font that could not be made
    // ("txnm", "txnmdk", "txnmlt", "txnmbr", "txnmbl", "txsm"), or nothing when all were made.
    std::optional<std::string_view> load(const BitmapLoader& loader, const std::string& normalFontPath = "fnm.dat",
                                         const std::string& smallFontPath = "fsm.dat");
};

}  // namespace quorva
