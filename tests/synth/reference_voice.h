#pragma once
// A plain per-sample voice written straight from the engine's rules, with its own tables and
// 64-bit arithmetic cut to 32 bits, to check the program's renderers against.
#include <array>
#include <cstdint>

#include "synth/fm_voice.h"
#include "synth/tone_record.h"

namespace quorva::testing {

class ReferenceVoice {
public:
    ReferenceVoice();
    void start(const Tone& tone, int note, int velocity, const VoiceControls& controls);
    // One sample; false when the voice ended (output keeps the previous sample's value).
    bool sample(const VoiceControls& controls);
    void release();
    int32_t output() const { return output_; }
    int32_t operatorOutput(int i) const { return ops_[i].out; }
    int32_t operatorLevel(int i) const { return ops_[i].level; }
    int operatorState(int i) const { return ops_[i].state; }

    static int32_t sineEntry(int i);

private:
    struct Op {
        std::array<int32_t, toneValueCount> v{};  // in ToneValue order
        uint32_t mask = 0;
        bool carrier = false;
        int32_t gain = 0, out = 0, level = 0, counter = 0, increment = 0;
        uint32_t phase = 0;
        int state = 0;  // 0 delay, 1 attack1 ... 10 off
        int32_t value(ToneValue w) const { return v[static_cast<int>(w)]; }
    };
    bool envelope(Op& op);
    int32_t ratio(int64_t position) const;

    std::array<int32_t, 4096> sine_{};
    std::array<int32_t, 256> semitone_{};
    std::array<int32_t, 256> fine_{};
    std::array<Op, 6> ops_{};
    int count_ = 0;
    int carriers_ = 0;
    int ended_ = 0;
    int32_t output_ = 0, velocityGain_ = 0, smoothing_ = 0;
    int32_t lfoCounter_ = 0, lfoDelay_ = 0, lfoFadeStep_ = 0, lfoFadeMax_ = 0, lfoFade_ = 0;
    int32_t amd_ = 0, pmd_ = 0;
    uint32_t lfoPhase_ = 0, lfoStep_ = 0;
    int lfoState_ = 0;
};

}  // namespace quorva::testing
