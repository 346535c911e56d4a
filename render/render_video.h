#pragma once
#include "render/render_screen.h"

#include <string>
#include <vector>

namespace quorva {

// quorva-render SONG --video OUT.mp4 [--mode N] [--output fm|ms-ss] [--fps 30|60]
// [--scale 1|2|3] [--from MS] [--to MS] [--speed X] [--transpose N] [--input SCRIPT]
// Exports the main screen as --screen draws it, frame by frame, with the sound of the chosen
// synthesizer, as an MP4, Matroska or WebM file. Returns the exit status: 0; 1 after a
// one-line error on standard error; 130 when interrupted (SIGINT or SIGTERM), with nothing
// left under the output's name.
int renderVideo(std::vector<std::string> args, const TextRendererMaker& makeText);

}  // namespace quorva
