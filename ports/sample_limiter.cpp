#include "ports/sample_limiter.h"

#include <algorithm>
#include <cmath>

namespace quorva {
namespace {

// The bounds catch only rounding at the ceiling (fmax and fmin also turn a NaN into a bound).
int16_t toSample(float value)
{
    return static_cast<int16_t>(std::lrint(std::fmin(std::fmax(value, -SampleLimiter::ceiling), SampleLimiter::ceiling)));
}

}  // namespace

SampleLimiter::SampleLimiter(int32_t sampleRate)
    : release_(static_cast<float>(1.0 - std::exp(-1.0 / (0.2 * std::max(sampleRate, 1)))))
{
}

void SampleLimiter::convert(const float* in, int16_t* out, uint32_t count)
{
    constexpr float fullScale = 32768.0f;
    for (uint32_t i = 0; i < 2 * count; i += 2) {
        const float left = in[i] * fullScale;
        const float right = in[i + 1] * fullScale;
        gain_ += (1.0f - gain_) * release_;
        const float peak = std::max(std::fabs(left), std::fabs(right)) * gain_;
        if (peak > ceiling) {
            gain_ *= ceiling / peak;
        }
        out[i] = toSample(left * gain_);
        out[i + 1] = toSample(right * gain_);
    }
}

}  // namespace quorva
