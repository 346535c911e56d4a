#pragma once
#include "platform/text_renderer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorva {

// quorva-render SONG --screen OUT.bmp --at MS [--mode N] [--input SCRIPT] [--speed X]
// [--transpose N]: the main screen at a moment of simulated playing, as a 24-bit bitmap.
// Returns the exit status; errors are one line on standard error. The song texts are drawn
// with the font `makeText` opens, and left out when it gives none.
using TextRendererMaker = std::function<std::unique_ptr<TextRenderer>()>;
int renderScreen(std::vector<std::string> args, const TextRendererMaker& makeText);

}  // namespace quorva
