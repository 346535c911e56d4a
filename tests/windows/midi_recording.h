#pragma once
// The recording MIDI device (helpers/midi_recorder_driver.cpp) in a test's Wine session.
#include "windows/wine_session.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quorva::testing {

inline constexpr const char* wineDriversKey = "HKCU\\Software\\Wine\\Drivers";

// Wine's own multimedia drivers again, in case a test that put the recorder in their place
// was killed before it could undo that; for the tests that need the sound card.
inline void useWinesOwnDrivers(WineSession& session)
{
    session.run({"reg", "delete", wineDriversKey, "/v", "Audio", "/f"});
}

// Makes Wine's multimedia driver the MIDI recorder (which has no sound output) for the
// programs started while it lives, and Wine's own list again afterwards. The driver file
// must lie beside the program that opens it.
class RecordingMidiDriver {
public:
    static constexpr const char* file = "winemidirecorder.drv";

    RecordingMidiDriver(WineSession& session, const std::filesystem::path& recording) : session_(session)
    {
        session_.setEnvironment("QUORVA_MIDI_RECORDING", WineSession::windowsPath(recording));
        installed_ = session_.run({"reg", "add", wineDriversKey, "/v", "Audio", "/d", "midirecorder", "/f"}).exitCode == 0;
    }
    ~RecordingMidiDriver()
    {
        useWinesOwnDrivers(session_);
        session_.setEnvironment("QUORVA_MIDI_RECORDING", "");
    }
    RecordingMidiDriver(const RecordingMidiDriver&) = delete;
    RecordingMidiDriver& operator=(const RecordingMidiDriver&) = delete;

    bool installed() const { return installed_; }

private:
    WineSession& session_;
    bool installed_ = false;
};

// One line of a recording: a message (its arrival in ms and its bytes in hex) or a "# ..."
// line of the device's own (time 0).
struct RecordedLine {
    uint32_t ms = 0;
    std::string text;
};

inline std::vector<RecordedLine> readRecording(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::vector<RecordedLine> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("#")) {
            lines.push_back({0, line});
        } else {
            lines.push_back({static_cast<uint32_t>(std::stoul(line)), line.substr(line.find(' ') + 1)});
        }
    }
    return lines;
}

inline std::vector<std::string> textsOf(const std::vector<RecordedLine>& lines)
{
    std::vector<std::string> texts;
    for (const RecordedLine& line : lines) {
        texts.push_back(line.text);
    }
    return texts;
}

// Where two lists of lines first differ ("" when they do not), shortened for a message.
inline std::string firstDifference(const std::vector<std::string>& got, const std::vector<std::string>& expected)
{
    for (size_t i = 0; i < std::max(got.size(), expected.size()); ++i) {
        const std::string have = i < got.size() ? got[i] : "(nothing)";
        const std::string want = i < expected.size() ? expected[i] : "(nothing)";
        if (have != want) {
            return "line " + std::to_string(i + 1) + ": got " + have.substr(0, 80) + ", expected " + want.substr(0, 80);
        }
    }
    return "";
}

}  // namespace quorva::testing
