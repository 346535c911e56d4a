#pragma once
#include "app/player_config.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace quorva {

class MessageBox;
class PortSelector;
class Sequencer;

// Every choice the user keeps: an index into a fixed table of values per field. The record
// is also the file setting.dat, byte for byte, 11 bytes with no header.
struct Settings {
    static constexpr size_t size = 11;

    static constexpr std::array<int32_t, 3> sampleRates = {11025, 22050, 44100};
    static constexpr std::array<uint32_t, 5> bufferLengthsMs = {50, 75, 100, 150, 200};
    static constexpr std::array<uint32_t, 5> voiceCounts = {8, 16, 24, 32, 64};
    static constexpr std::array<uint32_t, 5> levelShifts = {4, 5, 6, 7, 8};
    static constexpr std::array<uint8_t, 7> muteLevels = {0, 2, 4, 6, 8, 10, 12};
    static constexpr std::array<uint32_t, 5> sleepActiveMs = {0, 1, 2, 5, 10};
    static constexpr std::array<uint32_t, 5> sleepInactiveMs = {10, 20, 30, 40, 50};
    static constexpr std::array<uint32_t, 5> fpsLimits = {60, 80, 100, 120, 0};  // 0: no limit

    enum Output : uint8_t { MidiOut = 0, SoftSynth = 1, FmSynth = 2, Null = 3 };

    uint8_t output = MidiOut;
    uint8_t sampleRateIndex = 1;
    uint8_t effects = 0;
    uint8_t bufferLengthIndex = 2;
    uint8_t voiceIndex = 2;
    uint8_t levelShiftIndex = 2;
    uint8_t muteLevelIndex = 3;
    uint8_t systemCursor = 0;
    uint8_t sleepActiveIndex = 1;
    uint8_t sleepInactiveIndex = 2;
    uint8_t fpsLimitIndex = 0;

    std::array<uint8_t, size> toBytes() const;
    // A byte outside its field's table falls back to that field's default.
    static Settings fromBytes(const std::array<uint8_t, size>& bytes);

    int32_t sampleRate() const { return sampleRates[sampleRateIndex]; }
    bool effectsOn() const { return effects != 0; }
    uint32_t bufferMs() const { return bufferLengthsMs[bufferLengthIndex]; }
    uint32_t voices() const { return voiceCounts[voiceIndex]; }
    uint32_t levelShift() const { return levelShifts[levelShiftIndex]; }
    uint8_t muteLevel() const { return muteLevels[muteLevelIndex]; }
    bool showSystemCursor() const { return systemCursor == 1; }
    uint32_t sleepActive() const { return sleepActiveMs[sleepActiveIndex]; }
    uint32_t sleepInactive() const { return sleepInactiveMs[sleepInactiveIndex]; }
    uint32_t fpsLimit() const { return fpsLimits[fpsLimitIndex]; }

    // Whether going from this record to `next` needs a new output port.
    bool portDiffers(const Settings& next) const;

    bool operator==(const Settings&) const = default;
};

// The defaults when the file is missing, unreadable or shorter than a record.
Settings readSettings(const std::string& path = "setting.dat");
// Writes a new file beside the old one and renames it over it, so a failed write never
// leaves a half-written record. False when nothing could be written.
bool writeSettings(const Settings& settings, const std::string& path = "setting.dat");

// Where setting.dat lives: beside the executable (the current directory once start-up has
// entered it) or, for an installed player whose directory the user cannot write, in the
// user's configuration directory.
struct SettingsLocation {
    std::string besideExecutable = "setting.dat";
    std::string configDirectory;  // empty: only the file beside the executable is used

    // $XDG_CONFIG_HOME/quorva, else ~/.config/quorva.
    static SettingsLocation fromEnvironment();
    std::string configFile() const;
    // The player's own config file, always in the configuration directory (empty: none).
    std::string playerConfigFile() const;
    // The configuration directory's file when it exists, else the one beside the executable.
    std::string readPath() const;
};

// What a save did: where the record went, or where the last attempt failed and why.
struct SaveResult {
    bool saved = false;
    std::string path;
    std::string reason;  // the system's words for the failure; empty when saved

    explicit operator bool() const { return saved; }
    // "could not save settings to PATH: REASON", on one line whatever the path holds.
    std::string failureLine() const;
};

// Saves where the next start-up will read: into the configuration directory when the
// record is read from there or the executable's directory cannot be written, else beside
// the executable. A failed attempt leaves the file there as it was.
SaveResult saveSettings(const Settings& settings, const SettingsLocation& location);

// What applying settings changes beyond the port: the parts of the program that own them.
class SettingsEffects {
public:
    virtual ~SettingsEffects() = default;
    virtual void setFpsLimit(uint32_t framesPerSecond) = 0;
    virtual void showSystemCursor(bool shown) = 0;
    virtual void setMuteLevelControl(uint8_t level) = 0;
};

// Selects the port the record names. A port that cannot be opened gives "midiport create
// error", the NULL port, and output 3 in the record.
void selectPort(Settings& settings, PortSelector& ports, MessageBox& messages);

// Holds the live record and carries out what changes when a new one is applied; holds the
// player's config file beside it.
class SettingsKeeper {
public:
    SettingsKeeper(PortSelector& ports, Sequencer& sequencer, MessageBox& messages, SettingsEffects& effects)
        : ports_(ports), sequencer_(sequencer), messages_(messages), effects_(effects) {}

    const Settings& live() const { return live_; }
    void setLive(const Settings& settings) { live_ = settings; }
    void setLocation(SettingsLocation location) { location_ = std::move(location); }
    // The record of setting.dat becomes the live one, and the player's config file is read
    // (start-up).
    void readAtStartUp();
    // The option screen's SAVE: the record goes to the file; the live one is not changed.
    // A failure is also said on the error stream, when there is one.
    SaveResult save(const Settings& record) const;
    // Where failures are said besides the screen (standard error in the player); none by default.
    void setErrors(std::FILE* errors) { errors_ = errors; }
    void selectPortAtStartUp() { selectPort(live_, ports_, messages_); }
    void apply(const Settings& next);

    PlayerConfig& playerConfig() { return playerConfig_; }
    // Writes the player's config file; false when there is none or it could not be written.
    bool savePlayerConfig() const { return playerConfig_.write(location_.playerConfigFile()); }

private:
    Settings live_;
    PlayerConfig playerConfig_;
    SettingsLocation location_;
    std::FILE* errors_ = nullptr;
    PortSelector& ports_;
    Sequencer& sequencer_;
    MessageBox& messages_;
    SettingsEffects& effects_;
};

}  // namespace quorva
