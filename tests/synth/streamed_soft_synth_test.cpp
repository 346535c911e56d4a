#include "synth/streamed_soft_synth.h"

#include "platform/fake/fake_audio.h"
#include "platform/manual_clock.h"
#include "ports/midi_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace quorva {
namespace {

// Records at which frame each message arrived; renders a constant so the sound is visible.
class FrameRecordingSynth final : public SampleSynth {
public:
    struct Applied {
        uint64_t frame;
        uint32_t message;  // 0 for a system-exclusive message
        std::vector<uint8_t> sysex;
    };
    bool open(int32_t rate, bool) override
    {
        sampleRate = rate;
        return !failOpen;
    }
    void close() override { ++closes; }
    std::vector<SoftSynthPreset> presets() const override { return {{0, 0, false}}; }
    void handleShort(uint32_t message) override { applied.push_back({frames, message, {}}); }
    void handleSysex(const uint8_t* bytes, uint32_t length) override
    {
        applied.push_back({frames, 0, std::vector<uint8_t>(bytes, bytes + length)});
    }
    void render(int16_t* out, uint32_t count) override
    {
        for (uint32_t i = 0; i < 2 * count; ++i) {
            out[i] = 100;
        }
        frames += count;
    }
    int32_t sampleRate = 0;
    bool failOpen = false;
    int closes = 0;
    uint64_t frames = 0;
    std::vector<Applied> applied;
};

struct Rig {
    ManualClock clock{5000};
    FakeAudioDevice* device = nullptr;
    FrameRecordingSynth* engine = nullptr;
    std::unique_ptr<StreamedSoftSynth> synth;
    Rig()
    {
        auto ownedDevice = std::make_unique<FakeAudioDevice>();
        device = ownedDevice.get();
        auto ownedEngine = std::make_unique<FrameRecordingSynth>();
        engine = ownedEngine.get();
        synth = std::make_unique<StreamedSoftSynth>(std::move(ownedEngine), std::move(ownedDevice), clock);
    }
};

TEST(StreamedSoftSynth, OpensTheDeviceAtTheRateAndFailsCleanly)
{
    for (int32_t rate : {11025, 22050, 44100}) {
        Rig rig;
        ASSERT_TRUE(rig.synth->open(rate, false));
        EXPECT_EQ(rig.device->rate, static_cast<uint32_t>(rate));
        EXPECT_EQ(rig.device->lastHalfBytes, StreamedSoftSynth::blockFrames(rate) * 4);
        EXPECT_EQ(rig.engine->frames, StreamedSoftSynth::blockFrames(rate));  // the prefill
        rig.synth->close();
        EXPECT_FALSE(rig.device->isOpen());
    }
    Rig noFont;
    noFont.engine->failOpen = true;
    EXPECT_FALSE(noFont.synth->open(44100, true));
    EXPECT_FALSE(noFont.device->isOpen());
    noFont.synth->playShort(0, packShort(0x90, 60, 100));
    EXPECT_EQ(noFont.synth->pendingCount(), 0u);
}

TEST(StreamedSoftSynth, LatencyClockFollowsTheAudioAndEventsLandOnTheirFrame)
{
    Rig rig;
    ASSERT_TRUE(rig.synth->open(22050, false));  // prefill of 256 frames at 5000: [5000, 5011.6)
    EXPECT_EQ(rig.synth->latencyClockMs(), 5000u);
    rig.clock.set(5004);
    EXPECT_EQ(rig.synth->latencyClockMs(), 5004u);
    rig.clock.set(5100);
    EXPECT_EQ(rig.synth->latencyClockMs(), 5011u);  // never beyond the block's end
    rig.clock.set(5011);
    rig.device->pump(1);  // block two starts at frame 256, 5011 ms
    EXPECT_EQ(rig.synth->latencyClockMs(), 5011u);

    rig.synth->playShort(5050, packShort(0x90, 60, 100));
    rig.synth->playShort(5050, packShort(0x90, 64, 100));
    const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    rig.synth->playLong(5051, sysex, 6);
    rig.synth->playShort(5100, packShort(0x80, 60, 0));
    rig.device->pump(8);
    ASSERT_EQ(rig.engine->applied.size(), 4u);
    // The first frame whose time (frame · 1000 / 22050) reaches 50 ms is 1103.
    EXPECT_EQ(rig.engine->applied[0].frame, 1103u);
    EXPECT_EQ(rig.engine->applied[1].frame, 1103u);
    EXPECT_EQ(rig.engine->applied[2].frame, 1125u);  // 51 ms: 1124.55 rounded up
    EXPECT_EQ(rig.engine->applied[2].sysex, std::vector<uint8_t>(sysex, sysex + 6));
    EXPECT_EQ(rig.engine->applied[3].frame, 2205u);
    EXPECT_EQ(rig.engine->applied[3].message, packShort(0x80, 60, 0));

    rig.synth->playShort(4000, packShort(0xB0, 7, 1));  // already past: the next block's start
    rig.device->pump(1);
    EXPECT_EQ(rig.engine->applied.back().frame, 256u * 10);
    const auto samples = rig.device->samples();
    EXPECT_EQ(samples.back(), 100);
}

// The audio thread renders while two threads send and read the latency clock.
TEST(StreamedSoftSynth, SendersAndTheAudioThreadMeetOnlyInTheQueueAndTheClock)
{
    Rig rig;
    ASSERT_TRUE(rig.synth->open(44100, false));
    std::atomic<bool> done{false};
    std::thread audio([&] {
        while (!done.load()) {
            rig.device->pump(1);
        }
    });
    auto send = [&](uint8_t channel) {
        for (int i = 0; i < 500; ++i) {
            rig.synth->playShort(rig.synth->latencyClockMs(), packShort(static_cast<uint8_t>(0x90 | channel), 60, 1));
            const uint8_t sysex[] = {0xF0, channel, 0xF7};
            rig.synth->playLong(rig.synth->latencyClockMs(), sysex, 3);
        }
    };
    std::thread other(send, 1);
    send(2);
    other.join();
    while (rig.synth->pendingCount() > 0) {
        std::this_thread::yield();
    }
    done.store(true);
    audio.join();
    rig.synth->close();
    EXPECT_EQ(rig.engine->applied.size(), 2000u);
}

}  // namespace
}  // namespace quorva
