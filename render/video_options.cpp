#include "render/video_options.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace quorva {
namespace {

bool parseWhole(const std::string& text, long long low, long long high, long long& value)
{
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && text[0] != '-' && text[0] != '+' && end != nullptr && *end == '\0' && value >= low &&
           value <= high;
}

std::optional<VideoContainer> containerOf(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (extension == ".mp4") {
        return VideoContainer::Mp4;
    }
    if (extension == ".mkv") {
        return VideoContainer::Matroska;
    }
    if (extension == ".webm") {
        return VideoContainer::WebM;
    }
    return std::nullopt;
}

}  // namespace

std::optional<VideoOptions> parseVideoOptions(std::vector<std::string> args, std::string& error)
{
    const auto common = takeCommonOptions(args, error);
    if (!common) {
        return std::nullopt;
    }
    VideoOptions options;
    options.start.common = *common;
    const auto bad = [&](const std::string& reason) {
        error = reason;
        return std::nullopt;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--video" || arg == "--mode" || arg == "--output" || arg == "--fps" ||
                                arg == "--scale" || arg == "--from" || arg == "--to" || arg == "--input";
        if (takesValue && i + 1 >= args.size()) {
            return bad(arg + " needs a value");
        }
        const std::string value = takesValue ? args[++i] : std::string();
        long long number = 0;
        if (arg == "--video") {
            options.outPath = value;
        } else if (arg == "--input") {
            options.start.inputPath = value;
        } else if (arg == "--mode") {
            if (!parseWhole(value, 1, 6, number)) {
                return bad("--mode must be 1 to 6");
            }
            options.start.mode = static_cast<int>(number);
        } else if (arg == "--output") {
            if (value != "fm" && value != "ms-ss") {
                return bad("--output of a video must be fm or ms-ss");
            }
            options.synth = value == "fm" ? VideoSynth::Fm : VideoSynth::SoftSynth;
        } else if (arg == "--fps") {
            if (value != "30" && value != "60") {
                return bad("--fps must be 30 or 60");
            }
            options.fps = value == "30" ? 30 : 60;
        } else if (arg == "--scale") {
            if (!parseWhole(value, 1, 3, number)) {
                return bad("--scale must be 1, 2 or 3");
            }
            options.scale = static_cast<int32_t>(number);
        } else if (arg == "--from" || arg == "--to") {
            if (!parseWhole(value, 0, 0xFFFFFFFFLL, number)) {
                return bad(arg + " needs a time in whole milliseconds");
            }
            (arg == "--from" ? options.fromMs : options.toMs.emplace()) = static_cast<uint32_t>(number);
        } else if (arg.rfind("--", 0) == 0 || !options.start.songPath.empty()) {
            return bad("unexpected argument " + arg);
        } else {
            options.start.songPath = arg;
        }
    }
    if (options.start.songPath.empty() || options.outPath.empty()) {
        return bad("usage: quorva-render SONG --video OUT.mp4 [--mode N] [--output fm|ms-ss] [--fps 30|60] "
                   "[--scale 1|2|3] [--from MS] [--to MS] [--input SCRIPT] [--speed X] [--transpose N]");
    }
    const auto container = containerOf(options.outPath);
    if (!container) {
        return bad("--video must name a .mp4, .mkv or .webm file");
    }
    options.container = *container;
    if (options.toMs && *options.toMs <= options.fromMs) {
        return bad("--to must be later than --from");
    }
    return options;
}

}  // namespace quorva
