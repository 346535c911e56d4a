#include "ports/sample_limiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace quorva {
namespace {

// Frames of a sine of the given peak (1.0 = full scale) on both channels, the right one
// `rightScale` times the left.
std::vector<float> sine(uint32_t frames, float peak, float rightScale = 1.0f)
{
    std::vector<float> samples(2 * frames);
    for (uint32_t i = 0; i < frames; ++i) {
        samples[2 * i] = peak * static_cast<float>(std::sin(i * 0.0628));  // 441 Hz at 44100 Hz
        samples[2 * i + 1] = samples[2 * i] * rightScale;
    }
    return samples;
}

std::vector<int16_t> convert(SampleLimiter& limiter, const std::vector<float>& in)
{
    std::vector<int16_t> out(in.size());
    limiter.convert(in.data(), out.data(), static_cast<uint32_t>(in.size() / 2));
    return out;
}

int peakOf(const std::vector<int16_t>& samples, size_t from = 0)
{
    int peak = 0;
    for (size_t i = from; i < samples.size(); ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    }
    return peak;
}

TEST(SampleLimiter, PassesMusicBelowTheCeilingHoldsPeaksUnderFullScaleAndRecovers)
{
    SampleLimiter limiter(44100);
    // Below the ceiling: unchanged, rounded to the nearest step.
    const std::vector<float> quiet = {0.5f, -0.25f, 0.000015f, -0.000016f, 0.9f, -0.9f};
    EXPECT_EQ(convert(limiter, quiet), (std::vector<int16_t>{16384, -8192, 0, -1, 29491, -29491}));
    EXPECT_FLOAT_EQ(limiter.gain(), 1.0f);

    // Four times too loud on the left, half of that on the right: no sample passes the
    // ceiling, the loudest reach it, and the right channel is lowered by the same gain.
    const auto loud = convert(limiter, sine(4410, 4.0f, 0.5f));
    EXPECT_EQ(peakOf(loud), static_cast<int>(SampleLimiter::ceiling));
    int rightPeak = 0;
    for (size_t i = 1; i < loud.size(); i += 2) {
        rightPeak = std::max(rightPeak, std::abs(static_cast<int>(loud[i])));
    }
    EXPECT_NEAR(rightPeak, SampleLimiter::ceiling / 2, 80);
    EXPECT_LT(limiter.gain(), 0.26f);

    // Afterwards the gain comes back with a time constant of 200 ms: a quiet sine is
    // lowered at first, at about 1 - e^-1 of the way back after 200 ms, and whole after 2 s.
    const auto after = convert(limiter, sine(8820, 0.5f));
    EXPECT_LT(peakOf(std::vector<int16_t>(after.begin(), after.begin() + 882)), 8000);
    EXPECT_NEAR(limiter.gain(), 1.0f - 0.75f * std::exp(-1.0f), 0.03f);
    convert(limiter, sine(88200, 0.5f));
    EXPECT_NEAR(peakOf(convert(limiter, sine(882, 0.5f))), 16384, 10);

    // A synthesizer's NaN or infinity gives a bounded sample, never a wild one.
    limiter.reset();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    for (const int16_t sample : convert(limiter, {nan, infinity, -infinity, 0.5f})) {
        EXPECT_LE(std::abs(static_cast<int>(sample)), static_cast<int>(SampleLimiter::ceiling));
    }
}

}  // namespace
}  // namespace quorva
