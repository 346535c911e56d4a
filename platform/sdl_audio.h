#pragma once
#include "platform/audio_device.h"

namespace quorva {

// The sound card through SDL2's audio: the device callback is the feeder thread, and it
// asks for one half at a time. With SDL_AUDIODRIVER=disk the sound goes to a file.
class SdlAudioDevice final : public AudioDevice {
public:
    ~SdlAudioDevice() override;
    bool open(uint32_t channels, uint32_t rate, uint32_t bits) override;
    void close() override;
    bool isOpen() const override { return open_; }
    std::unique_ptr<AudioOutput> createOutput(uint32_t halfBytes) override;

private:
    bool open_ = false;
    uint32_t channels_ = 0;
    uint32_t rate_ = 0;
    uint32_t bits_ = 0;
};

}  // namespace quorva
