#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "reference_voice.h"
#include "synth/fm_envelope.h"
#include "synth/fm_voice.h"
#include "synth/tone_bank.h"

namespace quorva {
namespace {

// A bank holding the tones of `body` (tone blocks of the tone file).
std::unique_ptr<ToneBank> bankOf(const std::string& body)
{
    auto bank = std::make_unique<ToneBank>();
    const std::string text = "quorvatone 0.7\r\n" + body;
    EXPECT_TRUE(bank->loadToneText(std::vector<uint8_t>(text.begin(), text.end()))) << body;
    return bank;
}

FmVoice startVoice(const Tone& tone, uint32_t note, uint32_t velocity = 127, VoiceControls controls = {})
{
    FmVoice voice{};
    initVoice(voice, nullptr, controls, note, note, velocity, 64, tone);
    return voice;
}

TEST(VoiceTables, Contents)
{
    const FmTables& tables = buildTables();
    EXPECT_EQ(&tables, &buildTables());
    EXPECT_EQ(tables.sineTable[0], 0);
    EXPECT_EQ(tables.sineTable[1024], 1 << 30);
    EXPECT_EQ(tables.sineTable[2048], -1);
    EXPECT_EQ(tables.sineTable[3072], -(1 << 30) - 1);
    for (int i = 0; i < 4096; ++i) {
        ASSERT_EQ(tables.sineTable[i], testing::ReferenceVoice::sineEntry(i)) << i;
    }
    EXPECT_EQ(tables.semitoneTable[128], 1024);
    EXPECT_EQ(tables.semitoneTable[140], 2048);
    EXPECT_EQ(tables.fineTable[0], 1024);
    EXPECT_EQ(pitchRatioAt(tables, 0x8000), 1024);
    EXPECT_EQ(pitchRatioAt(tables, 0x8000 + 12 * 256), 2048);
    EXPECT_EQ(pitchRatioAt(tables, -100000), pitchRatioAt(tables, 0));
    EXPECT_EQ(pitchRatioAt(tables, 100000), pitchRatioAt(tables, 65535));
}

TEST(VoiceFrequency, Key69IsA440)
{
    const int32_t increment = operatorIncrement(1 << 20, 0, 69, 64, 64);
    const double expected = 4294967296.0 * 440.0 / 44100.0;
    EXPECT_NEAR(increment, expected, expected * 0.002);
    EXPECT_NEAR(static_cast<double>(static_cast<uint32_t>(increment) >> 10) * 1024.0, expected, expected * 0.002);
    // An octave up by the note, by the multiple, and by coarse tuning; detune of one semitone.
    EXPECT_NEAR(operatorIncrement(1 << 20, 0, 81, 64, 64), 2.0 * increment, 4);
    EXPECT_NEAR(operatorIncrement(2 << 20, 0, 69, 64, 64), 2.0 * increment, 4);
    EXPECT_NEAR(operatorIncrement(1 << 20, 0, 69, 76, 64), 2.0 * increment, 4);
    EXPECT_EQ(operatorIncrement(1 << 20, 1 << 30, 69, 64, 64), operatorIncrement(1 << 20, 0, 70, 64, 64));
    // Extreme tuning saturates at the table's ends instead of reading outside it.
    EXPECT_EQ(operatorIncrement(1 << 20, 0, 255, 127, 127), operatorIncrement(1 << 20, 0, 255, 127, 120));
}

TEST(VoiceEnvelope, DelayAttackAndEnd)
{
    auto bank = bankOf("tone[1]{ op[0]{ tl(1.0) al(0.5) at1(0.0001) at2(0.0001) dl(0.5) sl(0.5) dt(0.001) st(0.001) } }");
    FmVoice voice = startVoice(*bank->findTone(1), 69);
    const FmOperator& op = voice.operators[0];
    ASSERT_TRUE(renderVoice(voice, {}));
    EXPECT_EQ(op.envelope.state, EnvelopeState::Attack1);  // delay 0: exactly one sample in Delay
    EXPECT_EQ(op.envelope.level, 0);
    ASSERT_TRUE(renderVoice(voice, {}));
    EXPECT_EQ(op.envelope.level, op.envelope.attack1Rate);
    int samples = 2;
    while (renderVoice(voice, {})) {
        ++samples;
        ASSERT_LT(samples, 100000);
    }
    EXPECT_EQ(op.envelope.state, EnvelopeState::Off);
    EXPECT_EQ(op.envelope.level, 0);
    EXPECT_EQ(voice.endedCarriers, 1u);
}

TEST(VoiceEnvelope, KeyOffChoosesTheReleaseState)
{
    FmEnvelope envelope{};
    envelope.state = EnvelopeState::Decay2;
    envelope.decay1Level = 800;
    envelope.decay2Level = 600;
    envelope.releaseLevel = 100;
    envelope.decay1Rate = 50;
    envelope.decay2Rate = 40;
    envelope.releaseRate = 10;
    envelope.level = 500;  // below decay2Level, above releaseLevel
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release3);
    envelope.level = 50;
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release4);
    envelope.level = 900;
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release1);
    envelope.level = 700;
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release2);
    envelope.decay2Rate = 5;
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release3);
    envelope.decay1Rate = 10;  // the release rate is as fast: straight to Release3
    envelope.level = 900;
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release3);
    envelope.state = EnvelopeState::Off;
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Off);
}

TEST(VoiceEnvelope, KeyOffAndRelease1AtTheirBoundaries)
{
    FmEnvelope envelope{};
    envelope.state = EnvelopeState::Decay1;
    envelope.decay1Level = 800;
    envelope.decay2Level = 600;
    envelope.releaseLevel = 100;
    envelope.decay1Rate = 50;
    envelope.decay2Rate = 10;  // as fast as the release: no Release2
    envelope.releaseRate = 10;
    envelope.level = 700;
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release3);
    EXPECT_EQ(envelope.afterRelease1(), EnvelopeState::Release3);
    envelope.decay2Rate = 11;
    EXPECT_EQ(envelope.afterRelease1(), EnvelopeState::Release2);
    envelope.level = 800;  // at decay1Level, not above it
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release2);
    envelope.level = 801;
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release1);
    envelope.level = 600;  // at decay2Level
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release3);
    envelope.level = 100;  // at releaseLevel
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release4);
    envelope.level = 101;
    envelope.keyOff();
    EXPECT_EQ(envelope.state, EnvelopeState::Release3);
}

TEST(VoiceEngine, LevelCheck)
{
    // One carrier at full level, no tremolo, no smoothing, velocity 127.
    auto bank = bankOf("tone[1]{ lfo{ amd(0) pmd(0) } op[0]{ tl(1.0) st(-1) } }");
    FmVoice voice = startVoice(*bank->findTone(1), 69);
    int32_t operatorPeak = 0;
    int32_t voicePeak = 0;
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(renderVoice(voice, {}));
        operatorPeak = std::max(operatorPeak, voice.operators[0].output);
        voicePeak = std::max(voicePeak, voice.output);
    }
    EXPECT_EQ(voice.operators[0].envelope.level, 1 << 30);
    // The phase passes the table's peak entry 1024 once per cycle.
    FmVoice exact = voice;
    exact.operators[0].phase = 1024u << 20;
    exact.operators[0].increment = 0;
    ASSERT_TRUE(renderVoice(exact, {}));
    EXPECT_EQ(exact.operators[0].output, 1 << 24);
    EXPECT_EQ(exact.output, 16515072);
    EXPECT_LE(operatorPeak, 1 << 24);
    EXPECT_LE(voicePeak, 16515072);
    EXPECT_GT(voicePeak, 16000000);
}

TEST(VoiceEngine, SmoothingExtremes)
{
    auto full = bankOf("tone[1]{ lfo{ amd(0) } op[0]{ tl(1.0) st(-1) } lpf(1.0) }");
    auto none = bankOf("tone[1]{ lfo{ amd(0) } op[0]{ tl(1.0) st(-1) } lpf(0) }");
    FmVoice a = startVoice(*full->findTone(1), 60, 100);
    FmVoice b = startVoice(*none->findTone(1), 60, 100);
    for (int i = 0; i < 500; ++i) {
        renderVoice(a, {});
        renderVoice(b, {});
        const int32_t sum = a.operators[0].output;
        EXPECT_EQ(a.output, ((a.velocityGain * (sum >> 8)) >> 9) * 0x8000 >> 6);
        EXPECT_EQ(b.output, 0);
    }
}

TEST(VoiceEngine, CarriersEndTheVoiceModulatorsDoNot)
{
    // Operator 0 (carrier) ends fast, operator 1 (carrier) slowly, operator 2 (modulator) at once.
    auto bank = bankOf("tone[1]{ on(3) con(3) op[0]{ tl(1.0) dl(0) sl(0) dt1(0.001) }\r\n"
                       " op[1]{ tl(1.0) dl(0) sl(0) dt1(0.01) } op[2]{ tl(0.1) dl(0) sl(0) } }");
    FmVoice voice = startVoice(*bank->findTone(1), 60);
    EXPECT_EQ(voice.carrierCount, 2u);
    int samples = 0;
    while (renderVoice(voice, {})) {
        ++samples;
        ASSERT_LT(samples, 10000);
    }
    EXPECT_EQ(voice.operators[2].envelope.state, EnvelopeState::Off);
    EXPECT_EQ(voice.operators[0].envelope.state, EnvelopeState::Off);
    EXPECT_EQ(voice.operators[1].envelope.state, EnvelopeState::Off);
    EXPECT_GT(samples, 400);  // lasted until the slower carrier ended
}

TEST(VoiceEngine, FeedbackReadsThePreviousSample)
{
    auto bank = bankOf("tone[1]{ on(2) con(1) op[0]{ con(3) tl(1.0) st(-1) ml(2) } op[1]{ tl(1.0) st(-1) mul(3) } }");
    FmVoice voice = startVoice(*bank->findTone(1), 60);
    const SineTable& sine = buildTables().sineTable;
    for (int i = 0; i < 300; ++i) {
        const int32_t previous0 = voice.operators[0].output;
        const int32_t previous1 = voice.operators[1].output;
        renderVoice(voice, {});
        const FmOperator& op = voice.operators[0];
        const int32_t m = previous0 + previous1;  // both from the previous sample
        const uint32_t index = (op.phase + static_cast<uint32_t>(op.modIndex >> 8) * static_cast<uint32_t>(m >> 8)) >> 20;
        const uint32_t a = (static_cast<uint32_t>(op.envelope.level >> 20) * static_cast<uint32_t>(op.gain)) >> 10;
        ASSERT_EQ(op.output, static_cast<int32_t>(static_cast<uint32_t>(sine[index] >> 14) * ((a * a) >> 12))) << i;
    }
}

TEST(VoiceEngine, SplitInterpolation)
{
    auto bank = bankOf("tone[1]{ sn(3) sec[0]{ sc(48) op[0]{ mul(1) tl(1.0) } } sec[1]{ sc(60) op[0]{ mul(2) tl(0.5) } }\r\n"
                       " sec[2]{ sc(72) op[0]{ mul(4) tl(0.25) } } }");
    const Tone& tone = *bank->findTone(1);
    const auto peakAt = [&](uint32_t note) { return startVoice(tone, note).operators[0].envelope.peakLevel; };
    EXPECT_EQ(peakAt(30), 1 << 30);
    EXPECT_EQ(peakAt(48), 1 << 30);
    EXPECT_EQ(peakAt(60), (1 << 30) + ((536870912 - (1 << 30)) / 12) * 12);  // interpolated from split 0
    EXPECT_EQ(peakAt(66), 536870912 + ((268435456 - 536870912) / 12) * 6);
    EXPECT_EQ(peakAt(72), 268435456);
    EXPECT_EQ(peakAt(100), 268435456);
    EXPECT_EQ(startVoice(tone, 54).operators[0].increment,
              operatorIncrement(1048576 + ((2097152 - 1048576) / 12) * 6, 0, 54, 64, 64));
}

TEST(VoiceEngine, RhythmChannelIgnoresTuning)
{
    auto bank = bankOf("tone[1]{ op[0]{ tl(1.0) } }");
    VoiceControls tuned;
    tuned.coarseTune = 70;
    tuned.fineTune = 10;
    const int32_t melodic = startVoice(*bank->findTone(1), 60, 100, tuned).operators[0].increment;
    tuned.rhythm = true;
    const int32_t rhythm = startVoice(*bank->findTone(1), 60, 100, tuned).operators[0].increment;
    EXPECT_EQ(rhythm, operatorIncrement(1 << 20, 0, 60, 64, 64));
    EXPECT_EQ(melodic, operatorIncrement(1 << 20, 0, 60, 70, 10));
}

}  // namespace
}  // namespace quorva
