#include <gtest/gtest.h>

#include "synth/tone_record.h"

namespace quorva {
namespace {

int32_t converted(ToneValue which, double v)
{
    int32_t stored = 0;
    EXPECT_TRUE(convertToneValue(which, v, stored));
    return stored;
}

TEST(ToneConvert, Defaults)
{
    Tone tone;
    initTone(tone);
    EXPECT_EQ(tone.lfoFadeStep, 1902);
    EXPECT_EQ(tone.lfoStep, 486957u);
    EXPECT_EQ(tone.ampModDepth, 107374182);
    EXPECT_EQ(tone.pitchModDepth, 429496729);
    EXPECT_EQ(tone.carrierMask, 1);
    EXPECT_EQ(tone.operatorCount, 1);
    EXPECT_EQ(tone.outputSmoothing, 16.0);
    const ToneOperator& op = tone.operators[5];
    EXPECT_EQ(op.multiple, 1048576);
    EXPECT_EQ(op.modIndex, 16777216);
    EXPECT_EQ(op.attack1Rate, 1073741824);
    EXPECT_EQ(op.decay3Rate, 0);
    EXPECT_EQ(op.releaseRate, 243478);
    EXPECT_EQ(op.finalRate, 1073741824);
    EXPECT_EQ(op.decay1Level, 1073741824);
    compileTone(tone);
    EXPECT_EQ(tone.operators[0].decay1Level, 0);  // pulled down to the peak of 0
    EXPECT_EQ(tone.operators[0].decay2Level, 0);
}

TEST(ToneConvert, Conversions)
{
    EXPECT_EQ(converted(ToneValue::multiple, 0.5), 524288);
    EXPECT_EQ(converted(ToneValue::multiple, 2), 2097152);
    EXPECT_EQ(converted(ToneValue::detune, -0.25), -268435456);
    EXPECT_EQ(converted(ToneValue::initialPhase, 0.25), 1073741824);
    EXPECT_EQ(converted(ToneValue::initialPhase, 0.75), -1073741824);
    EXPECT_EQ(converted(ToneValue::delay, 0.01), 441);
    EXPECT_EQ(converted(ToneValue::attack1Rate, 1.0), 24347);
    EXPECT_EQ(converted(ToneValue::attack1Rate, 0.5), 48695);
    EXPECT_EQ(converted(ToneValue::attack1Rate, 0), 1073741824);
    EXPECT_EQ(converted(ToneValue::attack1Rate, -2), 0);
    EXPECT_EQ(converted(ToneValue::releaseRate, 0.1), 243478);
    EXPECT_EQ(converted(ToneValue::outputGain, 0.5), 8388608);
    EXPECT_EQ(converted(ToneValue::peakLevel, 1.0), 1073741824);
    EXPECT_EQ(converted(ToneValue::peakLevel, 2.0), static_cast<int32_t>(0x80000000u));  // low 32 bits

    Tone tone;
    initTone(tone);
    EXPECT_TRUE(setLfoDelay(tone, 0.5));
    EXPECT_EQ(tone.lfoDelay, 22050);
    EXPECT_TRUE(setLfoStep(tone, 1.0));
    EXPECT_EQ(tone.lfoStep, 97391u);
    EXPECT_TRUE(setOutputSmoothing(tone, 0.5));
    EXPECT_EQ(tone.outputSmoothing, 8.0);
    EXPECT_FALSE(setOutputSmoothing(tone, 1.5));
    EXPECT_EQ(tone.outputSmoothing, 8.0);
    EXPECT_TRUE(setOneShot(tone, 2));
    EXPECT_EQ(tone.oneShot, 1);
    EXPECT_TRUE(setOneShot(tone, 0));
    EXPECT_EQ(tone.oneShot, 0);
    ToneValue which{};
    EXPECT_TRUE(toneValueForKeyword("AT", which));
    EXPECT_EQ(which, ToneValue::attack2Rate);
    EXPECT_TRUE(toneValueForKeyword("rt", which));
    EXPECT_EQ(which, ToneValue::releaseRate);
    EXPECT_FALSE(toneValueForKeyword("con", which));
}

TEST(ToneConvert, LevelOrdering)
{
    Tone tone;
    initTone(tone);
    ToneOperator& a = tone.operators[0];
    setToneValue(a, ToneValue::baseLevel, 0.5);
    setToneValue(a, ToneValue::peakLevel, 0.25);
    ToneOperator& b = tone.operators[1];
    setToneValue(b, ToneValue::peakLevel, 1.0);
    setToneValue(b, ToneValue::decay1Level, 0.5);
    setToneValue(b, ToneValue::decay2Level, 0.75);
    setToneValue(b, ToneValue::releaseLevel, 0.9);
    setToneValue(b, ToneValue::attack1Level, 1.5);
    compileTone(tone);
    EXPECT_EQ(a.baseLevel, 536870912);
    EXPECT_EQ(a.peakLevel, 536870912);
    EXPECT_EQ(a.attack1Level, 536870912);
    EXPECT_EQ(a.decay1Level, 536870912);
    EXPECT_EQ(a.decay2Level, 536870912);
    EXPECT_EQ(a.releaseLevel, 536870912);
    EXPECT_EQ(b.decay2Level, 536870912);
    EXPECT_EQ(b.releaseLevel, 536870912);
    EXPECT_EQ(b.attack1Level, 1073741824);
}

TEST(ToneConvert, Splits)
{
    Tone tone;
    initTone(tone);
    setToneValue(tone.operators[0], ToneValue::peakLevel, 1.0);
    setToneValue(tone.operators[0], ToneValue::decay1Level, 0.5);
    EXPECT_FALSE(allocateSplits(tone, 7));
    ASSERT_TRUE(allocateSplits(tone, 3));
    EXPECT_FALSE(allocateSplits(tone, 1));
    // Every split starts from the plain operators, positions 15 and 16 exchanged.
    EXPECT_EQ(tone.splits[2].operators[0].values[15], 536870912);
    EXPECT_EQ(tone.splits[2].operators[0].values[16], 1073741824);
    setSplitKey(tone.splits[0], 60);
    setSplitKey(tone.splits[1], 72 + 256);
    setSplitKey(tone.splits[2], 72);
    setToneValue(tone.splits[1].operators[0], ToneValue::multiple, 2.0);
    setToneValue(tone.splits[1].operators[0], ToneValue::peakLevel, 0.5);
    setToneValue(tone.splits[1].operators[0], ToneValue::decay1Level, 0.75);  // lowered to the peak
    compileTone(tone);
    EXPECT_EQ(tone.splits[1].key, 72);
    EXPECT_EQ(tone.splits[0].operators[0].slope(ToneValue::multiple), 87381);
    EXPECT_EQ(tone.splits[0].operators[0].slope(ToneValue::peakLevel), (536870912 - 1073741824) / 12);
    EXPECT_EQ(tone.splits[0].operators[0].slopes[15], (536870912 - 1073741824) / 12);
    EXPECT_EQ(tone.splits[0].operators[0].slopes[16], 0);  // decay1Level stays 0.5
    // Equal keys: the divisor is 1.
    EXPECT_EQ(tone.splits[1].operators[0].slope(ToneValue::multiple), 1048576 - 2097152);

    Tone zero;
    initTone(zero);
    ASSERT_TRUE(allocateSplits(zero, 0));
    EXPECT_FALSE(allocateSplits(zero, 0));
    initTone(zero);
    EXPECT_TRUE(allocateSplits(zero, 0));
}

}  // namespace
}  // namespace quorva
