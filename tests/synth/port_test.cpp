#include "synth/fm_synth_port.h"

#include "platform/fake/fake_audio.h"
#include "platform/manual_clock.h"
#include "synth/fm_synth.h"
#include "synth_recording_engine.h"
#include "synth_tones.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace quorva {
namespace {

using testing::RecordingEngine;

struct PortRig {
    FakeAudioDevice device;
    ManualClock clock{10000};
    RecordingEngine* engine = nullptr;
    std::unique_ptr<FmSynthPort> port;

    PortRig()
    {
        auto owned = std::make_unique<RecordingEngine>();
        engine = owned.get();
        port = std::make_unique<FmSynthPort>(device, clock, std::move(owned), "tones.dat");
    }
    // Plays one half as the sound card would: the system time is where the stream expects.
    void pumpHalf()
    {
        clock.set(port->scheduler().stream()->clock());
        device.pump(1);
    }
};

TEST(FmSynthPort, OpensTheDeviceThenTheEngineAndStartsPlaying)
{
    PortRig rig;
    ASSERT_TRUE(rig.port->openSynth(100, 24, 6));
    EXPECT_EQ(rig.device.channels, 2u);
    EXPECT_EQ(rig.device.rate, 44100u);
    EXPECT_EQ(rig.device.bits, 16u);
    EXPECT_EQ(rig.engine->openedVoices, 24u);
    EXPECT_EQ(rig.engine->openedPath, "tones.dat");
    EXPECT_EQ(rig.engine->frames, 4410u);  // the prefill
    EXPECT_EQ(rig.port->clockMs(), 10000u);

    // Opening again closes the old stream and engine first.
    ASSERT_TRUE(rig.port->openSynth(50, 8, 4));
    EXPECT_EQ(rig.engine->closeCount, 1);
    EXPECT_EQ(rig.engine->openCount, 2);
    rig.port->close();
    EXPECT_FALSE(rig.device.isOpen());
    EXPECT_EQ(rig.engine->closeCount, 2);
}

TEST(FmSynthPort, OwnsItsDeviceWhenGivenOne)
{
    ManualClock clock(5);
    auto device = std::make_unique<FakeAudioDevice>();
    FakeAudioDevice& fake = *device;
    FmSynthPort port(std::move(device), clock, std::make_unique<RecordingEngine>(), "x.dat");
    ASSERT_TRUE(port.openSynth(50, 8, 6));
    EXPECT_TRUE(fake.isOpen());
    EXPECT_EQ(fake.byteCount(), 7056u);
}

TEST(FmSynthPort, OpeningFailsWithoutDeviceOrTonesAndLeavesNothingPlaying)
{
    PortRig noDevice;
    noDevice.device.failOpen = true;
    EXPECT_FALSE(noDevice.port->openSynth(100, 24, 6));
    EXPECT_EQ(noDevice.engine->openCount, 0);

    PortRig noTones;
    noTones.engine->failOpen = true;
    EXPECT_FALSE(noTones.port->openSynth(100, 24, 6));
    EXPECT_FALSE(noTones.port->scheduler().isOpen());
    EXPECT_EQ(noTones.port->scheduler().stream(), nullptr);
    EXPECT_EQ(noTones.device.pump(1), 0u);
    noTones.port->sendShort(packShort(0x90, 60, 100));
    EXPECT_TRUE(noTones.engine->applied.empty());
}

TEST(FmSynthPort, MessagesPlayBufferPlusFiftyMsAfterTheirStampAtFrameGranularity)
{
    PortRig rig;
    rig.port->sendShort(packShort(0x90, 1, 1));  // not open yet: dropped
    ASSERT_TRUE(rig.port->openSynth(100, 24, 6));  // prefill at 10000: frames stamped from 9850
    rig.clock.set(10000);
    rig.port->sendShort(packShort(0x90, 60, 100));
    rig.clock.set(10500);
    rig.port->sendShort(packShort(0x80, 60, 0));
    for (int i = 0; i < 8; ++i) {
        rig.pumpHalf();
    }
    ASSERT_EQ(rig.engine->applied.size(), 2u);
    EXPECT_EQ(rig.engine->applied[0].message, packShort(0x90, 60, 100));
    EXPECT_EQ(rig.engine->applied[0].frame, 6615u);  // first frame stamped 10000: 150 ms in
    EXPECT_EQ(rig.engine->applied[1].frame, 6615u + 22050u);  // 500 ms later
}

TEST(FmSynthPort, PerFrameAndBlockRenderingApplyEventsAtTheSameFrames)
{
    PortRig perFrame;
    PortRig block;
    // Two opened schedulers fed the same events; one rendered frame by frame.
    ASSERT_TRUE(perFrame.port->openSynth(100, 8, 6));
    ASSERT_TRUE(block.port->openSynth(100, 8, 6));
    for (uint32_t t : {10003u, 10003u, 10004u, 10090u, 10091u, 10200u}) {
        perFrame.port->scheduler().postShort(t, packShort(0x90, static_cast<uint8_t>(t & 0x7F), 1));
        block.port->scheduler().postShort(t, packShort(0x90, static_cast<uint8_t>(t & 0x7F), 1));
    }
    const uint32_t base = 10000;
    std::vector<MixFrame> frames(20000);
    block.port->scheduler().renderFrames(base, frames.data(), 20000);
    const uint64_t start = perFrame.engine->frames;
    for (uint32_t i = 0; i < 20000; ++i) {
        int32_t l = 0, r = 0;
        perFrame.port->scheduler().renderFrame(base + frameOffsetMs(i), l, r);
    }
    ASSERT_EQ(block.engine->applied.size(), 6u);
    ASSERT_EQ(perFrame.engine->applied.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(block.engine->applied[i].frame - 4410, perFrame.engine->applied[i].frame - start) << i;
    }
    EXPECT_EQ(frameOffsetMs(441), 10u);
}

TEST(FmSynthPort, EventsStampedAfterTheClockWrapsWaitForTheirTime)
{
    PortRig rig;
    ASSERT_TRUE(rig.port->openSynth(100, 8, 6));
    const uint64_t start = rig.engine->frames;
    rig.port->scheduler().postShort(5, packShort(0x90, 60, 100));  // 21 ms after 0xFFFFFFF0
    std::vector<MixFrame> frames(4410);
    rig.port->scheduler().renderFrames(0xFFFFFFF0u, frames.data(), 4410);
    ASSERT_EQ(rig.engine->applied.size(), 1u);
    EXPECT_EQ(rig.engine->applied[0].frame - start, 927u);
}

TEST(FmSynthPort, QueueHoldsAThousandMessagesAndDropsTheRest)
{
    PortRig rig;
    ASSERT_TRUE(rig.port->openSynth(50, 8, 6));
    for (int i = 0; i < 1005; ++i) {
        rig.port->sendShort(packShort(0xB0, 7, static_cast<uint8_t>(i & 0x7F)));
    }
    EXPECT_EQ(rig.port->scheduler().pendingCount(), 1000u);
    for (int i = 0; i < 6; ++i) {
        rig.pumpHalf();
    }
    EXPECT_EQ(rig.engine->applied.size(), 1000u);
    EXPECT_EQ(rig.port->scheduler().pendingCount(), 0u);
    rig.port->sendShort(packShort(0xB0, 7, 1));  // records came back
    EXPECT_EQ(rig.port->scheduler().pendingCount(), 1u);
}

TEST(FmSynthPort, SystemExclusiveBecomesResetOrRhythmCommands)
{
    using Bytes = std::vector<uint8_t>;
    auto classify = [](const Bytes& b) { return synthCommandForSysex(b.data(), static_cast<int32_t>(b.size())); };
    const std::array<uint8_t, 4> reset = {1, 0, 0, 0};
    EXPECT_EQ(classify({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}), reset);
    EXPECT_EQ(classify({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}), reset);
    EXPECT_EQ(classify({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}), reset);
    EXPECT_EQ(classify({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7}), reset);
    EXPECT_EQ(classify({0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x01, 0x00, 0xF7}), reset);
    EXPECT_FALSE(classify({0xF0, 0x7E, 0x7F, 0x09, 0x02, 0xF7}));  // GM off is another 6-byte message
    EXPECT_FALSE(classify({0xF0, 0x7E, 0x7F, 0x09, 0x01}));
    EXPECT_FALSE(synthCommandForSysex(nullptr, 6));

    auto rhythm = [&](uint8_t part, uint8_t value) {
        return classify({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, part, 0x15, value, 0x33, 0xF7});
    };
    EXPECT_EQ(rhythm(0x10, 2), (std::array<uint8_t, 4>{2, 9, 1, 0}));
    EXPECT_EQ(rhythm(0x11, 1), (std::array<uint8_t, 4>{2, 0, 1, 0}));
    EXPECT_EQ(rhythm(0x19, 1), (std::array<uint8_t, 4>{2, 8, 1, 0}));
    EXPECT_EQ(rhythm(0x1A, 0), (std::array<uint8_t, 4>{2, 10, 0, 0}));
    EXPECT_FALSE(rhythm(0x20, 1));

    PortRig rig;
    ASSERT_TRUE(rig.port->openSynth(50, 8, 6));
    const Bytes gs = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x00, 0x00, 0xF7};
    const Bytes other = {0xF0, 0x01, 0xF7};
    rig.port->sendLong(LongMessage{other.data(), 3});
    rig.port->sendLong(LongMessage{gs.data(), 11});
    for (int i = 0; i < 6; ++i) {
        rig.pumpHalf();
    }
    ASSERT_EQ(rig.engine->applied.size(), 1u);
    EXPECT_TRUE(rig.engine->applied[0].command);
    EXPECT_EQ(rig.engine->applied[0].synthCommand.command, SynthCommandKind::SetRhythm);
    EXPECT_EQ(rig.engine->applied[0].synthCommand.channel, 10);
    EXPECT_EQ(rig.engine->applied[0].synthCommand.value, 0);
}

TEST(FmSynthPort, SendersAndTheRenderingThreadShareOnlyTheQueue)
{
    PortRig rig;
    ASSERT_TRUE(rig.port->openSynth(50, 8, 6));
    constexpr int perSender = 3000;
    std::atomic<bool> sending{true};
    auto sender = [&](uint8_t channel) {
        for (int i = 0; i < perSender; ++i) {
            rig.port->sendShort(packShort(static_cast<uint8_t>(0xB0 | channel), 7, static_cast<uint8_t>(i & 0x7F)));
            if (i % 100 == 0) {
                rig.port->resetClock();
                std::this_thread::yield();
            }
        }
    };
    std::thread renderer([&] {
        while (sending.load()) {
            rig.clock.advance(40);
            rig.device.pump(1);
        }
        for (int i = 0; i < 10; ++i) {
            rig.clock.advance(40);
            rig.device.pump(1);
        }
    });
    std::thread a(sender, 0);
    std::thread b(sender, 1);
    a.join();
    b.join();
    sending.store(false);
    renderer.join();
    rig.port->close();
    // Each sender's messages arrive in order; drops only happen while the queue is full.
    int lastValue[2] = {-1, -1};
    for (const auto& applied : rig.engine->applied) {
        const int channel = applied.message & 0x0F;
        const int value = (applied.message >> 16) & 0x7F;
        EXPECT_NE(value, lastValue[channel]);
        lastValue[channel] = value;
    }
    EXPECT_GT(rig.engine->applied.size(), 0u);
}

TEST(FmSynthPort, RealEngineRendersWhileTwoThreadsSend)
{
    testing::TempDir dir;
    FakeAudioDevice device;
    ManualClock clock(50000);
    FmSynthPort port(device, clock, std::make_unique<FmSynth>(), dir.write("fmstone.dat", testing::synthTestTones()).string());
    ASSERT_TRUE(port.openSynth(50, 16, 6));
    std::atomic<bool> sending{true};
    std::thread renderer([&] {
        while (sending.load()) {
            clock.advance(40);
            device.pump(1);
        }
        for (int i = 0; i < 20; ++i) {
            clock.advance(40);
            device.pump(1);
        }
    });
    auto sender = [&](uint8_t channel) {
        for (int i = 0; i < 400; ++i) {
            const auto key = static_cast<uint8_t>(40 + i % 40);
            port.sendShort(packShort(static_cast<uint8_t>(0x90 | channel), key, 100));
            port.sendShort(packShort(static_cast<uint8_t>(0xE0 | channel), 0, static_cast<uint8_t>(i & 0x7F)));
            port.sendShort(packShort(static_cast<uint8_t>(0x80 | channel), key, 0));
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    };
    std::thread a(sender, 0);
    std::thread b(sender, 9);
    a.join();
    b.join();
    sending.store(false);
    renderer.join();
    port.close();
    const auto samples = device.samples();
    EXPECT_TRUE(std::any_of(samples.begin(), samples.end(), [](int16_t s) { return s != 0; }));
}

}  // namespace
}  // namespace quorva
