#pragma once
#include "tools/tonebank/tonemeter/meter_render.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quorva::tonemeter {

constexpr int firstDrumKey = 35;
constexpr int lastDrumKey = 81;
constexpr int drumKeyCount = lastDrumKey - firstDrumKey + 1;

// The drum sets the General MIDI kit programs select on the rhythm channel.
struct KitProgram {
    int program;
    const char* name;
};
constexpr std::array<KitProgram, 8> kitPrograms = {{{0, "Standard"}, {8, "Room"}, {16, "Power"}, {24, "Electronic"},
                                                    {25, "Analog"}, {32, "Jazz"}, {40, "Brush"}, {48, "Orchestra"}}};

// The standard phrase on channel 0, velocity 100, 3 s in all: the program change, then
// C3 (key 48), the C4 major triad (60 64 67) and C5 (72), each held 0.6 s and released,
// with 0.1 s between them and the last release ringing out to the end.
std::vector<TimedMessage> standardPhrase(int program);
constexpr double phraseSeconds = 3.0;

// One drum hit on channel 9 with the kit program first: 0.1 s held, 1 s rendered.
std::vector<TimedMessage> drumHit(int kitProgram, int key);
constexpr double drumSeconds = 1.0;

// A dense General MIDI song: 16 channels at 120 beats per minute, a note every half beat
// per melodic channel, each 1.5 beats long (about 45 notes at once), random velocities
// 60-119, pitch-bend sweeps and modulation, a drum pattern, and new programs and drum
// kits every quarter of its length.
std::vector<TimedMessage> denseSong(double seconds);

// How long a voice may ring after the phrase or the hit before it counts as endless.
constexpr double ringLimitSeconds = 10.0;

// Per program 0-127, the levels of the standard phrase.
std::vector<Levels> measurePrograms(MeterRender& render);
// Per kit, per key 35-81, the levels of one hit.
std::vector<std::array<Levels, drumKeyCount>> measureDrums(MeterRender& render);

// Renders a Standard MIDI File through the real sequencer and FM port into a temporary
// WAV file (as quorva-render does) and measures it. Nothing when it cannot be rendered.
std::optional<Levels> measureSongFile(const std::string& songPath, const std::string& toneFilePath, uint32_t voices,
                                      uint32_t levelShift, std::string& error);

// Reads the samples of a 16-bit PCM WAV file into the counter; false if it is not one.
bool readWavLevels(const std::string& path, LevelCounter& counter);

}  // namespace quorva::tonemeter
