#include "synth/recovering_audio_output.h"

namespace quorva {

bool RecoveringAudioOutput::create(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t halfBytes)
{
    reset();
    channels_ = channels;
    rate_ = rate;
    bits_ = bits;
    halfBytes_ = halfBytes;
    output_ = device_.createOutput(halfBytes);
    return output_ != nullptr;
}

bool RecoveringAudioOutput::start(AudioFeeder& feeder)
{
    stop();
    feeder_ = &feeder;
    AudioOutput* playing = output_ ? static_cast<AudioOutput*>(output_.get()) : standIn_.get();
    started_ = playing != nullptr && playing->start(feeder);
    return started_;
}

void RecoveringAudioOutput::stop()
{
    worker_.drain();
    if (output_) {
        output_->stop();
    }
    if (standIn_) {
        standIn_->stop();
    }
    started_ = false;
}

void RecoveringAudioOutput::reset()
{
    stop();
    output_.reset();
    standIn_.reset();
    state_ = State::Playing;
    recovering_ = false;
    attempts_ = 0;
}

void RecoveringAudioOutput::post(std::function<void()> job)
{
    worker_.post(std::move(job));
}

std::optional<PortReport> RecoveringAudioOutput::maintain(uint32_t nowMs)
{
    if (!started_ || worker_.busy()) {
        return std::nullopt;
    }
    switch (state_) {
    case State::Playing:
        if (output_ && output_->lost()) {
            state_ = State::Reopening;
            recovering_ = true;
            attempts_ = 0;
            nextAttemptMs_ = nowMs + retryMs;
            post([this] { replaceLostOutput(); });
            return PortReport{"the audio device is gone: trying to open the default device again, once a second", false};
        }
        break;
    case State::Reopening:
        if (reopened_.exchange(false)) {
            state_ = State::Playing;
            recovering_ = false;
            return PortReport{"sound is back on the default audio device", false};
        }
        if (static_cast<int32_t>(nowMs - nextAttemptMs_) < 0) {
            break;
        }
        if (attempts_ == maxAttempts) {
            state_ = State::GaveUp;
            return PortReport{"no audio device could be opened: the song goes on without sound", false};
        }
        ++attempts_;
        nextAttemptMs_ = nowMs + retryMs;
        post([this] { tryReopen(); });
        break;
    case State::GaveUp: break;
    }
    return std::nullopt;
}

void RecoveringAudioOutput::replaceLostOutput()
{
    output_->stop();
    output_.reset();
    device_.close();
    standIn_ = std::make_unique<SilentAudioOutput>(halfBytes_, rate_ * channels_ * bits_ / 8);
    standIn_->start(*feeder_);
}

void RecoveringAudioOutput::tryReopen()
{
    if (!device_.open(channels_, rate_, bits_)) {
        return;
    }
    auto output = device_.createOutput(halfBytes_);
    if (!output) {
        device_.close();
        return;
    }
    // One feeder thread at a time: the stand-in stops before the device's output starts.
    standIn_->stop();
    if (!output->start(*feeder_)) {
        standIn_->start(*feeder_);
        device_.close();
        return;
    }
    standIn_.reset();
    output_ = std::move(output);
    reopened_.store(true);
}

}  // namespace quorva
