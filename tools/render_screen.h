#pragma once
#include <string>
#include <vector>

namespace quorva {

// quorva-render SONG --screen OUT.bmp --at MS [--mode N] [--input SCRIPT] [--speed X]
// [--transpose N]: the main screen at a moment of simulated playing, as a 24-bit bitmap.
// Returns the exit status; errors are one line on standard error.
int renderScreen(std::vector<std::string> args);

}  // namespace quorva
