#pragma once
#include <cstdint>
#include <string>

namespace quorva {

// An internal command that travels through the synthesizer's queue like a message:
// command, channel, value, and a fourth byte that is ignored.
enum class SynthCommandKind : uint8_t { None = 0, ResetAll = 1, SetRhythm = 2 };
struct SynthCommand {
    SynthCommandKind command = SynthCommandKind::None;
    uint8_t channel = 0;
    uint8_t value = 0;
    uint8_t unused = 0;
};

// One stereo frame of the 32-bit mix.
struct MixFrame {
    int32_t left = 0;
    int32_t right = 0;
};

// What the scheduler drives on the rendering thread: the synthesizer engine proper.
class SynthEngine {
public:
    virtual ~SynthEngine() = default;
    virtual bool open(uint32_t voiceCount, const std::string& toneFilePath) = 0;
    virtual void close() = 0;
    virtual void handleMessage(uint32_t message) = 0;
    virtual void handleCommand(const SynthCommand& command) = 0;
    virtual void mixSample(int32_t& left, int32_t& right) = 0;
    // `count` frames with no message between them; the same result as `count` mixSample calls.
    virtual void mixBlock(MixFrame* frames, uint32_t count)
    {
        for (uint32_t i = 0; i < count; ++i) {
            mixSample(frames[i].left, frames[i].right);
        }
    }
    // True while any voice sounds.
    virtual bool sounding() const = 0;
};

}  // namespace quorva
