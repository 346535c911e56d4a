#include "app/fps_timer.h"

#include <numeric>

namespace quorva {

bool FpsTimer::start()
{
    lastReading_ = clock_.nowMs();
    elapsed_ = 0.0;
    deadline_ = 0.0;
    lastTime_ = 0.0;
    ringIndex_ = 0;
    const double seconds = fpsLimit_ != 0.0 ? 1.0 / fpsLimit_ : 1.0 / defaultLimit;
    ring_.fill(seconds);
    return true;
}

double FpsTimer::now()
{
    const uint32_t reading = clock_.nowMs();
    elapsed_ += static_cast<uint32_t>(reading - lastReading_);
    lastReading_ = reading;
    return elapsed_;
}

void FpsTimer::waitUntilLater(double next)
{
    for (double t = now(); t <= next; t = now()) {
        const double left = next - t;
        if (left > spinMarginMs) {
            sleeper_.sleepMs(static_cast<uint32_t>(left) - spinMarginMs + 1);
        } else {
            sleeper_.spinPause();
        }
    }
}

void FpsTimer::frame()
{
    if (fpsLimit_ != 0.0) {
        const double next = deadline_ + 1000.0 / fpsLimit_;
        waitUntilLater(next);
        deadline_ = next;
    } else {
        deadline_ = now();
    }

    const double t = now();
    const double frameMs = t - lastTime_;
    if (t > deadline_ + 100.0) {
        deadline_ = t;
        frameFactor_ = 1.0;
    } else {
        frameFactor_ = frameMs * 0.06;
    }
    frameFactorF_ = static_cast<float>(frameFactor_);

    if (ringIndex_ >= ringSize) {
        ringIndex_ = 0;
    }
    ring_[ringIndex_] = frameMs * 0.001;
    lastTime_ = t;
    ++ringIndex_;

    const double sum = std::accumulate(ring_.begin(), ring_.end(), 0.0);
    if (sum > 0.0) {
        measuredFps_ = 1.0 / (sum / ringSize);
    }
}

}  // namespace quorva
