#pragma once
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "ports/sample_synth.h"
#include "ports/soft_synth.h"
#include "ports/timed_event_queue.h"
#include "synth/recovering_audio_output.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quorva {

// A SampleSynth played through the audio device, with the time-stamped queue between the
// senders and the audio thread. Its latency clock is the audio clock: the time of the first
// frame of the block last rendered, moved on by the system time elapsed since, at most by
// the block's length; every frame has its time (origin + frame · 1000 / rate, truncated),
// and each event is applied just before the first frame whose time reaches its stamp.
class StreamedSoftSynth final : public SoftSynth, private AudioFeeder {
public:
    // Messages waiting for the audio thread: a flood of 100,000 notes a second queues some
    // 11,000 within the port's 50 ms latency and a block, and a message that finds no room is
    // lost (a lost note off leaves its note sounding).
    static constexpr uint32_t queueCapacity = 32768;
    static constexpr uint32_t sysexBytes = 1 << 16;

    StreamedSoftSynth(std::unique_ptr<SampleSynth> synth, std::unique_ptr<AudioDevice> device, Clock& clock);
    ~StreamedSoftSynth() override;

    bool open(int32_t sampleRate, bool effects) override;
    void close() override;
    std::vector<SoftSynthPreset> presets() const override;
    uint32_t latencyClockMs() override;
    void playShort(uint32_t stampMs, uint32_t message) override;
    void playLong(uint32_t stampMs, const uint8_t* bytes, uint32_t length) override;
    std::optional<PortReport> maintain(uint32_t nowMs) override { return output_.maintain(nowMs); }

    // Frames in one rendered block: about 12 ms at every rate.
    static uint32_t blockFrames(int32_t sampleRate);
    uint32_t pendingCount() const { return queue_.size(); }
    // The time of the next frame to render (for a caller that drives the device itself).
    uint32_t renderedUntilMs() const { return originMs_ + static_cast<uint32_t>(framesRendered_ * 1000 / rate_); }
    AudioDevice& device() { return *device_; }

private:
    bool fillHalf(uint8_t* bytes, uint32_t count) override;
    // The frame (counted from the open) at which an event stamped `stamp` is due.
    int64_t dueFrame(uint32_t stamp) const;

    std::unique_ptr<SampleSynth> synth_;
    std::unique_ptr<AudioDevice> device_;
    Clock& clock_;
    TimedEventQueue queue_;
    RecoveringAudioOutput output_;
    std::vector<SoftSynthPreset> presets_;  // the collection, listed at open
    bool open_ = false;
    uint32_t rate_ = 44100;
    uint32_t originMs_ = 0;
    int64_t framesRendered_ = 0;  // audio thread only
    std::vector<uint8_t> sysex_;  // audio thread only
    std::mutex clockLock_;        // the three fields below, written by the audio thread
    uint32_t blockStartMs_ = 0;
    uint32_t blockSystemMs_ = 0;
    uint32_t blockMs_ = 0;
};

}  // namespace quorva
