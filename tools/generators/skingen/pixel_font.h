#pragma once
// A tiny proportional font, 5 pixels high, for the caption pictures of the skin.
#include <string>

#include "tools/generators/skingen/canvas.h"

namespace quorva::skingen {

inline constexpr int kGlyphHeight = 5;

// Width in pixels of text drawn at the given scale, one blank column between glyphs.
int textWidth(const std::string& text, int scale = 1);

// Draws text with its top left at (x, y) of the patch in the colour ink; characters without
// a glyph are programming errors (they throw), so a caption can never silently lose a letter.
void drawText(Patch& patch, int x, int y, const std::string& text, Colour ink, int scale = 1);

// Draws text centred in the patch's width at row y.
void drawCentredText(Patch& patch, int y, const std::string& text, Colour ink, int scale = 1);

}  // namespace quorva::skingen
