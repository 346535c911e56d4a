#pragma once
// Songs of any number of notes for the benchmarks: `notes` short notes spread evenly over
// `tracks` tracks at `notesPerSecond`, streamed to the file as they are made, so that songs
// of tens of millions of notes need no more memory than a few thousand.
#include <cstdint>
#include <string>

namespace quorva {

struct ManyNotesSong {
    uint64_t notes = 1000000;
    uint32_t tracks = 16;  // track k plays on channel k % 16; channel 9 plays drum keys
    double notesPerSecond = 5000;
};

// Writes the song as a format 1 file at 480 ticks per beat and the default tempo (120 beats
// per minute, so 960 ticks a second). Each note lasts 48 ticks (50 ms) at velocity 100; the
// keys are pseudo-random and the same on every run. False with a one-line reason when the
// shape does not fit a Standard MIDI File or the file cannot be written.
bool writeManyNotesSong(const std::string& path, const ManyNotesSong& shape, std::string& error);

}  // namespace quorva
