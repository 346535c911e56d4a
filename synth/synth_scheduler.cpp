#include "synth/synth_scheduler.h"

#include "synth/synth_cpu.h"

#include <algorithm>

namespace quorva {

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
    {
        std::lock_guard lock(lock_);
        renderer_ = std::make_unique<SynthRenderer>(device_, clock_, *this, engine_, levelShift);
        records_.assign(RecordCount, SynthEvent{});
        freeRecords_.fillFree(records_.data(), RecordCount);
        renderer_->pending.reset(RecordCount);
    }
    if (!renderer_->stream.open(bufferMs) || !engine_.open(voices, toneFilePath)) {
        return false;
    }
    {
        std::lock_guard lock(lock_);
        accepting_ = true;
    }
    renderer_->stream.start();
    return true;
}

void SynthScheduler::close()
{
    {
        std::lock_guard lock(lock_);
        accepting_ = false;
        if (!renderer_) {
            return;
        }
    }
    // The stream joins the feeder thread, so nothing renders after this.
    renderer_->stream.close();
    engine_.close();
    std::lock_guard lock(lock_);
    renderer_.reset();
}

bool SynthScheduler::isOpen() const
{
    std::lock_guard lock(lock_);
    return accepting_;
}

SynthStream* SynthScheduler::stream()
{
    std::lock_guard lock(lock_);
    return renderer_ ? &renderer_->stream : nullptr;
}

uint32_t SynthScheduler::pendingCount() const
{
    std::lock_guard lock(lock_);
    return renderer_ ? renderer_->pending.size() : 0;
}

void SynthScheduler::postShort(uint32_t time, uint32_t message)
{
    const std::array<uint8_t, 4> data = {static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8), static_cast<uint8_t>(message >> 16),
            static_cast<uint8_t>(message >> 24)};
    post(synth_event::Short, time, data);
}

void SynthScheduler::postCommand(uint32_t time, const std::array<uint8_t, 4>& bytes)
{
    if (bytes[0] == 0) {
        return;
    }
    post(synth_event::Command, time, bytes);
}

void SynthScheduler::post(uint8_t kind, uint32_t time, const std::array<uint8_t, 4>& data)
{
    std::lock_guard lock(lock_);
    if (!accepting_) {
        return;
    }
    SynthEvent* record = freeRecords_.take();
    if (!record) {
        return;  // every record is waiting: dropped until the renderer catches up
    }
    record->kind = kind;
    record->time = time;
    record->data = data;
    renderer_->pending.push(record);
}

void SynthScheduler::applyDue(uint32_t t)
{
    for (;;) {
        SynthEvent event;
        {
            std::lock_guard lock(lock_);
            SynthEvent* next = renderer_ ? renderer_->pending.peek() : nullptr;
            if (!next || timeBefore(t, next->time)) {
                return;
            }
            renderer_->pending.pop();
            event = *next;
            freeRecords_.give(next);
        }
        if (event.kind == synth_event::Command) {
            engine_.handleCommand(SynthCommand{event.data[0], event.data[1], event.data[2], event.data[3]});
        } else {
            engine_.handleMessage(static_cast<uint32_t>(event.data[0]) | static_cast<uint32_t>(event.data[1]) << 8 |
                                  static_cast<uint32_t>(event.data[2]) << 16 |
                                  static_cast<uint32_t>(event.data[3]) << 24);
        }
    }
}

void SynthScheduler::renderFrame(uint32_t t, int32_t& left, int32_t& right)
{
    applyDue(t);
    engine_.mixSample(left, right);
}

uint32_t SynthScheduler::framesBeforeNextEvent(uint32_t baseTime, uint32_t from, uint32_t count) const
{
    uint32_t nextTime = 0;
    {
        std::lock_guard lock(lock_);
        const SynthEvent* next = renderer_ ? renderer_->pending.peek() : nullptr;
        if (!next) {
            return count - from;
        }
        nextTime = next->time;
    }
    // The first frame j with baseTime + trunc(10 j / 441) reaching nextTime.
    const int64_t distance = static_cast<int32_t>(nextTime - baseTime);
    if (distance <= 0) {
        return 1;
    }
    const int64_t due = (441 * distance + 9) / 10;
    if (due <= from) {
        return 1;
    }
    return static_cast<uint32_t>(std::min<int64_t>(due, count) - from);
}

void SynthScheduler::renderFrames(uint32_t baseTime, MixFrame* frames, uint32_t count)
{
    uint32_t i = 0;
    while (i < count) {
        applyDue(baseTime + frameOffsetMs(i));
        const uint32_t run = framesBeforeNextEvent(baseTime, i, count);
        engine_.mixBlock(frames + i, run);
        i += run;
    }
}

}  // namespace quorva
