#include "synth/audio_stream.h"

#include <algorithm>
#include <cstring>

namespace quorva {

namespace {
constexpr uint32_t twentyMsBytes = 3528;  // 882 frames of 4 bytes
constexpr uint32_t driftLimitMs = 25;
constexpr uint32_t extraLatencyMs = 50;
}  // namespace

AudioStream::~AudioStream()
{
    AudioStream::close();
}

uint32_t AudioStream::halfBytesFor(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t ms)
{
    const uint32_t blockAlign = channels * bits / 8;
    const uint32_t bytesPerSecond = rate * blockAlign;
    const uint32_t units = (bytesPerSecond * ms / 1000) / twentyMsBytes;
    return units * twentyMsBytes;
}

bool AudioStream::create(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t ms)
{
    close();
    half_ = halfBytesFor(channels, rate, bits, ms);
    if (half_ == 0 || !device_.isOpen()) {
        return false;
    }
    created_ = output_.create(channels, rate, bits, half_);
    return created_;
}

void AudioStream::close()
{
    stop();
    output_.reset();
    created_ = false;
}

void AudioStream::start()
{
    stop();
    if (!created_) {
        return;
    }
    running_.store(true);
    if (!output_.start(*this)) {
        running_.store(false);
    }
}

void AudioStream::stop()
{
    if (created_ && running_.load()) {
        output_.stop();
    }
    running_.store(false);
}

bool AudioStream::fillHalf(uint8_t* bytes, uint32_t count)
{
    if (fill(bytes, count)) {
        return true;
    }
    running_.store(false);
    return false;
}

SynthStream::~SynthStream()
{
    SynthStream::close();
}

bool SynthStream::open(uint32_t ms)
{
    ms_ = ms;
    if (!create(2, 44100, 16, ms)) {
        return false;
    }
    mix_.assign(half() / 4, MixFrame{});
    return true;
}

void SynthStream::close()
{
    AudioStream::close();
    mix_.clear();
    mix_.shrink_to_fit();
}

bool SynthStream::fill(uint8_t* bytes, uint32_t count)
{
    const uint32_t frames = std::min<uint32_t>(count / 4, static_cast<uint32_t>(mix_.size()));
    const uint32_t now = systemClock_.nowMs();
    // The difference is taken on the wrapping clock, so the rule holds across the wrap too.
    const int32_t drift = static_cast<int32_t>(clock_ - now);
    if (drift < -static_cast<int32_t>(driftLimitMs) || drift > static_cast<int32_t>(driftLimitMs)) {
        clock_ = now;
    }
    const uint32_t base = clock_ - ms_ - extraLatencyMs;
    renderer_.renderFrames(base, mix_.data(), frames);
    const int32_t percent = volume_ ? volume_->percent() : MasterVolume::full;
    convert(mix_.data(), frames, levelShift_, reinterpret_cast<int16_t*>(bytes), percent);
    clock_ += static_cast<uint32_t>(10ULL * frames / 441);
    return true;
}

void SynthStream::convert(const MixFrame* frames, uint32_t count, uint32_t levelShift, int16_t* out,
                          int32_t percent)
{
    const uint32_t shift = 16 - levelShift;
    auto saturate = [shift](int32_t value) {
        return static_cast<int16_t>(std::clamp<int32_t>(value >> shift, -32768, 32767));
    };
    if (percent >= MasterVolume::full) {
        for (uint32_t i = 0; i < count; ++i) {
            int16_t pair[2] = {saturate(frames[i].left), saturate(frames[i].right)};
            std::memcpy(out + 2 * i, pair, sizeof pair);
        }
        return;
    }
    // 64-bit product: the full 32-bit mix times 100 must not wrap.
    auto scaled = [percent](int32_t value) {
        return static_cast<int32_t>(static_cast<int64_t>(value) * percent / MasterVolume::full);
    };
    for (uint32_t i = 0; i < count; ++i) {
        int16_t pair[2] = {saturate(scaled(frames[i].left)), saturate(scaled(frames[i].right))};
        std::memcpy(out + 2 * i, pair, sizeof pair);
    }
}

}  // namespace quorva
