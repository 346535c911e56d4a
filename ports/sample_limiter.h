#pragma once
#include <cstdint>

namespace quorva {

// Turns a synthesizer's floating-point stereo frames (1.0 = full scale) into 16-bit frames
// that never reach full scale. Where a frame would pass the ceiling, the gain (one for both
// channels) drops at once just enough to fit it, then returns toward 1 with a time constant
// of 200 ms; music that stays below the ceiling passes unchanged, only rounded.
class SampleLimiter {
public:
    // About -0.2 dBFS.
    static constexpr float ceiling = 32000.0f;

    explicit SampleLimiter(int32_t sampleRate = 44100);
    // Back to unity gain (for a fresh start of the sound).
    void reset() { gain_ = 1.0f; }
    // `count` frames, interleaved left then right, from `in` to `out`.
    void convert(const float* in, int16_t* out, uint32_t count);
    float gain() const { return gain_; }

private:
    float release_;  // share of the distance to unity gain recovered per frame
    float gain_ = 1.0f;
};

}  // namespace quorva
