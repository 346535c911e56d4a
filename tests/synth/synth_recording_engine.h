#pragma once
#include "synth/synth_engine.h"

#include <atomic>
#include <string>
#include <vector>

namespace quorva::testing {

// An engine that records what reaches it and mixes a frame counter, so tests can see at
// which frame each message was applied.
class RecordingEngine final : public SynthEngine {
public:
    struct Applied {
        bool command = false;
        uint32_t message = 0;
        SynthCommand synthCommand{};
        uint64_t frame = 0;  // frames mixed before it was applied
    };

    bool open(uint32_t voiceCount, const std::string& toneFilePath) override
    {
        openedVoices = voiceCount;
        openedPath = toneFilePath;
        ++openCount;
        return !failOpen;
    }
    void close() override { ++closeCount; }
    void handleMessage(uint32_t message) override { applied.push_back({false, message, {}, frames}); }
    void handleCommand(const SynthCommand& command) override { applied.push_back({true, 0, command, frames}); }
    void mixSample(int32_t& left, int32_t& right) override
    {
        left = mixValue;
        right = -mixValue;
        ++frames;
    }
    bool sounding() const override { return false; }

    bool failOpen = false;
    int32_t mixValue = 0;
    uint32_t openedVoices = 0;
    std::string openedPath;
    int openCount = 0;
    int closeCount = 0;
    uint64_t frames = 0;
    std::vector<Applied> applied;
};

}  // namespace quorva::testing
