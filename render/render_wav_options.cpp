#include "render/render_wav_options.h"

#include "base/executable_path.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quorva {
namespace {

constexpr std::array<uint32_t, 5> voiceChoices = {8, 16, 24, 32, 64};
constexpr std::array<uint32_t, 5> bufferChoices = {50, 75, 100, 150, 200};

bool parseUnsigned(const std::string& text, uint32_t& value)
{
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), ::isdigit)) {
        return false;
    }
    value = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    return true;
}

template <size_t N>
bool oneOf(const std::array<uint32_t, N>& choices, uint32_t value)
{
    return std::find(choices.begin(), choices.end(), value) != choices.end();
}

std::string besideExecutable(const std::string& name)
{
    const auto self = executablePath();
    return self.empty() ? name : (self.parent_path() / name).string();
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool validMessage(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty()) {
        return false;
    }
    if (bytes.front() == 0xF0) {
        return bytes.size() >= 2 && bytes.back() == 0xF7;
    }
    const bool shortStatus = bytes.front() >= 0x80 && bytes.front() < 0xF0;
    const bool dataBytes = std::all_of(bytes.begin() + 1, bytes.end(), [](uint8_t b) { return b < 0x80; });
    return shortStatus && dataBytes && bytes.size() >= 2 && bytes.size() <= 3;
}

}  // namespace

std::optional<WavRenderOptions> parseWavOptions(const std::vector<std::string>& args, std::string& error)
{
    WavRenderOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--wav" || arg == "--tones" || arg == "--voices" || arg == "--level-shift" ||
                                arg == "--buffer-ms" || arg == "--events-in";
        if (takesValue && i + 1 >= args.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string value = takesValue ? args[++i] : std::string();
        if (arg == "--wav") {
            options.wavPath = value;
        } else if (arg == "--tones") {
            options.tonesPath = value;
        } else if (arg == "--events-in") {
            options.eventsPath = value;
        } else if (arg == "--voices") {
            if (!parseUnsigned(value, options.voices) || !oneOf(voiceChoices, options.voices)) {
                error = "--voices must be one of 8 16 24 32 64";
                return std::nullopt;
            }
        } else if (arg == "--level-shift") {
            if (!parseUnsigned(value, options.levelShift) || options.levelShift < 4 || options.levelShift > 8) {
                error = "--level-shift must be a whole number from 4 to 8";
                return std::nullopt;
            }
        } else if (arg == "--buffer-ms") {
            if (!parseUnsigned(value, options.bufferMs) || !oneOf(bufferChoices, options.bufferMs)) {
                error = "--buffer-ms must be one of 50 75 100 150 200";
                return std::nullopt;
            }
        } else if (arg.rfind("--", 0) == 0 || !options.songPath.empty()) {
            error = "unexpected argument " + arg;
            return std::nullopt;
        } else {
            options.songPath = arg;
        }
    }
    if (options.wavPath.empty()) {
        error = "--wav needs a value";
        return std::nullopt;
    }
    if (options.songPath.empty() == options.eventsPath.empty()) {
        error = "give either a song or --events-in LOG";
        return std::nullopt;
    }
    if (options.tonesPath.empty()) {
        options.tonesPath = besideExecutable("fmstone.dat");
    }
    return options;
}

std::optional<std::vector<LoggedMessage>> readEventLog(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::vector<LoggedMessage> messages;
    std::string line;
    for (uint32_t number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        std::istringstream fields(line);
        std::string time;
        fields >> time;
        LoggedMessage message;
        bool ok = parseUnsigned(time, message.timeMs);
        for (std::string hex; ok && fields >> hex;) {
            ok = hex.size() == 2 && hexDigit(hex[0]) >= 0 && hexDigit(hex[1]) >= 0;
            if (ok) {
                message.bytes.push_back(static_cast<uint8_t>(hexDigit(hex[0]) * 16 + hexDigit(hex[1])));
            }
        }
        if (!ok || !validMessage(message.bytes)) {
            error = path + ":" + std::to_string(number) + ": not a message line";
            return std::nullopt;
        }
        messages.push_back(std::move(message));
    }
    return messages;
}

}  // namespace quorva
