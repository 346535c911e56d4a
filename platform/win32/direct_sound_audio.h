#pragma once
#include "platform/audio_device.h"

#include <cstdint>
#include <memory>

struct HWND__;
struct IDirectSound;
struct IDirectSoundBuffer;

namespace quorva {

// The sound card through DirectSound: the primary buffer in the device's fixed format, and
// for each output a looping secondary buffer of two halves with a notification at the start
// of each half, which the output's feeder thread waits for. Where DirectSound cannot be set
// up, the outputs play through waveOut instead, in two blocks of a half each.
class DirectSoundAudioDevice final : public AudioDevice {
public:
    enum class Route : uint8_t { Closed, DirectSound, WaveOut };

    // The window DirectSound cooperates with; null: the desktop. `allowDirectSound` false
    // goes straight to waveOut (for a check of that route where DirectSound works).
    explicit DirectSoundAudioDevice(HWND__* window = nullptr, bool allowDirectSound = true)
        : window_(window), allowDirectSound_(allowDirectSound)
    {
    }
    ~DirectSoundAudioDevice() override;
    DirectSoundAudioDevice(const DirectSoundAudioDevice&) = delete;
    DirectSoundAudioDevice& operator=(const DirectSoundAudioDevice&) = delete;

    bool open(uint32_t channels, uint32_t rate, uint32_t bits) override;
    void close() override;
    bool isOpen() const override { return route_ != Route::Closed; }
    std::unique_ptr<AudioOutput> createOutput(uint32_t halfBytes) override;

    Route route() const { return route_; }
    // What the last open's DirectSound and waveOut calls returned (the first failure of each).
    int32_t directSoundResult() const { return directSoundResult_; }
    uint32_t waveOutResult() const { return waveOutResult_; }

private:
    bool openDirectSound();
    bool openWaveOut();

    HWND__* window_;
    bool allowDirectSound_;
    Route route_ = Route::Closed;
    uint32_t channels_ = 0;
    uint32_t rate_ = 0;
    uint32_t bits_ = 0;
    IDirectSound* directSound_ = nullptr;
    IDirectSoundBuffer* primary_ = nullptr;
    int32_t directSoundResult_ = 0;
    uint32_t waveOutResult_ = 0;
};

}  // namespace quorva
