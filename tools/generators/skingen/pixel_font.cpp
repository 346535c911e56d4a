#include "tools/generators/skingen/pixel_font.h"

#include <array>
#include <stdexcept>
#include <string_view>

namespace quorva::skingen {

namespace {

struct Glyph {
    char character;
    std::array<std::string_view, kGlyphHeight> rows;  // '#' is ink; all rows equally wide
};

// Most letters are 3 wide; I is 1, E F L are 2, N is 4, M W are 5.
constexpr std::array kGlyphs{
    Glyph{'A', {".#.", "#.#", "###", "#.#", "#.#"}},
    Glyph{'B', {"##.", "#.#", "##.", "#.#", "##."}},
    Glyph{'C', {".##", "#..", "#..", "#..", ".##"}},
    Glyph{'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    Glyph{'E', {"##", "#.", "##", "#.", "##"}},
    Glyph{'F', {"##", "#.", "##", "#.", "#."}},
    Glyph{'G', {".##", "#..", "#.#", "#.#", ".##"}},
    Glyph{'H', {"#.#", "#.#", "###", "#.#", "#.#"}},
    Glyph{'I', {"#", "#", "#", "#", "#"}},
    Glyph{'J', {"..#", "..#", "..#", "#.#", ".#."}},
    Glyph{'K', {"#.#", "#.#", "##.", "#.#", "#.#"}},
    Glyph{'L', {"#.", "#.", "#.", "#.", "##"}},
    Glyph{'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
    Glyph{'N', {"#..#", "##.#", "#.##", "#..#", "#..#"}},
    Glyph{'O', {".#.", "#.#", "#.#", "#.#", ".#."}},
    Glyph{'P', {"##.", "#.#", "##.", "#..", "#.."}},
    Glyph{'Q', {".#.", "#.#", "#.#", "##.", ".##"}},
    Glyph{'R', {"##.", "#.#", "##.", "#.#", "#.#"}},
    Glyph{'S', {".##", "#..", ".#.", "..#", "##."}},
    Glyph{'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    Glyph{'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
    Glyph{'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
    Glyph{'W', {"#...#", "#...#", "#.#.#", "##.##", "#...#"}},
    Glyph{'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    Glyph{'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}},
    Glyph{'Z', {"###", "..#", ".#.", "#..", "###"}},
    Glyph{'0', {"###", "#.#", "#.#", "#.#", "###"}},
    Glyph{'1', {".#", "##", ".#", ".#", ".#"}},
    Glyph{'2', {"##.", "..#", ".#.", "#..", "###"}},
    Glyph{'3', {"##.", "..#", ".#.", "..#", "##."}},
    Glyph{'4', {"#.#", "#.#", "###", "..#", "..#"}},
    Glyph{'5', {"###", "#..", "##.", "..#", "##."}},
    Glyph{'6', {".##", "#..", "###", "#.#", "###"}},
    Glyph{'7', {"###", "..#", ".#.", ".#.", ".#."}},
    Glyph{'8', {"###", "#.#", "###", "#.#", "###"}},
    Glyph{'9', {"###", "#.#", "###", "..#", "##."}},
    Glyph{' ', {".", ".", ".", ".", "."}},
    Glyph{'.', {".", ".", ".", ".", "#"}},
    Glyph{'-', {"..", "..", "##", "..", ".."}},
    Glyph{'/', {"..#", "..#", ".#.", "#..", "#.."}},
};

const Glyph& glyphOf(char c)
{
    for (const Glyph& glyph : kGlyphs) {
        if (glyph.character == c) {
            return glyph;
        }
    }
    throw std::invalid_argument(std::string("no glyph for '") + c + "'");
}

int glyphWidth(const Glyph& glyph) { return static_cast<int>(glyph.rows[0].size()); }

}  // namespace

int textWidth(const std::string& text, int scale)
{
    int width = 0;
    for (char c : text) {
        width += (glyphWidth(glyphOf(c)) + 1) * scale;
    }
    return text.empty() ? 0 : width - scale;
}

void drawText(Patch& patch, int x, int y, const std::string& text, Colour ink, int scale)
{
    for (char c : text) {
        const Glyph& glyph = glyphOf(c);
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int column = 0; column < glyphWidth(glyph); ++column) {
                if (glyph.rows[row][column] == '#') {
                    patch.fill(x + column * scale, y + row * scale, scale, scale, ink);
                }
            }
        }
        x += (glyphWidth(glyph) + 1) * scale;
    }
}

void drawCentredText(Patch& patch, int y, const std::string& text, Colour ink, int scale)
{
    drawText(patch, (patch.width() - textWidth(text, scale)) / 2, y, text, ink, scale);
}

}  // namespace quorva::skingen
