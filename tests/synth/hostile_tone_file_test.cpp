// Tone files found by fuzzing the tone file reader: each once made the bank grow without
// bound or its loading take time quadratic in the file's length.
#include <gtest/gtest.h>

#include <span>
#include <string>

#include "support/temp_dir.h"
#include "synth/tone_bank.h"

namespace quorva {
namespace {

const std::string header = "quorvatone 0.7\r\n";

bool loadText(ToneBank& bank, const std::string& text)
{
    testing::TempDir dir;
    return bank.loadToneFile(dir.write("fmstone.dat", text).string());
}

std::string repeated(const std::string& block, int times)
{
    std::string text = header;
    for (int i = 0; i < times; ++i) {
        text += block;
    }
    return text;
}

TEST(HostileToneFile, TonesNoNumberCanFindShareOneRecord)
{
    ToneBank bank;
    ASSERT_TRUE(loadText(bank, repeated("tone[300]{ sn(6) } tone[-1]{ on(2) } ", 5000)));
    EXPECT_EQ(bank.toneCount(), 0u);
    for (int32_t number = 0; number < 256; ++number) {
        EXPECT_EQ(bank.findTone(number), nullptr);
    }
    // Tones that can be found live beside them unchanged.
    bank.clearBank();
    ASSERT_TRUE(loadText(bank, header + "tone[300]{ on(5) } tone[44]{ on(3) } tone[1000]{ on(4) }"));
    ASSERT_NE(bank.findTone(44), nullptr);
    EXPECT_EQ(bank.findTone(44)->operatorCount, 3);
    EXPECT_EQ(bank.findTone(300), bank.findTone(44));
    EXPECT_EQ(bank.toneCount(), 1u);
}

TEST(HostileToneFile, ANumberOutsideTheRangeTakesOverTheToneItsLowBitsFind)
{
    // tone[300] finds tone 44 and redefines it under a number nothing finds: the map entry that
    // named 44 follows it, and 44 is free for a new tone.
    ToneBank bank;
    ASSERT_TRUE(loadText(bank, header + "tone[44]{ on(2) } tonemap{ tone[0]{ tn(44) } } tone[300]{ on(3) }"));
    ASSERT_NE(bank.toneForProgram(0, 0, 0), nullptr);
    EXPECT_EQ(bank.toneForProgram(0, 0, 0)->operatorCount, 3);
    EXPECT_EQ(bank.toneForProgram(0, 0, 0)->number, 300);
    EXPECT_EQ(bank.findTone(44), nullptr);
    bank.clearBank();
    ASSERT_TRUE(loadText(bank, header + "tone[44]{ on(2) } tonemap{ tone[0]{ tn(44) } } tone[300]{ on(3) } tone[44]{ on(4) }"));
    ASSERT_NE(bank.findTone(44), nullptr);
    EXPECT_EQ(bank.findTone(44)->operatorCount, 4);
    EXPECT_EQ(bank.toneForProgram(0, 0, 0)->operatorCount, 3);
    EXPECT_EQ(bank.toneCount(), 2u);

    // Taking over again and again keeps each record (an entry may name it), but finding a
    // tone no longer walks them all.
    bank.clearBank();
    ASSERT_TRUE(loadText(bank, repeated("tone[44]{} tone[300]{} ", 20000)));
    EXPECT_EQ(bank.toneCount(), 20000u);
    EXPECT_EQ(bank.findTone(44), nullptr);
}

TEST(HostileToneFile, AFileLongerThanTheLimitIsRefusedAndLeavesTheBank)
{
    auto bytes = [](const std::string& text) {
        return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    };
    std::string text = header + "tone[2]{} /*";
    text.resize(ToneBank::maxFileBytes - 2, ' ');
    text += "*/";
    ToneBank bank;
    EXPECT_TRUE(loadText(bank, text));
    bank.clearBank();
    EXPECT_TRUE(bank.loadToneText(bytes(text)));
    bank.clearBank();

    ASSERT_TRUE(loadText(bank, header + "tone[1]{}"));
    text.insert(text.size() - 2, " ");
    EXPECT_FALSE(loadText(bank, text));
    EXPECT_FALSE(bank.loadToneText(bytes(text)));
    EXPECT_NE(bank.findTone(1), nullptr);
    EXPECT_EQ(bank.findTone(2), nullptr);
}

}  // namespace
}  // namespace quorva
