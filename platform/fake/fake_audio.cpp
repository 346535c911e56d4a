#include "platform/fake/fake_audio.h"

#include <cstring>

namespace quorva {

FakeAudioOutput::FakeAudioOutput(FakeAudioDevice& device, uint32_t halfBytes)
    : device_(device), halfBytes_(halfBytes), half_(halfBytes)
{
}

FakeAudioOutput::~FakeAudioOutput()
{
    stop();
    device_.forget(this);
}

bool FakeAudioOutput::start(AudioFeeder& feeder)
{
    {
        std::lock_guard lock(mutex_);
        feeder_ = &feeder;
    }
    device_.setActive(this);
    // The prefill of the first half, as a real output does before it starts playing.
    pump(1);
    return true;
}

void FakeAudioOutput::stop()
{
    std::lock_guard lock(mutex_);
    feeder_ = nullptr;
}

uint32_t FakeAudioOutput::pump(uint32_t halves)
{
    uint32_t filled = 0;
    for (uint32_t i = 0; i < halves; ++i) {
        std::lock_guard lock(mutex_);
        if (!feeder_) {
            break;
        }
        std::memset(half_.data(), 0, half_.size());
        if (!feeder_->fillHalf(half_.data(), halfBytes_)) {
            feeder_ = nullptr;
            break;
        }
        device_.played(half_.data(), halfBytes_);
        ++filled;
    }
    return filled;
}

bool FakeAudioDevice::open(uint32_t channelCount, uint32_t sampleRate, uint32_t bitDepth)
{
    ++openCount;
    if (failOpen) {
        return false;
    }
    channels = channelCount;
    rate = sampleRate;
    bits = bitDepth;
    open_ = true;
    return true;
}

void FakeAudioDevice::close()
{
    open_ = false;
}

std::unique_ptr<AudioOutput> FakeAudioDevice::createOutput(uint32_t halfBytes)
{
    if (!open_ || failOutput) {
        return nullptr;
    }
    lastHalfBytes = halfBytes;
    return std::make_unique<FakeAudioOutput>(*this, halfBytes);
}

void FakeAudioDevice::removeDevice()
{
    std::lock_guard lock(pumpMutex_);
    if (active_) {
        active_->lost_.store(true);
        active_ = nullptr;
    }
}

uint32_t FakeAudioDevice::pump(uint32_t halves)
{
    std::lock_guard lock(pumpMutex_);
    return active_ ? active_->pump(halves) : 0;
}

std::vector<int16_t> FakeAudioDevice::samples() const
{
    std::lock_guard lock(mutex_);
    std::vector<int16_t> result(played_.size() / 2);
    std::memcpy(result.data(), played_.data(), result.size() * 2);
    return result;
}

size_t FakeAudioDevice::byteCount() const
{
    std::lock_guard lock(mutex_);
    return played_.size();
}

void FakeAudioDevice::played(const uint8_t* bytes, uint32_t count)
{
    std::lock_guard lock(mutex_);
    played_.insert(played_.end(), bytes, bytes + count);
}

void FakeAudioDevice::setActive(FakeAudioOutput* output)
{
    std::lock_guard lock(pumpMutex_);
    active_ = output;
}

void FakeAudioDevice::forget(FakeAudioOutput* output)
{
    std::lock_guard lock(pumpMutex_);
    if (active_ == output) {
        active_ = nullptr;
    }
}

}  // namespace quorva
