#pragma once
#include "tools/tonebank/tonemeter/measurements.h"

#include <optional>
#include <string>
#include <vector>

namespace quorva::tonemeter {

// The bank's goals.
constexpr double programToleranceDb = 6.0;   // phrase loudness around the bank's median
constexpr double soundThresholdDb = -60.0;   // a peak above this counts as sound
constexpr double clipRatioLimit = 0.0001;    // 0.01 % of the samples of a song

struct SongResult {
    std::string name;
    std::optional<Levels> levels;  // nothing when the song could not be rendered
    std::string error;
};

struct MeterResults {
    std::string toneFilePath;
    uint32_t levelShift = 6;
    std::vector<Levels> programs;                              // 128
    std::vector<std::array<Levels, drumKeyCount>> drums;       // one per kit of kitPrograms
    std::vector<SongResult> songs;
};

// The median of the programs' phrase RMS, silent programs left out.
double programMedianDb(const std::vector<Levels>& programs);

// Writes the readable report; the result is true when every goal is met.
bool writeReport(const MeterResults& results, std::string& out);

}  // namespace quorva::tonemeter
