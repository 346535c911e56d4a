// The shipped tone file: it loads, covers every General MIDI program and percussion key, and
// its tones stay within the engine's level range.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "synth/fm_voice.h"
#include "synth/tone_bank.h"

namespace quorva {
namespace {

std::string shippedToneFile()
{
    const char* source = std::getenv("QUORVA_SOURCE_DIR");
    return (std::filesystem::path(source ? source : ".") / "data" / "fmstone.dat").string();
}

// The largest voice output magnitude of a note held for `held` samples and then released.
int64_t loudest(const Tone& tone, uint32_t note, int held, bool& ended)
{
    FmVoice voice{};
    VoiceControls controls;
    controls.modulation = 127;
    initVoice(voice, nullptr, controls, note, note, 127, 64, tone);
    int64_t peak = 0;
    ended = false;
    for (int t = 0; t < held + 44100 * 4; ++t) {
        if (t == held) {
            releaseOperators(voice);
        }
        if (!renderVoice(voice, controls)) {
            ended = true;
            break;
        }
        peak = std::max<int64_t>(peak, std::abs(static_cast<int64_t>(voice.output)));
    }
    return peak;
}

TEST(ToneData, ShippedBankCoversGeneralMidi)
{
    ToneBank bank;
    ASSERT_TRUE(bank.loadToneFile(shippedToneFile()));
    for (int program = 0; program < 128; ++program) {
        const Tone* tone = bank.toneForProgram(program, 0, 0);
        ASSERT_NE(tone, nullptr) << program;
        EXPECT_GT(tone->operatorCount, 0) << program;
        EXPECT_NE(tone->carrierMask & ((1 << tone->operatorCount) - 1), 0) << program;
    }
    const DrumSet* drums = bank.drumSetForProgram(0);
    ASSERT_NE(drums, nullptr);
    for (int key = 35; key <= 81; ++key) {
        EXPECT_NE(drums->entries[key].tone, nullptr) << key;
    }
    EXPECT_EQ(drums->entries[42].cutKey, 46);  // closed and pedal hi-hat cut the open one
    EXPECT_EQ(drums->entries[44].cutKey, 46);
    EXPECT_GE(drums->entries[46].cutKey, 128);
    for (int kit : {8, 16, 24, 25, 32, 40, 48}) {
        EXPECT_NE(bank.drumSetForProgram(kit), drums) << kit;  // the usual kits have sets of their own
    }
    EXPECT_EQ(bank.drumSetForProgram(1), drums);  // other programs fall back to set 0
}

TEST(ToneData, ShippedTonesStayInRangeAndEnd)
{
    ToneBank bank;
    ASSERT_TRUE(bank.loadToneFile(shippedToneFile()));
    constexpr int64_t fullScale = 16515072;  // one carrier at full level, velocity 127
    for (int program = 0; program < 128; ++program) {
        const Tone& tone = *bank.toneForProgram(program, 0, 0);
        for (uint32_t note : {36u, 60u, 96u}) {
            bool ended = false;
            const int64_t peak = loudest(tone, note, 22050, ended);
            EXPECT_LE(peak, fullScale * 5 / 4) << "program " << program << " note " << note;
            EXPECT_GT(peak, fullScale / 50) << "program " << program << " note " << note;
            EXPECT_TRUE(ended) << "program " << program << " note " << note << " rings on after its release";
        }
    }
    const DrumSet& drums = *bank.drumSetForProgram(0);
    for (int key = 35; key <= 81; ++key) {
        const DrumEntry& entry = drums.entries[key];
        bool ended = false;
        const int64_t peak = loudest(*entry.tone, entry.note, 44100 * 2, ended);
        EXPECT_LE(peak, fullScale * 5 / 4) << "drum key " << key;
        EXPECT_GT(peak, fullScale / 50) << "drum key " << key;
        EXPECT_TRUE(ended) << "drum key " << key;
    }
}

}  // namespace
}  // namespace quorva
