#pragma once
#include "platform/text_renderer.h"
#include "render/render_session.h"
#include "render/screen_session.h"

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

// What a session of the main screen starts from.
struct ScreenStart {
    std::string songPath;
    std::string inputPath;  // the input script, none when empty
    int mode = 1;
    RenderOptions common;
};

// The directory of the running program, where the player's data files lie.
std::string executableDirectory();

// Starts a session (made on executableDirectory()) as --screen does: reads the script, the
// data files and the song, plays at time 0, sets the page and the knobs. False, with a
// one-line reason in `error`, when something cannot be read.
bool startScreenSession(ScreenSession& session, const ScreenStart& start, std::string& error);

}  // namespace quorva
