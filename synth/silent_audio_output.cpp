#include "synth/silent_audio_output.h"

#include <chrono>

namespace quorva {

bool SilentAudioOutput::start(AudioFeeder& feeder)
{
    stop();
    if (half_.empty() || bytesPerSecond_ == 0) {
        return false;
    }
    filled_.store(0);
    running_.store(true);
    thread_ = std::thread([this, &feeder] { run(feeder); });
    return true;
}

void SilentAudioOutput::stop()
{
    running_.store(false);
    if (thread_.joinable()) {
        thread_.join();
    }
}

void SilentAudioOutput::run(AudioFeeder& feeder)
{
    using namespace std::chrono;
    const auto halfDuration = duration_cast<steady_clock::duration>(
        duration<double>(static_cast<double>(half_.size()) / bytesPerSecond_));
    auto deadline = steady_clock::now();
    while (running_.load()) {
        if (!feeder.fillHalf(half_.data(), static_cast<uint32_t>(half_.size()))) {
            break;
        }
        filled_.fetch_add(1);
        deadline += halfDuration;
        // Short sleeps, so that stop() never waits for a whole half.
        while (running_.load() && steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::min<steady_clock::duration>(deadline - steady_clock::now(), milliseconds(10)));
        }
    }
}

}  // namespace quorva
