#include "synth/fm_synth.h"

#include "ports/midi_port.h"
#include "synth/audio_stream.h"
#include "synth_tones.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorva {
namespace {

using testing::TempDir;

class FmSynthTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(open(synth, 8)); }
    bool open(FmSynth& engine, uint32_t voices)
    {
        return engine.open(voices, dir.write("fmstone.dat", testing::synthTestTones()).string());
    }
    void send(uint8_t status, uint8_t data1, uint8_t data2 = 0) { synth.handleMessage(packShort(status, data1, data2)); }
    void mix(int frames)
    {
        for (int i = 0; i < frames; ++i) {
            int32_t l = 0, r = 0;
            synth.mixSample(l, r);
        }
    }
    std::vector<FmVoice*> channelVoices(uint32_t channel) const
    {
        std::vector<FmVoice*> result;
        for (FmVoice* v = synth.channel(channel).voices.front(); v; v = ChannelVoiceList::next(*v)) {
            result.push_back(v);
        }
        return result;
    }
    std::vector<FmVoice*> released() const
    {
        std::vector<FmVoice*> result;
        for (FmVoice* v = synth.releasedVoices().front(); v; v = ReleasedVoiceList::next(*v)) {
            result.push_back(v);
        }
        return result;
    }

    TempDir dir;
    FmSynth synth;
};

TEST_F(FmSynthTest, OneFullVoiceReachesTheDesignedLevelsFromChannelToStream)
{
    send(0xC0, 5);  // a carrier standing at the sine's peak, full level
    send(0x90, 69, 127);
    int32_t peakLeft = 0, peakRight = 0;
    for (int i = 0; i < 2000; ++i) {
        int32_t l = 0, r = 0;
        synth.mixSample(l, r);
        peakLeft = std::max(peakLeft, l);
        peakRight = std::max(peakRight, r);
    }
    EXPECT_EQ(synth.channel(0).gain(), 76u);
    EXPECT_EQ(peakLeft, 9652608);
    EXPECT_EQ(peakRight, 9652608);
    const MixFrame peak{peakLeft, peakRight};
    int16_t out[2] = {};
    SynthStream::convert(&peak, 1, 6, out);
    EXPECT_EQ(out[0], 9426);
}

TEST_F(FmSynthTest, OpeningFailsWithoutToneFileAndSetsUpChannels)
{
    FmSynth other;
    EXPECT_FALSE(other.open(8, (dir / "missing.dat").string()));
    EXPECT_TRUE(synth.channel(9).controls.rhythm);
    EXPECT_FALSE(synth.channel(0).controls.rhythm);
    EXPECT_NE(synth.channel(0).tone, nullptr);
    EXPECT_NE(synth.channel(9).drumSet, nullptr);
    EXPECT_EQ(synth.freeVoiceCount(), 8u);
    EXPECT_EQ(synth.panTable()[64][127], 0);
    EXPECT_EQ(synth.panTable()[64][0], 63);
    EXPECT_EQ(synth.panTable()[64][64], 63);
}

TEST_F(FmSynthTest, RepeatedKeyReleasesTheFirstVoiceAndSwallowsOneNoteOff)
{
    send(0x90, 60, 100);
    send(0x90, 60, 100);
    auto voices = channelVoices(0);
    ASSERT_EQ(voices.size(), 2u);
    EXPECT_TRUE(voices[0]->released);
    EXPECT_TRUE(voices[1]->absorbNoteOff);
    send(0x80, 60);
    EXPECT_FALSE(voices[1]->released);
    EXPECT_FALSE(voices[1]->absorbNoteOff);
    send(0x90, 60, 0);  // note-on with velocity 0 is a note-off
    EXPECT_TRUE(voices[1]->released);
    EXPECT_EQ(released(), (std::vector<FmVoice*>{voices[0], voices[1]}));
}

TEST_F(FmSynthTest, SustainPedalDefersReleaseUntilPedalUpAndAllNotesOffIgnoresIt)
{
    send(0xB0, 64, 127);
    send(0x90, 60, 100);
    send(0x90, 62, 100);
    send(0x80, 60);
    auto voices = channelVoices(0);
    ASSERT_EQ(voices.size(), 2u);
    EXPECT_TRUE(voices[0]->sustained);
    EXPECT_FALSE(voices[0]->released);
    mix(10);
    EXPECT_FALSE(voices[0]->released);
    send(0xB0, 64, 0);
    mix(1);
    EXPECT_TRUE(voices[0]->released);
    EXPECT_FALSE(voices[1]->released);
    send(0xB0, 64, 100);
    send(0xB0, 123, 0);
    EXPECT_TRUE(voices[1]->released);
    send(0xB0, 120, 0);
    EXPECT_TRUE(channelVoices(0).empty());
    EXPECT_EQ(synth.freeVoiceCount(), 8u);
}

TEST_F(FmSynthTest, FullPoolStealsOldestReleasedVoiceElseOldestVoice)
{
    for (uint8_t key = 40; key < 48; ++key) {
        send(0x90, key, 100);
    }
    EXPECT_EQ(synth.freeVoiceCount(), 0u);
    send(0x80, 43);
    send(0x80, 41);
    send(0x90, 60, 100);  // steals key 43, released first
    std::vector<uint32_t> keys;
    for (FmVoice* v : channelVoices(0)) {
        keys.push_back(v->key);
    }
    EXPECT_EQ(keys, (std::vector<uint32_t>{40, 41, 42, 44, 45, 46, 47, 60}));
    send(0x90, 61, 100);  // steals key 41
    send(0x90, 62, 100);  // nothing released: steals the oldest, key 40
    keys.clear();
    for (FmVoice* v : channelVoices(0)) {
        keys.push_back(v->key);
    }
    EXPECT_EQ(keys, (std::vector<uint32_t>{42, 44, 45, 46, 47, 60, 61, 62}));
}

TEST_F(FmSynthTest, RhythmChannelPlaysDrumEntriesAndCutsByKey)
{
    send(0x99, 46, 100);  // open hi-hat
    send(0x99, 36, 100);
    auto voices = channelVoices(9);
    ASSERT_EQ(voices.size(), 2u);
    EXPECT_EQ(voices[1]->pan, 0u);
    send(0x99, 42, 100);  // closed hi-hat cuts the open one
    EXPECT_TRUE(voices[0]->released);
    EXPECT_FALSE(voices[1]->released);
    send(0x99, 50, 100);  // no tone on this key
    EXPECT_EQ(channelVoices(9).size(), 3u);
    // Drum note-offs do not put voices on the released list; the release does.
    send(0x89, 36);
    EXPECT_TRUE(voices[1]->released);
    // Drums pan left: the left side carries the bass drum.
    send(0xB9, 120, 0);
    send(0x99, 36, 127);
    int64_t left = 0, right = 0;
    for (int i = 0; i < 2000; ++i) {
        int32_t l = 0, r = 0;
        synth.mixSample(l, r);
        left += std::abs(l);
        right += std::abs(r);
    }
    EXPECT_GT(left, 0);
    EXPECT_EQ(right, 0);
}

TEST_F(FmSynthTest, OneShotVoicesIgnoreNoteOffButAreFirstToBeStolen)
{
    send(0xC0, 2);
    send(0x90, 60, 100);
    send(0x80, 60);
    auto voices = channelVoices(0);
    ASSERT_EQ(voices.size(), 1u);
    EXPECT_FALSE(voices[0]->released);
    EXPECT_EQ(released(), voices);
    // A zero-operator tone frees its voice at once.
    send(0xC0, 3);
    send(0x90, 61, 100);
    EXPECT_EQ(channelVoices(0).size(), 1u);
    EXPECT_EQ(synth.freeVoiceCount(), 7u);
    // A oneShot voice whose key was let go is released by the next note of that key.
    send(0xC0, 2);
    send(0x90, 60, 100);
    EXPECT_TRUE(voices[0]->released);
}

TEST_F(FmSynthTest, ControllersResetFiltersRpnsAndCommands)
{
    send(0xB0, 7, 20);
    send(0xB0, 10, 0);
    send(0xC0, 1);
    send(0xB0, 101, 0);
    send(0xB0, 100, 0);
    send(0xB0, 6, 12);
    EXPECT_EQ(synth.channel(0).bendRange, 12);
    send(0xB0, 121, 0);
    EXPECT_EQ(synth.channel(0).volume, 100);
    EXPECT_EQ(synth.channel(0).pan, 64);
    EXPECT_EQ(synth.channel(0).bendRange, 2);
    EXPECT_EQ(synth.channel(0).program, 1);
    send(0xB0, 6, 5);  // still reaches the selected RPN
    EXPECT_EQ(synth.channel(0).bendRange, 5);
    send(0xB0, 100, 2);
    send(0xB0, 6, 70);
    EXPECT_EQ(synth.channel(0).controls.coarseTune, 70);
    send(0xB0, 100, 1);
    send(0xB0, 6, 60);
    EXPECT_EQ(synth.channel(0).controls.fineTune, 60);

    send(0xB0, 71, 96);
    EXPECT_EQ(synth.channel(0).filterMode, FilterMode::Resonant);
    EXPECT_EQ(synth.channel(0).resonance, 2);
    send(0xB0, 71, 64);
    EXPECT_EQ(synth.channel(0).filterMode, FilterMode::PassThrough);
    send(0xB0, 99, 1);
    send(0xB0, 98, 0x20);
    send(0xB0, 6, 40);
    EXPECT_EQ(synth.channel(0).cutoff, 41);
    EXPECT_EQ(synth.channel(0).filterMode, FilterMode::Smooth);
    send(0xB0, 71, 64);
    EXPECT_EQ(synth.channel(0).filterMode, FilterMode::Smooth);

    send(0xE0, 0, 64);
    EXPECT_EQ(synth.channel(0).rawBend, 0);
    send(0xB0, 121, 0);
    send(0xE0, 0x7F, 0x7F);
    EXPECT_EQ(synth.channel(0).currentBend(), 511);
    send(0xE0, 0, 0);
    EXPECT_EQ(synth.channel(0).currentBend(), -512);

    synth.handleCommand(SynthCommand{SynthCommandKind::SetRhythm, 3, 1, 0});
    EXPECT_TRUE(synth.channel(3).controls.rhythm);
    synth.handleCommand(SynthCommand{SynthCommandKind::SetRhythm, 9, 0, 0});
    EXPECT_FALSE(synth.channel(9).controls.rhythm);
    send(0x90, 60, 100);
    synth.handleCommand(SynthCommand{SynthCommandKind::ResetAll, 0, 0, 0});
    EXPECT_FALSE(synth.channel(3).controls.rhythm);
    EXPECT_TRUE(synth.channel(9).controls.rhythm);
    EXPECT_EQ(synth.channel(0).program, 0);
    EXPECT_FALSE(synth.sounding());
    EXPECT_EQ(synth.freeVoiceCount(), 8u);
}

// The block mix (all voices side by side, a chunk at a time) must give the same samples as
// the rule-by-rule mix of one sample at a time, whatever the messages between the blocks.
TEST_F(FmSynthTest, BlockMixEqualsSampleBySampleMix)
{
    FmSynth perSample;
    ASSERT_TRUE(open(perSample, 8));
    struct Step {
        uint32_t message;
        uint32_t framesAfter;
    };
    const std::vector<Step> steps = {
        {packShort(0xC1, 1), 0},       {packShort(0x91, 60, 100), 300}, {packShort(0xB1, 64, 127), 0},
        {packShort(0x91, 64, 90), 700}, {packShort(0x81, 60), 50},      {packShort(0xB1, 1, 100), 900},
        {packShort(0x99, 36, 120), 0},  {packShort(0x99, 46, 90), 400}, {packShort(0x99, 42, 90), 333},
        {packShort(0xB1, 64, 0), 1200}, {packShort(0xE1, 0, 90), 500},  {packShort(0xB1, 71, 110), 0},
        {packShort(0xB1, 74, 50), 800}, {packShort(0xC2, 4), 0},        {packShort(0x92, 50, 110), 0},
        {packShort(0x92, 52, 110), 0},  {packShort(0x92, 55, 110), 0},  {packShort(0x92, 57, 110), 0},
        {packShort(0x92, 59, 110), 0},  {packShort(0x92, 62, 110), 0},  {packShort(0x92, 64, 110), 0},
        {packShort(0x92, 67, 110), 0},  {packShort(0x99, 49, 127), 3000}, {packShort(0xB2, 7, 50), 0},
        {packShort(0xB2, 10, 10), 5000},
    };
    std::vector<MixFrame> block;
    std::vector<MixFrame> single;
    for (const Step& step : steps) {
        synth.handleMessage(step.message);
        perSample.handleMessage(step.message);
        const size_t start = block.size();
        block.resize(start + step.framesAfter);
        synth.mixBlock(block.data() + start, step.framesAfter);
        for (uint32_t i = 0; i < step.framesAfter; ++i) {
            MixFrame frame;
            perSample.mixSample(frame.left, frame.right);
            single.push_back(frame);
        }
    }
    ASSERT_EQ(block.size(), single.size());
    size_t mismatches = 0;
    int64_t energy = 0;
    for (size_t i = 0; i < block.size(); ++i) {
        mismatches += block[i].left != single[i].left || block[i].right != single[i].right;
        energy += std::abs(static_cast<int64_t>(block[i].left));
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_GT(energy, 0);
}

}  // namespace
}  // namespace quorva

namespace quorva {
namespace {

TEST(SynthChannel, SmoothAndResonantFiltersFollowTheirRecurrences)
{
    SynthChannel channel;
    channel.resetChannel();
    EXPECT_EQ(channel.filterMode, FilterMode::PassThrough);
    channel.setCutoff(40);
    ASSERT_EQ(channel.filterMode, FilterMode::Smooth);
    int32_t left[2] = {1 << 20, 1 << 20};
    int32_t right[2] = {-(1 << 20), 0};
    channel.filterBlock(left, right, 2);
    EXPECT_EQ(left[0], 8192 * 41);
    EXPECT_EQ(left[1], 8192 * 41 + ((((1 << 20) - 8192 * 41) >> 7) * 41));
    EXPECT_EQ(right[0], -8192 * 41);
    EXPECT_EQ(channel.outLeft, left[1]);

    channel.resetChannel();
    channel.setResonance(96);  // d = 5
    ASSERT_EQ(channel.filterMode, FilterMode::Resonant);
    int32_t in[2] = {44100000, 44100000};
    int32_t silent[2] = {0, 0};
    channel.filterBlock(in, silent, 2);
    EXPECT_EQ(in[0], 44100000);
    EXPECT_EQ(channel.velocityLeft, 844);
    EXPECT_EQ(in[1], 44100000 + 844 * 44100);
    EXPECT_EQ(silent[1], 0);
}

}  // namespace
}  // namespace quorva

namespace quorva {
namespace {

// Data bytes above 127 never come from a well-formed song; they must not reach outside
// the drum, pan or damping tables.
TEST_F(FmSynthTest, OutOfRangeDataStaysInsideTheTables)
{
    send(0x99, 36 + 128, 100);
    EXPECT_TRUE(channelVoices(9).empty());
    send(0x99, 36, 100);
    send(0xB9, 10, 200);
    send(0xB9, 71, 255);
    send(0xB0, 10, 255);
    send(0x90, 60, 100);
    mix(64);
    EXPECT_EQ(channelVoices(9).size(), 1u);
    EXPECT_EQ(synth.channel(9).filterMode, FilterMode::Resonant);
}

}  // namespace
}  // namespace quorva

namespace quorva {
namespace {

// Random traffic on a small pool (much stealing): every controller, bends, programs,
// pedals and resets between blocks of random length.
TEST_F(FmSynthTest, BlockMixEqualsSampleMixUnderRandomTraffic)
{
    FmSynth block;
    FmSynth single;
    ASSERT_TRUE(open(block, 4));
    ASSERT_TRUE(open(single, 4));
    uint32_t seed = 2024;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    static constexpr uint8_t controllers[] = {1, 7, 10, 11, 64, 71, 74, 120, 121, 123, 98, 99, 100, 101, 6};
    std::vector<MixFrame> a(800);
    size_t mismatches = 0;
    int64_t energy = 0;
    for (int step = 0; step < 300; ++step) {
        const auto channel = static_cast<uint8_t>(next(4) == 0 ? 9 : next(4));
        uint32_t message = 0;
        switch (next(6)) {
        case 0:
        case 1: message = packShort(0x90 | channel, static_cast<uint8_t>(30 + next(60)), static_cast<uint8_t>(1 + next(127))); break;
        case 2: message = packShort(0x80 | channel, static_cast<uint8_t>(30 + next(60)), 0); break;
        case 3: message = packShort(0xB0 | channel, controllers[next(15)], static_cast<uint8_t>(next(128))); break;
        case 4: message = packShort(0xE0 | channel, static_cast<uint8_t>(next(128)), static_cast<uint8_t>(next(128))); break;
        default: message = packShort(0xC0 | channel, static_cast<uint8_t>(next(6))); break;
        }
        block.handleMessage(message);
        single.handleMessage(message);
        if (next(50) == 0) {
            const SynthCommand command{static_cast<SynthCommandKind>(1 + next(2)), static_cast<uint8_t>(next(16)), static_cast<uint8_t>(next(2)), 0};
            block.handleCommand(command);
            single.handleCommand(command);
        }
        const uint32_t frames = next(800);
        block.mixBlock(a.data(), frames);
        for (uint32_t i = 0; i < frames; ++i) {
            MixFrame b;
            single.mixSample(b.left, b.right);
            mismatches += a[i].left != b.left || a[i].right != b.right;
            energy += std::abs(static_cast<int64_t>(b.left));
        }
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_GT(energy, 0);
}

}  // namespace
}  // namespace quorva
