#pragma once
#include "ports/soft_synth.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

struct HWND__;
struct IDirectMusic;
struct IDirectMusicBuffer;
struct IDirectMusicPort;
struct IReferenceClock;

namespace quorva {

// DirectMusic's default software synthesizer with the default General MIDI collection, as
// the "[MS-SS]" port (ports/direct_music_port) drives it: messages are queued for a time of
// the port's latency clock (100-ns units there, milliseconds here).
class DirectMusicSynth final : public SoftSynth {
public:
    // The window DirectMusic's own DirectSound object cooperates with; null: the desktop.
    explicit DirectMusicSynth(HWND__* window = nullptr) : window_(window) {}
    ~DirectMusicSynth() override;
    DirectMusicSynth(const DirectMusicSynth&) = delete;
    DirectMusicSynth& operator=(const DirectMusicSynth&) = delete;

    bool open(int32_t sampleRate, bool effects) override;
    void close() override;
    std::vector<SoftSynthPreset> presets() const override { return presets_; }
    uint32_t latencyClockMs() override;
    void playShort(uint32_t stampMs, uint32_t message) override;
    void playLong(uint32_t stampMs, const uint8_t* bytes, uint32_t length) override;

    // The step at which the last open stopped ("" when it succeeded) and what it returned.
    const char* failedStep() const { return failedStep_; }
    int32_t failedResult() const { return failedResult_; }

private:
    bool fail(const char* step, int32_t result);
    bool downloadCollection();
    // The latency-clock time of `stampMs`, from the last reading of the clock.
    int64_t referenceTime(uint32_t stampMs) const;

    HWND__* window_;
    bool comInitialised_ = false;
    IDirectMusic* directMusic_ = nullptr;
    IDirectMusicPort* port_ = nullptr;
    IDirectMusicBuffer* buffer_ = nullptr;  // the short-message buffer, reused
    IReferenceClock* clock_ = nullptr;
    std::vector<SoftSynthPreset> presets_;
    std::mutex sendLock_;  // the short-message buffer is filled and played by one send at a time
    std::atomic<int64_t> lastReading_{0};
    const char* failedStep_ = "";
    int32_t failedResult_ = 0;
};

}  // namespace quorva
