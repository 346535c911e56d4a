#pragma once
#include "platform/audio_device.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace quorva {

// An output through waveOut: two blocks of a half each, always both queued; the feeder
// thread refills a block as soon as the device has played it.
class WaveOutOutput final : public AudioOutput {
public:
    // Null when the device cannot be opened in the format.
    static std::unique_ptr<WaveOutOutput> open(const WAVEFORMATEX& format, uint32_t halfBytes);
    // Takes the open device and the two auto-reset events; `done` is the device's callback.
    WaveOutOutput(HWAVEOUT device, HANDLE done, HANDLE stop, uint32_t halfBytes);
    ~WaveOutOutput() override;
    WaveOutOutput(const WaveOutOutput&) = delete;
    WaveOutOutput& operator=(const WaveOutOutput&) = delete;

    bool start(AudioFeeder& feeder) override;
    void stop() override;

private:
    struct Block {
        WAVEHDR header{};
        std::vector<uint8_t> bytes;
    };

    void feed(AudioFeeder& feeder);
    // False when the feeder ended the sound.
    bool play(AudioFeeder& feeder, Block& block);

    HWAVEOUT device_;
    HANDLE done_;  // signalled by the device whenever it has played a block
    HANDLE stop_;
    std::array<Block, 2> blocks_;
    std::thread thread_;
};

}  // namespace quorva
