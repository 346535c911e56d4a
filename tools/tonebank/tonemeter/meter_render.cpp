#include "tools/tonebank/tonemeter/meter_render.h"

#include "synth/audio_stream.h"

#include <algorithm>
#include <cmath>

namespace quorva::tonemeter {

namespace {
constexpr uint32_t blockFrames = 1024;
constexpr double fullScale = 32768.0;
}  // namespace

double toDb(double magnitude)
{
    if (magnitude <= 0.0) {
        return Levels::silentDb;
    }
    return 20.0 * std::log10(magnitude / fullScale);
}

void LevelCounter::add(const int16_t* samples, uint64_t count)
{
    for (uint64_t i = 0; i < count; ++i) {
        const int32_t value = samples[i];
        sumSquares_ += static_cast<double>(value) * value;
        peak_ = std::max(peak_, std::abs(value));
        if (value == 32767 || value == -32768) {
            ++clipped_;
        }
    }
    samples_ += count;
}

Levels LevelCounter::levels() const
{
    Levels result;
    result.samples = samples_;
    result.clipped = clipped_;
    result.peakDb = toDb(peak_);
    result.rmsDb = samples_ ? toDb(std::sqrt(sumSquares_ / static_cast<double>(samples_))) : Levels::silentDb;
    return result;
}

uint32_t packMessage(uint8_t status, uint8_t data1, uint8_t data2)
{
    return static_cast<uint32_t>(status) | (static_cast<uint32_t>(data1) << 8) | (static_cast<uint32_t>(data2) << 16);
}

uint32_t secondsToFrames(double seconds)
{
    return static_cast<uint32_t>(std::lround(seconds * sampleRate));
}

bool MeterRender::open(const std::string& toneFilePath, uint32_t voices, uint32_t levelShift)
{
    levelShift_ = levelShift;
    mix_.assign(blockFrames, MixFrame{});
    pcm_.assign(blockFrames * 2, 0);
    return synth_->open(voices, toneFilePath);
}

void MeterRender::reset()
{
    SynthCommand command;
    command.command = SynthCommandKind::ResetAll;
    synth_->handleCommand(command);
}

void MeterRender::render(uint32_t frames, LevelCounter& counter)
{
    while (frames > 0) {
        const uint32_t count = std::min(frames, blockFrames);
        synth_->mixBlock(mix_.data(), count);
        SynthStream::convert(mix_.data(), count, levelShift_, pcm_.data());
        counter.add(pcm_.data(), 2ULL * count);
        frames -= count;
    }
}

void MeterRender::renderMono(uint32_t frames, std::vector<float>& out)
{
    while (frames > 0) {
        const uint32_t count = std::min(frames, blockFrames);
        synth_->mixBlock(mix_.data(), count);
        SynthStream::convert(mix_.data(), count, levelShift_, pcm_.data());
        for (uint32_t i = 0; i < count; ++i) {
            out.push_back(static_cast<float>((pcm_[2 * i] + pcm_[2 * i + 1]) / (2.0 * fullScale)));
        }
        frames -= count;
    }
}

bool MeterRender::settle(uint32_t limitFrames)
{
    LevelCounter ignored;
    for (uint32_t done = 0; synth_->sounding(); done += blockFrames) {
        if (done >= limitFrames) {
            return false;
        }
        render(blockFrames, ignored);
    }
    return true;
}

Levels MeterRender::play(const std::vector<TimedMessage>& script, uint32_t totalFrames)
{
    LevelCounter counter;
    uint32_t now = 0;
    for (const TimedMessage& event : script) {
        const uint32_t due = std::min(event.frame, totalFrames);
        if (due > now) {
            render(due - now, counter);
            now = due;
        }
        send(event.message);
    }
    if (totalFrames > now) {
        render(totalFrames - now, counter);
    }
    return counter.levels();
}

}  // namespace quorva::tonemeter
