#pragma once
#include "ports/soft_synth.h"

#include <cstdint>
#include <vector>

namespace quorva {

// A sample-producing General MIDI synthesizer engine (the platform's, or a test's). Once
// open (and its presets listed) it is touched only by the audio thread until close.
class SampleSynth {
public:
    virtual ~SampleSynth() = default;
    // Loads the collection and prepares to render at `sampleRate` with or without effects.
    virtual bool open(int32_t sampleRate, bool effects) = 0;
    virtual void close() = 0;
    virtual std::vector<SoftSynthPreset> presets() const = 0;
    virtual void handleShort(uint32_t message) = 0;
    virtual void handleSysex(const uint8_t* bytes, uint32_t length) = 0;
    // `frames` frames of 16-bit stereo, interleaved left then right.
    virtual void render(int16_t* frames, uint32_t count) = 0;
};

}  // namespace quorva
