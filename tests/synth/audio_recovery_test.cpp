#include "platform/fake/fake_audio.h"
#include "platform/manual_clock.h"
#include "synth/fm_synth_port.h"
#include "synth/recovering_audio_output.h"
#include "synth/streamed_soft_synth.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace quorva {
namespace {

// Counts what the audio thread (the device's or the stand-in's) did; notes are heard as
// a constant level while one sounds.
class CountingSampleSynth final : public SampleSynth {
public:
    bool open(int32_t, bool) override { return true; }
    void close() override {}
    std::vector<SoftSynthPreset> presets() const override { return {}; }
    void handleShort(uint32_t message) override
    {
        if ((message & 0xF0) == 0x90) {
            noteOns.fetch_add(1);
        }
    }
    void handleSysex(const uint8_t*, uint32_t) override {}
    void render(int16_t* out, uint32_t count) override
    {
        std::fill(out, out + 2 * count, int16_t{100});
        frames.fetch_add(count);
    }
    std::atomic<uint64_t> frames{0};
    std::atomic<uint32_t> noteOns{0};
};

class CountingEngine final : public SynthEngine {
public:
    bool open(uint32_t, const std::string&) override { return true; }
    void close() override {}
    void handleMessage(uint32_t message) override
    {
        if ((message & 0xF0) == 0x90) {
            noteOns.fetch_add(1);
        }
    }
    void handleCommand(const SynthCommand&) override {}
    void mixSample(int32_t& left, int32_t& right) override
    {
        left = right = 1 << 20;
        frames.fetch_add(1);
    }
    bool sounding() const override { return true; }
    std::atomic<uint64_t> frames{0};
    std::atomic<uint32_t> noteOns{0};
};

// Waits (bounded) for a condition that another thread makes true.
bool eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 3000; ++i) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

// Calls maintain until it reports or the reopening worker is done, advancing nothing.
template <typename Port>
std::optional<PortReport> maintainUntilReport(Port& port, ManualClock& clock, const std::function<bool()>& settled)
{
    for (int i = 0; i < 3000; ++i) {
        if (auto report = port.maintain(clock.nowMs())) {
            return report;
        }
        if (settled()) {
            return port.maintain(clock.nowMs());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::nullopt;
}

// The General MIDI synthesizer's device removed mid-song: told once; meanwhile the engine
// goes on at the real rate and takes the song's messages (the song keeps time); one attempt
// to reopen the default device a second, no more; the sound back on the new device, and told.
TEST(AudioDeviceLoss, TheSoftSynthKeepsTimeAndComesBackOnTheReopenedDevice)
{
    ManualClock clock{5000};
    auto ownedDevice = std::make_unique<FakeAudioDevice>();
    FakeAudioDevice& device = *ownedDevice;
    auto ownedEngine = std::make_unique<CountingSampleSynth>();
    CountingSampleSynth& engine = *ownedEngine;
    StreamedSoftSynth synth(std::move(ownedEngine), std::move(ownedDevice), clock);
    ASSERT_TRUE(synth.open(44100, false));
    EXPECT_EQ(device.pump(4), 4u);
    EXPECT_FALSE(synth.maintain(clock.nowMs()));  // nothing happened, nothing said

    device.removeDevice();
    device.failOpen = true;
    const uint32_t opensBefore = device.openCount;
    const auto lost = synth.maintain(clock.nowMs());
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->message, "the audio device is gone: trying to open the default device again, once a second");
    EXPECT_FALSE(lost->needsChase);  // the synthesizer keeps its state

    // Nothing pumps the fake device now, yet the engine renders and plays what is sent.
    const uint64_t framesAtLoss = engine.frames.load();
    EXPECT_TRUE(eventually([&] { return engine.frames.load() > framesAtLoss + 44100 / 10; }));
    synth.playShort(synth.latencyClockMs(), packShort(0x90, 60, 100));
    EXPECT_TRUE(eventually([&] { return engine.noteOns.load() == 1; }));
    EXPECT_EQ(device.pump(1), 0u);

    // One attempt a second of the clock, each made on the worker without being waited for.
    for (uint32_t second = 1; second <= 3; ++second) {
        clock.advance(RecoveringAudioOutput::retryMs / 2);
        EXPECT_FALSE(synth.maintain(clock.nowMs()));
        clock.advance(RecoveringAudioOutput::retryMs / 2);
        EXPECT_FALSE(maintainUntilReport(synth, clock, [&] { return device.openCount == opensBefore + second; }));
        EXPECT_EQ(device.openCount.load(), opensBefore + second);
    }

    device.failOpen = false;
    clock.advance(RecoveringAudioOutput::retryMs);
    const auto back = maintainUntilReport(synth, clock, [] { return false; });
    ASSERT_TRUE(back);
    EXPECT_EQ(back->message, "sound is back on the default audio device");
    EXPECT_TRUE(device.isOpen());
    const uint64_t framesBack = engine.frames.load();
    EXPECT_EQ(device.pump(2), 2u);
    EXPECT_GE(engine.frames.load(), framesBack + 2 * StreamedSoftSynth::blockFrames(44100));
    synth.playShort(synth.latencyClockMs(), packShort(0x90, 62, 100));
    device.pump(8);
    EXPECT_EQ(engine.noteOns.load(), 2u);
    // Told once: later frames say nothing.
    clock.advance(5 * RecoveringAudioOutput::retryMs);
    EXPECT_FALSE(synth.maintain(clock.nowMs()));
    synth.close();
    EXPECT_FALSE(device.isOpen());
}

// The FM synthesizer's device removed and never back: a minute of attempts, one a second,
// then one word that the song goes on without sound; the synthesizer still renders at the
// real rate, and closing the port ends everything.
TEST(AudioDeviceLoss, TheFmSynthGivesUpAfterAMinuteAndPlaysOnSilently)
{
    ManualClock clock{10000};
    FakeAudioDevice device;
    auto ownedEngine = std::make_unique<CountingEngine>();
    CountingEngine& engine = *ownedEngine;
    FmSynthPort port(device, clock, std::move(ownedEngine), "tones.dat");
    ASSERT_TRUE(port.openSynth(50, 8, 6));
    device.removeDevice();
    device.failOpen = true;
    const uint32_t opensBefore = device.openCount;
    ASSERT_TRUE(port.maintain(clock.nowMs()));

    int reports = 0;
    std::string last;
    for (uint32_t second = 1; second <= RecoveringAudioOutput::maxAttempts + 5; ++second) {
        clock.advance(RecoveringAudioOutput::retryMs);
        const uint32_t expected = std::min(second, RecoveringAudioOutput::maxAttempts);
        if (auto report = maintainUntilReport(port, clock, [&] { return device.openCount == opensBefore + expected; })) {
            ++reports;
            last = report->message;
        }
    }
    EXPECT_EQ(device.openCount.load(), opensBefore + RecoveringAudioOutput::maxAttempts);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(last, "no audio device could be opened: the song goes on without sound");

    const uint64_t frames = engine.frames.load();
    EXPECT_TRUE(eventually([&] { return engine.frames.load() > frames + 4410; }));
    port.close();
    const uint64_t closedAt = engine.frames.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(engine.frames.load(), closedAt);
}

}  // namespace
}  // namespace quorva
