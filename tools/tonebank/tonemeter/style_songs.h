#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quorva::tonemeter {

// A short General MIDI song in one style, as the bytes of a Standard MIDI File (format 1,
// 480 ticks per beat, 120 beats per minute, about 16 s).
struct StyleSong {
    std::string name;
    std::vector<uint8_t> file;
};

// Rock band (distortion and overdriven guitars, synth bass, sawtooth lead, drums), orchestra,
// jazz combo, solo piano, and General MIDI drum grooves across the kits.
std::vector<StyleSong> styleSongs();

}  // namespace quorva::tonemeter
