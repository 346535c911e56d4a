#pragma once
#include "render/render_screen.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

// The file kinds a video is written as, chosen by the output's extension.
enum class VideoContainer : uint8_t { Mp4, Matroska, WebM };

// The synthesizers the sound of a video is rendered with (--output fm, ms-ss).
enum class VideoSynth : uint8_t { Fm, SoftSynth };

// The options of quorva-render SONG --video OUT [--mode N] [--output fm|ms-ss] [--fps 30|60]
// [--scale 1|2|3] [--from MS] [--to MS] [--speed X] [--transpose N] [--input SCRIPT].
// The times are those of --screen --at: milliseconds since play.
struct VideoOptions {
    ScreenStart start;
    std::string outPath;
    VideoContainer container = VideoContainer::Mp4;
    VideoSynth synth = VideoSynth::Fm;
    uint32_t fps = 60;
    int32_t scale = 2;
    uint32_t fromMs = 0;
    std::optional<uint32_t> toMs;
};

// On a bad option returns nothing and sets `error` to a one-line reason.
std::optional<VideoOptions> parseVideoOptions(std::vector<std::string> args, std::string& error);

}  // namespace quorva
