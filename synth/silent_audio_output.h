#pragma once
#include "platform/audio_device.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace quorva {

// An output that plays into nothing at the real rate: a thread of its own asks the feeder for
// one half each time a half would have played, so what the feeder keeps (a synthesizer's
// voices, its clock) goes on as if it were heard. It stands in for a device that went away.
class SilentAudioOutput final : public AudioOutput {
public:
    SilentAudioOutput(uint32_t halfBytes, uint32_t bytesPerSecond) : half_(halfBytes), bytesPerSecond_(bytesPerSecond) {}
    ~SilentAudioOutput() override { stop(); }

    bool start(AudioFeeder& feeder) override;
    void stop() override;
    // Halves asked for since the start.
    uint32_t halvesFilled() const { return filled_.load(); }

private:
    void run(AudioFeeder& feeder);

    std::vector<uint8_t> half_;
    uint32_t bytesPerSecond_;
    std::atomic<bool> running_{false};
    std::atomic<uint32_t> filled_{0};
    std::thread thread_;
};

}  // namespace quorva
