#pragma once
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "ports/master_volume.h"
#include "synth/recovering_audio_output.h"
#include "synth/synth_engine.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quorva {

// A looping output buffer of two halves that the device's feeder thread refills, one half
// at a time, through `fill`. A device that goes away is replaced as RecoveringAudioOutput
// says, while the stream plays on.
class AudioStream : public AudioFeeder {
public:
    explicit AudioStream(AudioDevice& device) : device_(device), output_(device) {}
    ~AudioStream() override;
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    // Each half holds ms rounded down to a multiple of 20 ms. False when the device is
    // closed or refuses the buffer.
    bool create(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t ms);
    virtual void close();
    // Stops first; then prefills the first half and plays.
    void start();
    // Returns once the feeder thread has left `fill`.
    void stop();
    bool running() const { return running_.load(); }
    uint32_t half() const { return half_; }
    // Between frames, on the main thread: looks after a lost device.
    std::optional<PortReport> maintain(uint32_t nowMs) { return output_.maintain(nowMs); }

    bool fillHalf(uint8_t* bytes, uint32_t count) final;
    // The base writes nothing.
    virtual bool fill(uint8_t* bytes, uint32_t count) { return true; }

    static uint32_t halfBytesFor(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t ms);

private:
    AudioDevice& device_;
    RecoveringAudioOutput output_;
    bool created_ = false;
    std::atomic<bool> running_{false};
    uint32_t half_ = 0;
};

// Renders frames for the stream: frame i of a call is stamped baseTime + trunc(10 i / 441) ms.
class FrameRenderer {
public:
    virtual ~FrameRenderer() = default;
    virtual void renderFrames(uint32_t baseTime, MixFrame* frames, uint32_t count) = 0;
};

// The stream that plays the synthesizer. Its own millisecond clock follows the system
// time while the two stay within 25 ms of each other; each frame is rendered for the time
// ms + 50 before the clock, so events play that long after they were stamped.
class SynthStream final : public AudioStream {
public:
    SynthStream(AudioDevice& device, Clock& clock, FrameRenderer& renderer, uint32_t levelShift)
        : AudioStream(device), systemClock_(clock), renderer_(renderer), levelShift_(levelShift)
    {
    }
    ~SynthStream() override;

    bool open(uint32_t ms);
    void close() override;
    bool fill(uint8_t* bytes, uint32_t count) override;

    uint32_t clock() const { return clock_; }
    void setClock(uint32_t ms) { clock_ = ms; }
    // The volume the stream plays at, read at each fill; without one it plays at full.
    void setMasterVolume(const MasterVolume* volume) { volume_ = volume; }

    // The 32-bit mix scaled by percent / 100, shifted right by 16 - levelShift and saturated
    // to 16 bits; at 100 % the mix is not scaled at all.
    static void convert(const MixFrame* frames, uint32_t count, uint32_t levelShift, int16_t* out,
                        int32_t percent = MasterVolume::full);

private:
    Clock& systemClock_;
    FrameRenderer& renderer_;
    uint32_t levelShift_;
    uint32_t ms_ = 0;
    std::vector<MixFrame> mix_;
    uint32_t clock_ = 0;  // touched only by the feeder thread once started
    const MasterVolume* volume_ = nullptr;
};

}  // namespace quorva
