#include "app/settings.h"

#include "base/file_writer.h"
#include "platform/message_box.h"
#include "ports/port_selector.h"
#include "song/sequencer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quorva {

std::array<uint8_t, Settings::size> Settings::toBytes() const
{
    return {output,       sampleRateIndex, effects,          bufferLengthIndex,  voiceIndex,   levelShiftIndex,
            muteLevelIndex, systemCursor,  sleepActiveIndex, sleepInactiveIndex, fpsLimitIndex};
}

Settings Settings::fromBytes(const std::array<uint8_t, size>& bytes)
{
    const Settings defaults;
    auto pick = [](uint8_t value, size_t tableSize, uint8_t fallback) { return value < tableSize ? value : fallback; };
    Settings settings;
    settings.output = pick(bytes[0], 4, defaults.output);
    settings.sampleRateIndex = pick(bytes[1], sampleRates.size(), defaults.sampleRateIndex);
    settings.effects = bytes[2];
    settings.bufferLengthIndex = pick(bytes[3], bufferLengthsMs.size(), defaults.bufferLengthIndex);
    settings.voiceIndex = pick(bytes[4], voiceCounts.size(), defaults.voiceIndex);
    settings.levelShiftIndex = pick(bytes[5], levelShifts.size(), defaults.levelShiftIndex);
    settings.muteLevelIndex = pick(bytes[6], muteLevels.size(), defaults.muteLevelIndex);
    settings.systemCursor = bytes[7];
    settings.sleepActiveIndex = pick(bytes[8], sleepActiveMs.size(), defaults.sleepActiveIndex);
    settings.sleepInactiveIndex = pick(bytes[9], sleepInactiveMs.size(), defaults.sleepInactiveIndex);
    settings.fpsLimitIndex = pick(bytes[10], fpsLimits.size(), defaults.fpsLimitIndex);
    return settings;
}

bool Settings::portDiffers(const Settings& next) const
{
    if (next.output != output) {
        return true;
    }
    if (output == SoftSynth) {
        return next.sampleRateIndex != sampleRateIndex || next.effects != effects;
    }
    if (output == FmSynth) {
        return next.bufferLengthIndex != bufferLengthIndex || next.voiceIndex != voiceIndex ||
               next.levelShiftIndex != levelShiftIndex;
    }
    return false;
}

Settings readSettings(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return Settings{};
    }
    std::array<uint8_t, Settings::size> bytes{};
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return got == bytes.size() ? Settings::fromBytes(bytes) : Settings{};
}

bool writeSettings(const Settings& settings, const std::string& path)
{
    const auto bytes = settings.toBytes();
    return replaceFile(path, bytes.data(), bytes.size());
}

SettingsLocation SettingsLocation::fromEnvironment()
{
    SettingsLocation location;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    // Only absolute values count: a relative XDG_CONFIG_HOME or HOME is ignored.
    if (config != nullptr && config[0] == '/') {
        location.configDirectory = (std::filesystem::path(config) / "quorva").string();
    } else if (home != nullptr && home[0] == '/') {
        location.configDirectory = (std::filesystem::path(home) / ".config" / "quorva").string();
    }
    return location;
}

std::string SettingsLocation::configFile() const
{
    return configDirectory.empty() ? std::string() : (std::filesystem::path(configDirectory) / "setting.dat").string();
}

std::string SettingsLocation::playerConfigFile() const
{
    return configDirectory.empty() ? std::string() : (std::filesystem::path(configDirectory) / PlayerConfig::fileName).string();
}

std::string SettingsLocation::readPath() const
{
    std::error_code error;
    const std::string config = configFile();
    return !config.empty() && std::filesystem::exists(config, error) ? config : besideExecutable;
}

std::string SaveResult::failureLine() const
{
    std::string line = "could not save settings to " + path + ": " + reason;
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return line;
}

SaveResult saveSettings(const Settings& settings, const SettingsLocation& location)
{
    const auto bytes = settings.toBytes();
    const auto attempt = [&bytes](const std::string& path) {
        const int error = tryReplaceFile(path, bytes.data(), bytes.size());
        return SaveResult{error == 0, path, error == 0 ? std::string() : std::string(std::strerror(error))};
    };
    const std::string config = location.configFile();
    SaveResult beside{false, location.besideExecutable, std::strerror(ENOENT)};
    if (location.readPath() != config) {
        beside = attempt(location.besideExecutable);
    }
    if (beside.saved || config.empty()) {
        return beside;
    }
    std::error_code error;
    std::filesystem::create_directories(location.configDirectory, error);
    return attempt(config);
}

void selectPort(Settings& settings, PortSelector& ports, MessageBox& messages)
{
    bool opened = false;
    switch (settings.output) {
    case Settings::MidiOut: opened = ports.selectMidiOut(); break;
    case Settings::SoftSynth: opened = ports.selectDirectMusic(settings.sampleRate(), settings.effectsOn()); break;
    case Settings::FmSynth:
        opened = ports.selectFmSynth(settings.bufferMs(), settings.voices(), settings.levelShift());
        break;
    default: opened = ports.selectNull(); break;
    }
    if (!opened) {
        messages.show("midiport create error");
        ports.selectNull();
        settings.output = Settings::Null;
    }
}

void SettingsKeeper::readAtStartUp()
{
    live_ = readSettings(location_.readPath());
    playerConfig_ = PlayerConfig::read(location_.playerConfigFile());
}

SaveResult SettingsKeeper::save(const Settings& record) const
{
    SaveResult result = saveSettings(record, location_);
    if (!result.saved && errors_ != nullptr) {
        std::fprintf(errors_, "quorva: %s\n", result.failureLine().c_str());
        std::fflush(errors_);
    }
    return result;
}

void SettingsKeeper::apply(const Settings& next)
{
    if (live_.portDiffers(next)) {
        sequencer_.stop();
        live_ = next;
        selectPort(live_, ports_, messages_);
    } else {
        live_ = next;
    }
    effects_.setFpsLimit(live_.fpsLimit());
    effects_.showSystemCursor(live_.showSystemCursor());
    effects_.setMuteLevelControl(live_.muteLevel());
}

}  // namespace quorva
