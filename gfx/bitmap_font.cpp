#include "gfx/bitmap_font.h"

namespace quorva {

bool BitmapFont::loadFont(const BitmapLoader& loader, const std::string& path, int32_t width, int32_t height)
{
    if (!image.load(loader, path)) {
        return false;
    }
    cellWidth = width;
    cellHeight = height;
    return true;
}

bool BitmapFont::cloneFont(const BitmapFont& other)
{
    if (!image.createCopy(other.image)) {
        return false;
    }
    cellWidth = other.cellWidth;
    cellHeight = other.cellHeight;
    return true;
}

void BitmapFont::tint(Pixel colour)
{
    image.replaceColour(white, colour);
}

void BitmapFont::drawText(Surface& destination, int32_t x, int32_t y, std::string_view text) const
{
    if (columns <= 0) {
        return;
    }
    for (const char byte : text) {
        if (byte == '\0') {
            break;
        }
        const int32_t c = static_cast<signed char>(byte);
        if (c >= firstChar && c <= lastChar) {
            const int32_t index = c - firstChar;
            // Sprite::cut keeps a glyph cell that lies (partly) outside a short image from
            // reading past it.
            const Sprite glyph = Sprite::cut(image, cellWidth * (index % columns), cellHeight * (index / columns),
                                             cellWidth, cellHeight);
            blitKeyed(destination, glyph, x, y);
        }
        x += cellWidth;
    }
}

int32_t BitmapFont::textWidth(std::string_view text) const
{
    const auto end = text.find('\0');
    const auto length = end == std::string_view::npos ? text.size() : end;
    return static_cast<int32_t>(length) * cellWidth;
}

std::optional<std::string_view> FontSet::load(const BitmapLoader& loader, const std::string& normalFontPath,
                                              const std::string& smallFontPath)
{
    if (!txnm.loadFont(loader, normalFontPath, 6, 8)) {
        return "txnm";
    }
    if (!txnmdk.cloneFont(txnm)) {
        return "txnmdk";
    }
    txnmdk.tint(inkDarkGrey);
    if (!txnmlt.cloneFont(txnm)) {
        return "txnmlt";
    }
    if (!txnmbr.cloneFont(txnm)) {
        return "txnmbr";
    }
    txnmbr.tint(inkBrightGreen);
    if (!txnmbl.cloneFont(txnm)) {
        return "txnmbl";
    }
    txnmbl.tint(inkNearBlack);
    txnm.tint(inkLightGrey);
    if (!txsm.loadFont(loader, smallFontPath, 4, 6)) {
        return "txsm";
    }
    txsm.tint(inkLightGrey);
    txsm.firstChar = 43;
    txsm.lastChar = 57;
    return std::nullopt;
}

}  // namespace quorva
