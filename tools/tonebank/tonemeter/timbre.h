#pragma once
#include "tools/tonebank/tonemeter/measurements.h"
#include "tools/tonebank/tonemeter/spectrum.h"

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace quorva::tonemeter {

// The keys every program is measured at, a one-second note each, velocity 100.
constexpr std::array<int, 5> timbreKeys = {36, 48, 60, 72, 84};
constexpr double noteHoldSeconds = 1.0;
constexpr double noteStartSeconds = 0.3;  // the measured stretch starts here, after the attack

// The timbre goals.
constexpr double dcLimitDb = -24.0;
constexpr double drumDcLimitDb = -30.0;
constexpr double above16kLimit = 0.01;
constexpr double above12kLimit = 0.02;
constexpr double centroidLow = 0.5, centroidHigh = 2.0;
constexpr double drumCentroidLow = 0.33, drumCentroidHigh = 3.0;
constexpr double tonalLimit = 0.5;
constexpr double songCentroidLow = 0.5, songCentroidHigh = 2.0;
constexpr double lastPitchedProgram = 114;

// One sound measured from the FM synthesizer and from the reference.
struct Comparison {
    Spectrum fm;
    Spectrum reference;
    // A reference note quieter than this over the measured stretch has rung out: no target.
    // FluidSynth at its default gain plays a held note at about -30 to -45 dBFS.
    static constexpr double referenceSoundsDb = -55.0;
    bool compared() const { return !reference.silent() && 20.0 * std::log10(reference.rms) >= referenceSoundsDb; }
    double centroidRatio() const { return reference.centroidHz > 0.0 ? fm.centroidHz / reference.centroidHz : 0.0; }
};

// Which goals a note, a drum hit or a song misses; each flag set is a failure.
struct Misses {
    bool silent = false;    // the reference sounds, the FM synthesizer not
    bool dc = false;
    bool above16k = false;
    bool above12k = false;
    bool above8k = false;   // songs only
    bool centroid = false;
    bool tonal = false;
    bool partial = false;
    bool referenceOffKey = false;  // not a miss: the reference's centroid is below half the key's frequency
    bool any() const { return silent || dc || above16k || above12k || above8k || centroid || tonal || partial; }
};

Misses judgeNote(const Comparison& note, int program, int key);
Misses judgeDrum(const Comparison& hit);
Misses judgeSong(const Comparison& song);

// Bell-like programs whose strongest partial may lie off the harmonic series.
bool isBellProgram(int program);

struct SongComparison {
    std::string name;
    Comparison figures;
    std::string error;  // set when either renderer could not play the song
};

struct TimbreResults {
    int firstProgram = 0;  // the programs measured
    int lastProgram = 127;
    std::vector<std::array<Comparison, timbreKeys.size()>> programs;   // 128
    std::vector<std::array<Comparison, drumKeyCount>> kits;           // one per kit of kitPrograms
    std::vector<SongComparison> songs;
};

struct TimbreOptions {
    std::string tones;
    std::string soundFont;
    std::vector<std::string> songs;  // Standard MIDI Files to compare besides the generated ones
    std::string songDirectory;       // where the generated songs are written (a temporary one if empty)
    unsigned threads = 1;
    uint32_t voices = 24;
    uint32_t levelShift = 6;
    // A quick look while voicing: only these programs' notes, no drum kits and no songs.
    int firstProgram = 0;
    int lastProgram = 127;
    bool notesOnly = false;
};

// Renders every program, drum key and song through both synthesizers. False, with a reason,
// when the tone file or the SoundFont cannot be loaded.
bool measureTimbre(const TimbreOptions& options, TimbreResults& results, std::string& error);

// The per-note, per-drum and per-song tables; true when every goal is met.
bool writeTimbreReport(const TimbreResults& results, std::string& out);

// Reads a 16-bit PCM WAV file as mono samples (the mean of its two sides), full scale 1.0.
bool readWavMono(const std::string& path, std::vector<float>& out);

}  // namespace quorva::tonemeter
