#pragma once
#include "platform/audio_device.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace quorva {

class FakeAudioDevice;

// An output that plays into memory: the test (or a thread of its own) pulls halves with
// `pump`, and every byte the feeder wrote is kept in order.
class FakeAudioOutput final : public AudioOutput {
public:
    FakeAudioOutput(FakeAudioDevice& device, uint32_t halfBytes);
    ~FakeAudioOutput() override;
    bool start(AudioFeeder& feeder) override;
    void stop() override;

    bool lost() const override { return lost_.load(); }

    // Asks the feeder for `halves` halves; returns how many were filled.
    uint32_t pump(uint32_t halves);
    uint32_t halfBytes() const { return halfBytes_; }

private:
    friend class FakeAudioDevice;
    FakeAudioDevice& device_;
    uint32_t halfBytes_;
    std::mutex mutex_;
    AudioFeeder* feeder_ = nullptr;
    std::vector<uint8_t> half_;
    std::atomic<bool> lost_{false};
};

// An in-memory sound card. Its open can be made to fail; it keeps everything played.
class FakeAudioDevice final : public AudioDevice {
public:
    bool open(uint32_t channels, uint32_t rate, uint32_t bits) override;
    void close() override;
    bool isOpen() const override { return open_; }
    std::unique_ptr<AudioOutput> createOutput(uint32_t halfBytes) override;

    // Pumps the output that is currently started, if any.
    uint32_t pump(uint32_t halves);
    // The card is unplugged: the output playing is lost and plays no more (pump fills
    // nothing) until an output made after a new open starts.
    void removeDevice();
    std::vector<int16_t> samples() const;
    size_t byteCount() const;

    // Atomic: a recovering output opens the device again from a worker thread.
    std::atomic<bool> failOpen{false};
    bool failOutput = false;
    std::atomic<uint32_t> openCount{0};
    uint32_t lastHalfBytes = 0;
    uint32_t channels = 0;
    uint32_t rate = 0;
    uint32_t bits = 0;

private:
    friend class FakeAudioOutput;
    void played(const uint8_t* bytes, uint32_t count);
    void setActive(FakeAudioOutput* output);
    void forget(FakeAudioOutput* output);

    std::atomic<bool> open_{false};
    std::mutex pumpMutex_;  // keeps the active output alive while it is pumped
    mutable std::mutex mutex_;
    FakeAudioOutput* active_ = nullptr;
    std::vector<uint8_t> played_;
};

}  // namespace quorva
