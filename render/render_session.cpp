#include "render/render_session.h"

#include "base/file_reader.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace quorva {

namespace {

constexpr std::array<float, 13> speedTable = {0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.2f, 1.5f, 2.0f, 3.0f, 5.0f, 8.0f};

bool parseNumber(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0';
}

}  // namespace

std::optional<RenderOptions> takeCommonOptions(std::vector<std::string>& args, std::string& error)
{
    RenderOptions options;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--speed" || arg == "--transpose") {
            double value = 0;
            if (i + 1 >= args.size() || !parseNumber(args[i + 1], value)) {
                error = arg + " needs a number";
                return std::nullopt;
            }
            ++i;
            if (arg == "--speed") {
                const auto match = std::find_if(speedTable.begin(), speedTable.end(),
                                                [&](float s) { return std::abs(s - value) < 1e-6; });
                if (match == speedTable.end()) {
                    error = "--speed must be one of 0.4 0.5 0.6 0.7 0.8 0.9 1 1.2 1.5 2 3 5 8";
                    return std::nullopt;
                }
                options.speed = *match;
            } else {
                if (value != static_cast<int>(value) || value < -6 || value > 6) {
                    error = "--transpose must be a whole number from -6 to 6";
                    return std::nullopt;
                }
                options.transpose = static_cast<int>(value);
            }
        } else {
            rest.push_back(arg);
        }
    }
    args = std::move(rest);
    return options;
}

SimulatedPlayback::SimulatedPlayback(PortFactory& factory, uint32_t startMs)
    : clock(startMs), ports(factory), monitor(ports), song(&messages), sequencer(song, monitor, ports, timer),
      startMs_(startMs)
{
}

bool SimulatedPlayback::load(const std::string& path, std::string& error)
{
    if (!readWholeFile(path)) {
        error = "cannot read " + path;
        return false;
    }
    if (!sequencer.load(path)) {
        error = song.loadError() == SongLoadError::OutOfMemory
                    ? path + " is too big for the memory available"
                    : path + " is not a Standard MIDI File this player can play";
        return false;
    }
    return true;
}

void SimulatedPlayback::applyOptions(const RenderOptions& options)
{
    monitor.speed = options.speed;
    monitor.transpose = static_cast<int8_t>(options.transpose);
}

void SimulatedPlayback::play()
{
    clock.set(startMs_);
    sequencer.startTimer();
    sequencer.play();
}

void SimulatedPlayback::tick()
{
    clock.advance(Sequencer::tickPeriodMs);
    timer.fire();
}

}  // namespace quorva
