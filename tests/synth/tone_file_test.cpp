#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/temp_dir.h"
#include "synth/tone_bank.h"
#include "synth/tone_lexer.h"

namespace quorva {
namespace {

const std::string header = "quorvatone 0.7\r\n";

bool loadText(ToneBank& bank, const std::string& text)
{
    testing::TempDir dir;
    return bank.loadToneFile(dir.write("fmstone.dat", text).string());
}

bool loads(const std::string& text)
{
    ToneBank bank;
    return loadText(bank, text);
}

TEST(ToneFile, HeaderIsCheckedExactly)
{
    EXPECT_FALSE(loads(""));
    EXPECT_FALSE(loads("tone[0]{}"));
    EXPECT_TRUE(loads("quorvatone 0.7"));
    EXPECT_TRUE(loads("QUORVATONE .7\r\n"));
    EXPECT_TRUE(loads("QuorvaTone 0.7000\r\n"));
    EXPECT_FALSE(loads("quorvatone 0.8\r\n"));
    EXPECT_FALSE(loads("quorvatone 7\r\n"));
    EXPECT_FALSE(loads("quorvatone\r\n"));

    ToneBank bank;
    EXPECT_FALSE(bank.loadToneFile("/nonexistent/fmstone.dat"));
}

TEST(ToneFile, HeaderOnlyGivesAnEmptyBank)
{
    ToneBank bank;
    ASSERT_TRUE(loadText(bank, header));
    EXPECT_EQ(bank.toneCount(), 0u);
    for (int program = 0; program < 128; ++program) {
        EXPECT_EQ(bank.toneForProgram(program, 0, 0), nullptr);
        EXPECT_EQ(bank.drumSetForProgram(program), nullptr);
    }
}

TEST(ToneFile, LexicalRules)
{
    EXPECT_TRUE(loads(header + "// a comment with any bytes \x01\xff\r\n/* block\r\n still */ tone[1]{}"));
    EXPECT_FALSE(loads(header + "/* never closed\r\n"));
    EXPECT_FALSE(loads(header + "tone[1]{ op[0]{ mul(1.0.1) } }"));    // two points
    EXPECT_FALSE(loads(header + "tone[1]{ op[0]{ mul(1.00000000) } }"));  // ten characters
    EXPECT_TRUE(loads(header + "tone[1]{ op[0]{ mul(1.0000000) } }"));   // nine
    EXPECT_FALSE(loads(header + "tone[1]{ op[0]{ mul(+1) } }"));
    EXPECT_FALSE(loads(header + "tone[1]{ op[0]{ mul(-) } }"));
    EXPECT_FALSE(loads(header + "tone[1]{ op[0]{ mul(.) } }"));
    EXPECT_FALSE(loads(header + "tone[1]{}\n"));                         // a bare line feed
    EXPECT_FALSE(loads("quorvatone 0.7\ntone[1]{}\n"));
    EXPECT_FALSE(loads(header + "tone[1]{} / "));
    EXPECT_FALSE(loads(header + "tone_1"));
    const auto tokens = [](const std::string& text) {
        return tokenizeToneText(std::vector<uint8_t>(text.begin(), text.end()));
    };
    EXPECT_TRUE(tokens(std::string(255, 'a')).has_value());
    EXPECT_FALSE(tokens(std::string(256, 'a')).has_value());
    const auto split = tokens("at1(1-2)x.5");
    ASSERT_TRUE(split.has_value());
    ASSERT_EQ(split->size(), 7u);
    EXPECT_EQ((*split)[0].word, "at1");
    EXPECT_EQ((*split)[2].integer, 1);
    EXPECT_EQ((*split)[3].integer, -2);
    EXPECT_EQ((*split)[6].kind, ToneTokenKind::Real);
    EXPECT_EQ((*split)[6].real, 0.5);
    EXPECT_FALSE(loads(header + "tone[1]{ \"x\" }"));
    // The byte after a carriage return is skipped whatever it is.
    EXPECT_TRUE(loads("quorvatone 0.7\r+tone[1]{}\r!"));
    EXPECT_TRUE(loads("quorvatone 0.7\r"));
}

TEST(ToneFile, SeparatorsAreOptional)
{
    ToneBank dense;
    ToneBank spaced;
    ASSERT_TRUE(loadText(dense, header + "tone[3]{on(2)con(1)op[0]{con(2)mul(2)tl(1.0)}op[1]{tl(.5)det(-0.25)}}"));
    ASSERT_TRUE(loadText(spaced, header + "tone , [ 3 ] { on ( 2 ) con:(1); op [0] { con(2) mul ( 2 ) tl(1.0) }\r\n"
                                          "\top[1]{ tl ( .5 ) det (-0.25) } }"));
    const Tone* a = dense.findTone(3);
    const Tone* b = spaced.findTone(3);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->operatorCount, 2);
    EXPECT_EQ(a->operators[0].modulatorMask, 2);
    EXPECT_EQ(a->operators[0].multiple, 2097152);
    EXPECT_EQ(a->operators[1].detune, -268435456);
    for (int op = 0; op < 6; ++op) {
        for (int v = 0; v < toneValueCount; ++v) {
            EXPECT_EQ(a->operators[op].value(static_cast<ToneValue>(v)), b->operators[op].value(static_cast<ToneValue>(v)));
        }
    }
    // A minus sign between digits starts a second number.
    EXPECT_FALSE(loads(header + "tone[1]{ on(1-2) }"));
}

TEST(ToneFile, ValueValidation)
{
    EXPECT_TRUE(loads(header + "tone[1]{ on(6) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ on(7) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ on(-1) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ on(2.0) }"));
    EXPECT_TRUE(loads(header + "tone[1]{ con(63) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ con(64) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ con(1.0) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ sn(1.0) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ sn(7) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ sn(0) sn(0) }"));
    EXPECT_TRUE(loads(header + "tone[1]{ op[0]{ mul(2) } lpf(1) perc(1) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ lpf(1.5) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ lpf(-0.1) }"));
    EXPECT_TRUE(loads(header + "tone[1]{ op[5]{ con(63) } }"));
    EXPECT_FALSE(loads(header + "tone[1]{ op[5]{ con(64) } }"));
    EXPECT_TRUE(loads(header + "tone[1]{ op[5]{ con(256) } }"));
    EXPECT_FALSE(loads(header + "tone[1]{ op[5]{ con(-1) } }"));
    EXPECT_FALSE(loads(header + "tone[1]{ op[6]{ } }"));
    EXPECT_FALSE(loads(header + "tone[1]{ sec[0]{ } }"));
    EXPECT_FALSE(loads(header + "tone[1]{ sn(1) sec[1]{ } }"));
    EXPECT_FALSE(loads(header + "tone[1]{ sn(1) sec[0]{ op[0]{ con(1) } } }"));
    EXPECT_FALSE(loads(header + "tone[2]{ tn(1.0) }"));
    EXPECT_FALSE(loads(header + "tonemap{ tone[0]{ tn(1.0) } }"));
    EXPECT_FALSE(loads(header + "tonemap{ tone[128]{ } }"));
    EXPECT_FALSE(loads(header + "tonemap{ tone[0 128]{ } }"));
    EXPECT_FALSE(loads(header + "tonemap{ tone[0 0 -1]{ } }"));
    EXPECT_FALSE(loads(header + "drumset[128]{ }"));
    EXPECT_FALSE(loads(header + "drumset[0]{ note[128]{ } }"));
    EXPECT_FALSE(loads(header + "}"));
    EXPECT_FALSE(loads(header + "tone[1] on(1)"));
    EXPECT_FALSE(loads(header + "tone[1]{ on(1)"));
    EXPECT_FALSE(loads(header + "tone[1]{ bogus(1) }"));
    EXPECT_FALSE(loads(header + "tone[1]{ op[0]{ mul 1 } }"));
}

TEST(ToneFile, PartialLoadKeepsWhatWasRead)
{
    ToneBank bank;
    EXPECT_FALSE(loadText(bank, header + "tone[1]{ on(2) } tone[2]{ on(9) }"));
    ASSERT_NE(bank.findTone(1), nullptr);
    EXPECT_EQ(bank.findTone(1)->operatorCount, 2);
}

TEST(ToneFile, ToneMapLookups)
{
    ToneBank bank;
    ASSERT_TRUE(loadText(bank, header +
                                   "tone[1]{} tone[2]{} tone[3]{}\r\n"
                                   "tonemap{ tone[0]{tn(1)} tone[0 0 0]{tn(2)} tone[1 8]{tn(3)}\r\n"
                                   "         tone[2 8]{tn(1)} tone[2 0 0]{tn(99)} tone[2 0 0]{tn(3)}\r\n"
                                   "         tone[5]{tn(200)} }"));
    EXPECT_EQ(bank.toneForProgram(0, 0, 0), bank.findTone(2));  // defined later wins
    EXPECT_EQ(bank.toneForProgram(1, 0, 0), nullptr);           // only bank 8
    EXPECT_EQ(bank.toneForProgram(1, 8, 0), bank.findTone(3));
    EXPECT_EQ(bank.toneForProgram(2, 8, 0), bank.findTone(1));
    EXPECT_EQ(bank.toneForProgram(2, 5, 5), bank.findTone(3));  // falls back to 0/0
    EXPECT_EQ(bank.toneForProgram(5, 0, 0), nullptr);           // undefined tone: silent
    EXPECT_EQ(bank.toneForProgram(6, 0, 0), nullptr);
}

TEST(ToneFile, DrumSets)
{
    ToneBank bank;
    ASSERT_TRUE(loadText(bank, header +
                                   "tone[10]{}\r\n"
                                   "drumset[0]{ note[42]{ tn(10) sc(300) pan(20) alt(46) } note[43]{ tn(11) } }\r\n"
                                   "drumset[5]{ }\r\n"
                                   "tone[11]{}\r\n"));
    const DrumSet* zero = bank.drumSetForProgram(7);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(zero->entries[42].tone, bank.findTone(10));
    EXPECT_EQ(zero->entries[42].note, 300 & 0xFF);
    EXPECT_EQ(zero->entries[42].pan, 20);
    EXPECT_EQ(zero->entries[42].cutKey, 46);
    EXPECT_EQ(zero->entries[43].tone, nullptr);  // named before its definition
    EXPECT_EQ(zero->entries[44].note, 60);
    EXPECT_EQ(zero->entries[44].pan, 64);
    EXPECT_EQ(zero->entries[44].cutKey, 128);
    const DrumSet* five = bank.drumSetForProgram(5);
    ASSERT_NE(five, nullptr);
    EXPECT_NE(five, zero);
    for (const auto& entry : five->entries) {
        EXPECT_EQ(entry.tone, nullptr);
    }
    // A second block for the same set starts from scratch.
    ASSERT_TRUE(loadText(bank, header + "tone[10]{} drumset[0]{ note[42]{ tn(10) } } drumset[0]{ note[1]{ pan(1) } }"));
    EXPECT_EQ(bank.drumSetForProgram(0)->entries[42].tone, nullptr);
    EXPECT_EQ(bank.drumSetForProgram(0)->entries[1].pan, 1);
}

TEST(ToneFile, RedefinedToneNeverLeavesADanglingReference)
{
    ToneBank bank;
    ASSERT_TRUE(loadText(bank, header + "tone[4]{ on(2) } tonemap{ tone[0]{ tn(4) } } tone[4]{ on(3) }"));
    EXPECT_EQ(bank.toneCount(), 1u);
    ASSERT_NE(bank.toneForProgram(0, 0, 0), nullptr);
    EXPECT_EQ(bank.toneForProgram(0, 0, 0)->operatorCount, 3);
    // Only the low 8 bits of a number find a tone.
    ASSERT_TRUE(loadText(bank, header + "tone[300]{} tone[44]{}"));
    EXPECT_EQ(bank.findTone(300), bank.findTone(44));
    bank.clearBank();
    EXPECT_EQ(bank.toneCount(), 0u);
    EXPECT_EQ(bank.drumSetForProgram(0), nullptr);
}

TEST(ToneFile, SplitsCopyThePlainOperators)
{
    ToneBank bank;
    ASSERT_TRUE(loadText(bank, header + "tone[1]{ op[0]{ tl(1.0) } sn(2) sec[0]{ sc(60) } sec[1]{ sc(72) op[0]{ mul(2) } } }"));
    const Tone* tone = bank.findTone(1);
    ASSERT_NE(tone, nullptr);
    ASSERT_EQ(tone->splitCount, 2);
    EXPECT_EQ(tone->splits[0].operators[0].value(ToneValue::peakLevel), 1073741824);
    EXPECT_EQ(tone->splits[0].operators[0].values[16], 1073741824);  // stored order: 15 and 16 exchanged
    EXPECT_EQ(tone->splits[0].key, 60);
    EXPECT_EQ(tone->splits[0].operators[0].slope(ToneValue::multiple), 87381);
}

TEST(ToneFile, GarbageNeverCrashes)
{
    std::mt19937 random(1234);
    const std::string valid = header +
                              "tone[1]{ on(2) con(1) lfo{ dly(0.1) spd(5) } op[0]{ con(3) tl(1.0) at(0.01) }\r\n"
                              " sn(2) sec[0]{ sc(40) op[1]{ tl(0.5) } } sec[1]{ sc(80) } }\r\n"
                              "tonemap{ tone[0 0 0]{ tn(1) } } drumset[0]{ note[36]{ tn(1) sc(36) alt(42) } }\r\n";
    for (int round = 0; round < 3000; ++round) {
        std::string text = valid;
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % text.size();
            switch (random() % 3) {
            case 0: text[at] = static_cast<char>(random() % 256); break;
            case 1: text.erase(at, 1 + random() % 8); break;
            default: text.resize(at); break;
            }
            if (text.empty()) {
                break;
            }
        }
        ToneBank bank;
        const std::vector<uint8_t> bytes(text.begin(), text.end());
        bank.loadToneText(bytes);
    }
    ToneBank bank;
    EXPECT_TRUE(bank.loadToneText(std::vector<uint8_t>(valid.begin(), valid.end())));
}

}  // namespace
}  // namespace quorva
