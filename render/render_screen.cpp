#include "render/render_screen.h"

#include "base/executable_path.h"
#include "base/file_reader.h"
#include "render/render_session.h"
#include "render/screen_session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace quorva {

namespace {

struct ScreenOptions {
    ScreenStart start;
    std::string outPath;
    long long atMs = -1;
};

int fail(const std::string& reason)
{
    std::fprintf(stderr, "quorva-render: %s\n", reason.c_str());
    return 1;
}

bool parseWhole(const std::string& text, long long low, long long high, long long& value)
{
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && end != nullptr && *end == '\0' && value >= low && value <= high;
}

bool parseOptions(std::vector<std::string> args, ScreenOptions& options, std::string& error)
{
    const auto common = takeCommonOptions(args, error);
    if (!common) {
        return false;
    }
    options.start.common = *common;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--screen" || arg == "--at" || arg == "--mode" || arg == "--input";
        if (takesValue && i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        }
        if (arg == "--screen") {
            options.outPath = args[++i];
        } else if (arg == "--at") {
            if (!parseWhole(args[++i], 0, 0xFFFFFFFFLL, options.atMs)) {
                error = "--at needs a time in whole milliseconds";
                return false;
            }
        } else if (arg == "--mode") {
            long long mode = 0;
            if (!parseWhole(args[++i], 1, 6, mode)) {
                error = "--mode must be 1 to 6";
                return false;
            }
            options.start.mode = static_cast<int>(mode);
        } else if (arg == "--input") {
            options.start.inputPath = args[++i];
        } else if (arg.rfind("--", 0) == 0 || !options.start.songPath.empty()) {
            error = "unexpected argument " + arg;
            return false;
        } else {
            options.start.songPath = arg;
        }
    }
    if (options.start.songPath.empty() || options.outPath.empty() || options.atMs < 0) {
        error = "usage: quorva-render SONG --screen OUT.bmp --at MS [--mode N] [--input SCRIPT] [--speed X] "
                "[--transpose N]";
        return false;
    }
    return true;
}

}  // namespace

std::string executableDirectory()
{
    const auto self = executablePath();
    return self.empty() ? std::string(".") : self.parent_path().string();
}

bool startScreenSession(ScreenSession& session, const ScreenStart& start, std::string& error)
{
    std::vector<ScriptEvent> script;
    if (!start.inputPath.empty()) {
        const auto bytes = readWholeFile(start.inputPath);
        if (!bytes) {
            error = "cannot read " + start.inputPath;
            return false;
        }
        auto parsed = parseInputScript(std::string(bytes->begin(), bytes->end()), error);
        if (!parsed) {
            return false;
        }
        script = std::move(*parsed);
    }
    if (!session.open(error) || !session.loadAndPlay(start.songPath, error)) {
        return false;
    }
    Controls& controls = session.mainScreen.controls();
    const auto speed = std::find(SpeedKnob::speeds.begin(), SpeedKnob::speeds.end(), start.common.speed);
    controls.speed.moveTo(static_cast<int32_t>(speed - SpeedKnob::speeds.begin()));
    controls.transpose.moveTo(start.common.transpose + 6);
    session.mainScreen.setMode(static_cast<uint8_t>(start.mode));
    session.setScript(std::move(script));
    return true;
}

int renderScreen(std::vector<std::string> args, const TextRendererMaker& makeText)
{
    ScreenOptions options;
    std::string error;
    if (!parseOptions(std::move(args), options, error)) {
        return fail(error);
    }
    std::unique_ptr<TextRenderer> text = makeText ? makeText() : nullptr;
    auto session = std::make_unique<ScreenSession>(executableDirectory(), text.get());
    if (!startScreenSession(*session, options.start, error)) {
        return fail(error);
    }
    session->runUntil(static_cast<uint32_t>(options.atMs));

    const std::vector<uint8_t> bitmap = session->bitmapFile();
    std::ofstream out(options.outPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bitmap.data()), static_cast<std::streamsize>(bitmap.size()));
    out.close();
    if (!out) {
        return fail("cannot write " + options.outPath);
    }
    return 0;
}

}  // namespace quorva
