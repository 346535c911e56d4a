#pragma once
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "synth/audio_stream.h"
#include "synth/synth_engine.h"
#include "synth/synth_ring.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quorva {

// A message waiting in the synthesizer's queue, stamped with the time it was sent.
struct SynthEvent {
    uint8_t kind = 0;  // 0 short message, 1 SynthCommand
    uint32_t time = 0;
    std::array<uint8_t, 4> data{};
};
namespace synth_event {
constexpr uint8_t Short = 0;
constexpr uint8_t Command = 1;
}  // namespace synth_event

// What exists while the synthesizer is open: the pending queue, the stream and the engine.
struct SynthRenderer {
    SynthRenderer(AudioDevice& device, Clock& clock, FrameRenderer& frames, SynthEngine& engine, uint32_t levelShift)
        : stream(device, clock, frames, levelShift), engine(engine), levelShift(levelShift)
    {
    }
    SlotRing<SynthEvent> pending;
    SynthStream stream;
    SynthEngine& engine;
    uint32_t levelShift;
};

// Stamps, queues and hands messages to the engine on the rendering thread, at the frame
// whose time reaches the stamp. Senders and the rendering thread share only the queue
// and the free-record ring, both under one lock held for a push or a look-and-pop.
class SynthScheduler final : public FrameRenderer {
public:
    static constexpr uint32_t RecordCount = 1000;

    SynthScheduler(AudioDevice& device, Clock& clock, SynthEngine& engine)
        : device_(device), clock_(clock), engine_(engine)
    {
    }
    ~SynthScheduler() override;
    SynthScheduler(const SynthScheduler&) = delete;
    SynthScheduler& operator=(const SynthScheduler&) = delete;

    bool open(uint32_t bufferMs, uint32_t voices, uint32_t levelShift, const std::string& toneFilePath);
    void close();
    bool isOpen() const;

    void postShort(uint32_t time, uint32_t message);
    void postCommand(uint32_t time, const std::array<uint8_t, 4>& bytes);

    // Applies the events due at t, then mixes one frame.
    void renderFrame(uint32_t t, int32_t& left, int32_t& right);
    // The same as renderFrame for each frame, with runs of frames between events mixed
    // as one block.
    void renderFrames(uint32_t baseTime, MixFrame* frames, uint32_t count) override;

    // The stream, while open (for its clock); null otherwise.
    SynthStream* stream();
    uint32_t pendingCount() const;

private:
    void post(uint8_t kind, uint32_t time, const std::array<uint8_t, 4>& data);
    void applyDue(uint32_t t);
    uint32_t framesBeforeNextEvent(uint32_t baseTime, uint32_t from, uint32_t count) const;

    AudioDevice& device_;
    Clock& clock_;
    SynthEngine& engine_;
    mutable std::mutex lock_;
    bool accepting_ = false;  // under lock_
    std::vector<SynthEvent> records_;
    SlotRing<SynthEvent> freeRecords_;
    std::unique_ptr<SynthRenderer> renderer_;
};

// Frame i of a fill is stamped this many ms after frame 0.
inline uint32_t frameOffsetMs(uint32_t frame)
{
    return static_cast<uint32_t>(10ULL * frame / 441);
}

// a comes before b on the wrapping millisecond clock.
inline bool timeBefore(uint32_t a, uint32_t b)
{
    return static_cast<int32_t>(a - b) < 0;
}

}  // namespace quorva
