#pragma once
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "ports/timed_event_queue.h"
#include "synth/audio_stream.h"
#include "synth/synth_engine.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace quorva {

// Frame i of a fill is stamped this many ms after frame 0.
inline uint32_t frameOffsetMs(uint32_t frame)
{
    return static_cast<uint32_t>(10ULL * frame / 441);
}

// The rendering side of the queue: applies the events that are due to the engine and mixes
// the frames between them. Runs on the rendering thread only.
class QueuedEngineRenderer final : public FrameRenderer {
public:
    QueuedEngineRenderer(TimedEventQueue& queue, SynthEngine& engine) : queue_(queue), engine_(engine) {}

    // Applies the events due at t, then mixes one frame.
    void renderFrame(uint32_t t, int32_t& left, int32_t& right);
    // The same as renderFrame for each frame, with runs of frames between events mixed
    // as one block.
    void renderFrames(uint32_t baseTime, MixFrame* frames, uint32_t count) override;

private:
    void applyDue(uint32_t t);
    uint32_t framesBeforeNextEvent(uint32_t baseTime, uint32_t from, uint32_t count) const;

    TimedEventQueue& queue_;
    SynthEngine& engine_;
};

// Stamps, queues and hands messages to the engine on the rendering thread, at the frame
// whose time reaches the stamp. Senders and the rendering thread share only the queue.
class SynthScheduler {
public:
    static constexpr uint32_t queueCapacity = 1000;

    SynthScheduler(AudioDevice& device, Clock& clock, SynthEngine& engine)
        : device_(device), clock_(clock), engine_(engine), renderer_(queue_, engine)
    {
    }
    ~SynthScheduler();
    SynthScheduler(const SynthScheduler&) = delete;
    SynthScheduler& operator=(const SynthScheduler&) = delete;

    bool open(uint32_t bufferMs, uint32_t voices, uint32_t levelShift, const std::string& toneFilePath);
    void close();
    bool isOpen() const { return queue_.isOpen(); }

    // The volume every stream opened from now on plays at.
    void setMasterVolume(const MasterVolume* volume) { volume_ = volume; }

    void postShort(uint32_t time, uint32_t message);
    void postCommand(uint32_t time, const std::array<uint8_t, 4>& bytes);

    void renderFrame(uint32_t t, int32_t& left, int32_t& right) { renderer_.renderFrame(t, left, right); }
    void renderFrames(uint32_t baseTime, MixFrame* frames, uint32_t count)
    {
        renderer_.renderFrames(baseTime, frames, count);
    }

    // Between frames, on the main thread: looks after the stream's device.
    std::optional<PortReport> maintain(uint32_t nowMs) { return stream_ ? stream_->maintain(nowMs) : std::nullopt; }
    // The stream, while open (for its clock); null otherwise.
    SynthStream* stream() { return stream_.get(); }
    uint32_t pendingCount() const { return queue_.size(); }

private:
    AudioDevice& device_;
    Clock& clock_;
    SynthEngine& engine_;
    TimedEventQueue queue_;
    QueuedEngineRenderer renderer_;
    std::unique_ptr<SynthStream> stream_;  // exists from open to close
    const MasterVolume* volume_ = nullptr;
};

}  // namespace quorva
