#include "synth/synth_scheduler.h"

#include "synth/synth_cpu.h"

#include <algorithm>

namespace quorva {

void QueuedEngineRenderer::applyDue(uint32_t t)
{
    TimedEvent event;
    while (queue_.popDue(t, event)) {
        if (event.kind == TimedEventKind::Command) {
            engine_.handleCommand(
                SynthCommand{static_cast<SynthCommandKind>(event.data[0]), event.data[1], event.data[2], event.data[3]});
        } else if (event.kind == TimedEventKind::Short) {
            engine_.handleMessage(packedData(event));
        }
    }
}

void QueuedEngineRenderer::renderFrame(uint32_t t, int32_t& left, int32_t& right)
{
    applyDue(t);
    engine_.mixSample(left, right);
}

uint32_t QueuedEngineRenderer::framesBeforeNextEvent(uint32_t baseTime, uint32_t from, uint32_t count) const
{
    const auto nextTime = queue_.nextTime();
    if (!nextTime) {
        return count - from;
    }
    // The first frame j with baseTime + trunc(10 j / 441) reaching nextTime.
    const int64_t distance = static_cast<int32_t>(*nextTime - baseTime);
    if (distance <= 0) {
        return 1;
    }
    const int64_t due = (441 * distance + 9) / 10;
    if (due <= from) {
        return 1;
    }
    return static_cast<uint32_t>(std::min<int64_t>(due, count) - from);
}

void QueuedEngineRenderer::renderFrames(uint32_t baseTime, MixFrame* frames, uint32_t count)
{
    uint32_t i = 0;
    while (i < count) {
        applyDue(baseTime + frameOffsetMs(i));
        const uint32_t run = framesBeforeNextEvent(baseTime, i, count);
        engine_.mixBlock(frames + i, run);
        i += run;
    }
}

SynthScheduler::~SynthScheduler()
{
    close();
}

bool SynthScheduler::open(uint32_t bufferMs, uint32_t voices, uint32_t levelShift, const std::string& toneFilePath)
{
    close();
    if (!processorSupportsSynth() || !device_.isOpen()) {
        return false;
    }
    stream_ = std::make_unique<SynthStream>(device_, clock_, renderer_, levelShift);
    stream_->setMasterVolume(volume_);
    if (!stream_->open(bufferMs) || !engine_.open(voices, toneFilePath)) {
        return false;
    }
    queue_.open(queueCapacity);
    stream_->start();
    return true;
}

void SynthScheduler::close()
{
    queue_.close();
    if (!stream_) {
        return;
    }
    // The stream joins the feeder thread, so nothing renders after this.
    stream_->close();
    engine_.close();
    stream_.reset();
}

void SynthScheduler::postShort(uint32_t time, uint32_t message)
{
    queue_.push(TimedEventKind::Short, time, unpackedData(message));
}

void SynthScheduler::postCommand(uint32_t time, const std::array<uint8_t, 4>& bytes)
{
    if (bytes[0] == 0) {
        return;
    }
    queue_.push(TimedEventKind::Command, time, bytes);
}

}  // namespace quorva
