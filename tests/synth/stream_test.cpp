#include "synth/audio_stream.h"

#include "platform/fake/fake_audio.h"
#include "platform/manual_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace quorva {
namespace {

// Records the base time of each render call and fills frames with their index.
class StampingRenderer final : public FrameRenderer {
public:
    void renderFrames(uint32_t baseTime, MixFrame* frames, uint32_t count) override
    {
        bases.push_back(baseTime);
        for (uint32_t i = 0; i < count; ++i) {
            frames[i] = {value, -value};
        }
    }
    std::vector<uint32_t> bases;
    int32_t value = 0;
};

TEST(AudioStream, HalvesAreTheBufferTimeRoundedDownToTwentyMilliseconds)
{
    EXPECT_EQ(AudioStream::halfBytesFor(2, 44100, 16, 50), 7056u);
    EXPECT_EQ(AudioStream::halfBytesFor(2, 44100, 16, 75), 3528u * 3);
    EXPECT_EQ(AudioStream::halfBytesFor(2, 44100, 16, 100), 3528u * 5);
    EXPECT_EQ(AudioStream::halfBytesFor(2, 44100, 16, 150), 3528u * 7);
    EXPECT_EQ(AudioStream::halfBytesFor(2, 44100, 16, 200), 3528u * 10);

    FakeAudioDevice device;
    ManualClock clock(5000);
    StampingRenderer renderer;
    SynthStream stream(device, clock, renderer, 6);
    EXPECT_FALSE(stream.open(50));  // device closed
    ASSERT_TRUE(device.open(2, 44100, 16));
    ASSERT_TRUE(stream.open(50));
    EXPECT_EQ(device.lastHalfBytes, 7056u);
}

// The master volume scales the mix before the shift: at 100 % every sample is today's, bit
// for bit; below, amplitude = percent / 100, saturating only after the scaling.
TEST(AudioStream, MasterVolumeScalesTheMixAndLeavesFullVolumeBitIdentical)
{
    std::vector<MixFrame> mix;
    for (int32_t i = -3000; i < 3000; ++i) {
        // Up to 2^31, beyond 16 bits after the shift; the low ten bits set, just under the next
        // step of the shift, so that any rounding on the way changes the sample.
        mix.push_back({(i * 700001) | 1023, (-i * 650003) | 1023});
    }
    mix.push_back({std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()});
    const auto count = static_cast<uint32_t>(mix.size());
    std::vector<int16_t> today, full(2 * mix.size()), half(2 * mix.size()), silent(2 * mix.size());
    for (const MixFrame& frame : mix) {
        for (const int32_t value : {frame.left, frame.right}) {
            today.push_back(static_cast<int16_t>(std::clamp<int32_t>(value >> 10, -32768, 32767)));
        }
    }
    SynthStream::convert(mix.data(), count, 6, full.data(), 100);
    SynthStream::convert(mix.data(), count, 6, half.data(), 50);
    SynthStream::convert(mix.data(), count, 6, silent.data(), 0);
    EXPECT_EQ(full, today);
    EXPECT_EQ(silent, std::vector<int16_t>(silent.size(), 0));
    for (size_t i = 0; i < mix.size(); ++i) {
        const int32_t left = i % 2 == 0 ? mix[i].left : mix[i].right;
        const int32_t expected = std::clamp<int32_t>(static_cast<int32_t>(int64_t{left} * 50 / 100) >> 10, -32768, 32767);
        ASSERT_EQ(half[2 * i + (i % 2)], expected) << i;
    }
    // The loudest mix, saturated at full volume, is still over the top at half volume.
    EXPECT_EQ(half[half.size() - 2], 32767);
    EXPECT_EQ(half.back(), -32768);
}

TEST(AudioStream, ConversionShiftsBySixteenMinusLevelShiftAndSaturates)
{
    const MixFrame frames[] = {{std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()},
                               {9652608, -9652608},
                               {-1, 1023}};
    int16_t out[6] = {};
    SynthStream::convert(frames, 3, 8, out);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
    SynthStream::convert(frames, 3, 6, out);
    EXPECT_EQ(out[2], 9426);  // the level of one full voice on a default channel
    EXPECT_EQ(out[3], -9427);
    EXPECT_EQ(out[4], -1);  // arithmetic shift
    EXPECT_EQ(out[5], 0);
}

TEST(AudioStream, ClockFollowsSystemTimeOnlyWhenDriftExceedsTwentyFiveMs)
{
    FakeAudioDevice device;
    ManualClock clock(100000);
    StampingRenderer renderer;
    SynthStream stream(device, clock, renderer, 6);
    ASSERT_TRUE(device.open(2, 44100, 16));
    ASSERT_TRUE(stream.open(100));  // halves of 100 ms, 4410 frames
    stream.start();                  // prefill: clock jumps to the system time
    ASSERT_EQ(renderer.bases.size(), 1u);
    EXPECT_EQ(renderer.bases[0], 100000u - 150);
    EXPECT_EQ(stream.clock(), 100100u);

    clock.set(100120);  // 20 ms of drift: left alone
    device.pump(1);
    EXPECT_EQ(renderer.bases[1], 100100u - 150);
    EXPECT_EQ(stream.clock(), 100200u);

    clock.set(100230);  // 30 ms late: the clock jumps
    device.pump(1);
    EXPECT_EQ(renderer.bases[2], 100230u - 150);
    EXPECT_EQ(stream.clock(), 100330u);

    // Across the wrap of the millisecond clock a small drift is still left alone.
    clock.set(0xFFFFFF8Cu);
    device.pump(1);
    EXPECT_EQ(stream.clock(), 0xFFFFFFF0u);
    clock.set(4);  // 20 ms ahead, past the wrap
    device.pump(1);
    EXPECT_EQ(renderer.bases.back(), 0xFFFFFFF0u - 150);
    EXPECT_EQ(stream.clock(), 0xFFFFFFF0u + 100);
    stream.stop();
    EXPECT_FALSE(stream.running());
    EXPECT_EQ(device.pump(1), 0u);

    // A restart prefills the first half again.
    stream.start();
    EXPECT_TRUE(stream.running());
    EXPECT_EQ(renderer.bases.size(), 6u);
}

TEST(AudioStream, PlaysConvertedFramesLeftThenRight)
{
    FakeAudioDevice device;
    ManualClock clock(0);
    StampingRenderer renderer;
    renderer.value = 1 << 20;
    SynthStream stream(device, clock, renderer, 4);
    ASSERT_TRUE(device.open(2, 44100, 16));
    ASSERT_TRUE(stream.open(50));
    stream.start();
    device.pump(1);
    const auto samples = device.samples();
    ASSERT_EQ(samples.size(), 2u * 1764 * 2);
    EXPECT_EQ(samples[0], 256);  // 2^20 >> 12
    EXPECT_EQ(samples[1], -256);
    EXPECT_EQ(samples.back(), -256);
}

}  // namespace
}  // namespace quorva
