#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

// The options of a WAV render, checked against the values the settings offer.
struct WavRenderOptions {
    std::string songPath;
    std::string eventsPath;
    std::string wavPath;
    std::string tonesPath;
    uint32_t voices = 24;
    uint32_t levelShift = 6;
    uint32_t bufferMs = 100;
};

// Takes the WAV options out of `args` (the common --speed and --transpose are taken before).
std::optional<WavRenderOptions> parseWavOptions(const std::vector<std::string>& args, std::string& error);

// One message of an --events log: "TIME_MS HEX HEX ...".
struct LoggedMessage {
    uint32_t timeMs = 0;
    std::vector<uint8_t> bytes;
};

// Reads an --events log; on a malformed line returns nothing and names the line in `error`.
std::optional<std::vector<LoggedMessage>> readEventLog(const std::string& path, std::string& error);

}  // namespace quorva
