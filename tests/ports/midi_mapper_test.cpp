#include "ports/midi_mapper.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

TEST(MidiMapper, ChoosesTheNamedDestinationElseTheFirstRealOne)
{
    const std::vector<MidiDestination> list = {{"alsa", "Midi Through:Midi Through Port-0 14:0"},
                                               {"alsa", "quorva:out 128:0"},
                                               {"alsa", "FLUID Synth (123):Synth input port (123:0) 129:0"},
                                               {"jack", "midi-monitor:input"}};
    bool found = false;
    EXPECT_EQ(chooseDestination(list, "", found), 2);
    EXPECT_FALSE(found);
    EXPECT_EQ(chooseDestination(list, "monitor", found), 3);
    EXPECT_TRUE(found);
    EXPECT_EQ(chooseDestination(list, "Through", found), 0);  // named, so even a Through port
    EXPECT_TRUE(found);
    EXPECT_EQ(chooseDestination(list, "Roland", found), 2);  // no match: the rule goes on
    EXPECT_FALSE(found);
    EXPECT_EQ(chooseDestination({list[0], list[1]}, "", found), -1);
    EXPECT_EQ(chooseDestination({list[1], {"jack", "quorva-dump:input"}}, "", found), 1);  // another client
    EXPECT_EQ(chooseDestination({}, "x", found), -1);
}

class ScriptedPort final : public MidiPort {
public:
    explicit ScriptedPort(bool opens) : opens_(opens) {}
    bool open() override { return opens_; }
    void close() override { ++closes; }
    void sendShort(uint32_t message) override { shorts.push_back(message); }
    int closes = 0;
    std::vector<uint32_t> shorts;

private:
    bool opens_;
};

class ClockedSynth final : public SoftSynth {
public:
    bool open(int32_t rate, bool fx) override
    {
        sampleRate = rate;
        effects = fx;
        return opens;
    }
    void close() override {}
    std::vector<SoftSynthPreset> presets() const override { return {}; }
    uint32_t latencyClockMs() override { return 700; }
    void playShort(uint32_t stamp, uint32_t message) override { played.push_back({stamp, message}); }
    void playLong(uint32_t stamp, const uint8_t* bytes, uint32_t length) override
    {
        played.push_back({stamp, length});
    }
    bool opens = true;
    int32_t sampleRate = 0;
    bool effects = false;
    std::vector<std::pair<uint32_t, uint32_t>> played;
};

TEST(MidiMapper, FallsBackToTheBuiltInSynthesizerPlayedAtOnceAndFailsOnlyWithoutBoth)
{
    auto device = std::make_unique<ScriptedPort>(true);
    ScriptedPort& deviceRef = *device;
    MidiMapperPort toDevice(std::move(device), std::make_unique<ScriptedPort>(true));
    ASSERT_TRUE(toDevice.open());
    EXPECT_EQ(toDevice.route(), MidiMapperPort::Route::Device);
    toDevice.sendShort(packShort(0x90, 60, 1));
    EXPECT_EQ(deviceRef.shorts.size(), 1u);

    auto synth = std::make_unique<ClockedSynth>();
    ClockedSynth& synthRef = *synth;
    MidiMapperPort toSynth(std::make_unique<ScriptedPort>(false), std::make_unique<ImmediateSynthPort>(std::move(synth)));
    ASSERT_TRUE(toSynth.open());
    EXPECT_EQ(toSynth.route(), MidiMapperPort::Route::BuiltIn);
    EXPECT_EQ(synthRef.sampleRate, 44100);
    EXPECT_TRUE(synthRef.effects);
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    toSynth.sendLong(LongMessage{gmOn, 6, sysex::GmSystemOn});  // unchanged, no latency
    toSynth.sendShort(packShort(0xB0, 32, 1));                 // nothing dropped
    using Played = std::vector<std::pair<uint32_t, uint32_t>>;
    EXPECT_EQ(synthRef.played, (Played{{700, 6}, {700, packShort(0xB0, 32, 1)}}));

    auto silent = std::make_unique<ClockedSynth>();
    silent->opens = false;
    MidiMapperPort nothing(std::make_unique<ScriptedPort>(false), std::make_unique<ImmediateSynthPort>(std::move(silent)));
    EXPECT_FALSE(nothing.open());
    EXPECT_EQ(nothing.route(), MidiMapperPort::Route::None);
    nothing.sendShort(packShort(0x90, 60, 1));  // harmless
}

}  // namespace
}  // namespace quorva
