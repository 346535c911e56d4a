#pragma once
#include "app/sleeper.h"
#include "platform/clock.h"

#include <array>
#include <cstdint>

namespace quorva {

// Paces the frame loop to `fpsLimit` frames per second and measures the rate it reaches.
// `frameFactorF` (the last frame's length in units of 1/60 s) drives the animations.
//
// Waiting for a deadline sleeps until `spinMarginMs` before it and spins only the rest,
// so that pacing keeps its precision without holding a whole core.
class FpsTimer {
public:
    static constexpr int ringSize = 60;
    static constexpr double defaultLimit = 60.0;
    static constexpr uint32_t spinMarginMs = 2;

    FpsTimer(Clock& clock, Sleeper& sleeper) : clock_(clock), sleeper_(sleeper) {}

    // Resets the meter; every ring entry starts as one frame at the limit.
    bool start();
    // Paces and measures one frame.
    void frame();
    void setLimit(double fps) { fpsLimit_ = fps; }

    double fpsLimit() const { return fpsLimit_; }
    double measuredFps() const { return measuredFps_; }
    double frameFactor() const { return frameFactor_; }
    float frameFactorF() const { return frameFactorF_; }
    // Time of the last paced frame, in milliseconds since start().
    double deadline() const { return deadline_; }

private:
    // The clock as a count of milliseconds since start() that does not wrap.
    double now();
    void waitUntilLater(double next);

    Clock& clock_;
    Sleeper& sleeper_;
    double fpsLimit_ = defaultLimit;
    double measuredFps_ = 0.0;
    double frameFactor_ = 1.0;
    float frameFactorF_ = 1.0f;
    std::array<double, ringSize> ring_{};
    int ringIndex_ = 0;
    double deadline_ = 0.0;
    double lastTime_ = 0.0;
    uint32_t lastReading_ = 0;
    double elapsed_ = 0.0;
};

}  // namespace quorva
