#include "synth/streamed_soft_synth.h"

#include <algorithm>

namespace quorva {

StreamedSoftSynth::StreamedSoftSynth(std::unique_ptr<SampleSynth> synth, std::unique_ptr<AudioDevice> device,
                                     Clock& clock)
    : synth_(std::move(synth)), device_(std::move(device)), clock_(clock), output_(*device_)
{
}

StreamedSoftSynth::~StreamedSoftSynth()
{
    close();
}

uint32_t StreamedSoftSynth::blockFrames(int32_t sampleRate)
{
    return sampleRate <= 11025 ? 128 : sampleRate <= 22050 ? 256 : 512;
}

bool StreamedSoftSynth::open(int32_t sampleRate, bool effects)
{
    close();
    if (sampleRate <= 0 || !device_->open(2, static_cast<uint32_t>(sampleRate), 16)) {
        return false;
    }
    open_ = true;  // from here on close() undoes what was made
    rate_ = static_cast<uint32_t>(sampleRate);
    if (!synth_->open(sampleRate, effects)) {
        close();
        return false;
    }
    presets_ = synth_->presets();  // before the audio thread plays the engine
    if (!output_.create(2, rate_, 16, blockFrames(sampleRate) * 4)) {
        close();
        return false;
    }
    sysex_.assign(sysexBytes, 0);
    framesRendered_ = 0;
    originMs_ = clock_.nowMs();
    {
        std::lock_guard guard(clockLock_);
        blockStartMs_ = blockSystemMs_ = originMs_;
        blockMs_ = 0;
    }
    queue_.open(queueCapacity, sysexBytes);
    if (!output_.start(*this)) {
        close();
        return false;
    }
    return true;
}

void StreamedSoftSynth::close()
{
    if (!open_) {
        return;
    }
    queue_.close();
    output_.reset();  // no fill runs after this
    synth_->close();
    device_->close();
    presets_.clear();
    open_ = false;
}

std::vector<SoftSynthPreset> StreamedSoftSynth::presets() const
{
    return presets_;
}

uint32_t StreamedSoftSynth::latencyClockMs()
{
    const uint32_t now = clock_.nowMs();
    std::lock_guard guard(clockLock_);
    const auto elapsed = static_cast<int32_t>(now - blockSystemMs_);
    return blockStartMs_ + static_cast<uint32_t>(std::clamp<int32_t>(elapsed, 0, static_cast<int32_t>(blockMs_)));
}

void StreamedSoftSynth::playShort(uint32_t stampMs, uint32_t message)
{
    queue_.push(TimedEventKind::Short, stampMs, unpackedData(message));
}

void StreamedSoftSynth::playLong(uint32_t stampMs, const uint8_t* bytes, uint32_t length)
{
    queue_.pushSysex(stampMs, bytes, length);
}

int64_t StreamedSoftSynth::dueFrame(uint32_t stamp) const
{
    // Milliseconds since the origin, taken relative to the current block so the wrap of the
    // 32-bit clock does not matter.
    const int64_t blockStartRel = framesRendered_ * 1000 / rate_;
    const uint32_t blockStart = originMs_ + static_cast<uint32_t>(blockStartRel);
    const int64_t rel = blockStartRel + static_cast<int32_t>(stamp - blockStart);
    // The first frame f with trunc(f * 1000 / rate) >= rel.
    return rel <= 0 ? 0 : (rel * rate_ + 999) / 1000;
}

bool StreamedSoftSynth::fillHalf(uint8_t* bytes, uint32_t count)
{
    const uint32_t frames = count / 4;
    {
        std::lock_guard guard(clockLock_);
        blockStartMs_ = originMs_ + static_cast<uint32_t>(framesRendered_ * 1000 / rate_);
        blockSystemMs_ = clock_.nowMs();
        // Taken from the frame times at both ends, so the blocks' lengths add up exactly.
        blockMs_ = static_cast<uint32_t>((framesRendered_ + frames) * 1000 / rate_ - framesRendered_ * 1000 / rate_);
    }
    auto* out = reinterpret_cast<int16_t*>(bytes);
    uint32_t done = 0;
    while (done < frames) {
        TimedEvent event;
        const uint32_t frameTime = originMs_ + static_cast<uint32_t>((framesRendered_ + done) * 1000 / rate_);
        while (queue_.popDue(frameTime, event, sysex_.data())) {
            if (event.kind == TimedEventKind::Sysex) {
                synth_->handleSysex(sysex_.data(), event.length);
            } else {
                synth_->handleShort(packedData(event));
            }
        }
        uint32_t run = frames - done;
        if (const auto next = queue_.nextTime()) {
            const int64_t due = dueFrame(*next) - framesRendered_;
            run = static_cast<uint32_t>(std::clamp<int64_t>(due - done, 1, run));
        }
        synth_->render(out + 2 * done, run);
        done += run;
    }
    framesRendered_ += frames;
    return true;
}

}  // namespace quorva
