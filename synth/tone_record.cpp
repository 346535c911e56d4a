#include "synth/tone_record.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace quorva {
namespace {

constexpr double sampleRate = 44100.0;
constexpr double twoTo20 = 1048576.0;
constexpr double twoTo24 = 16777216.0;
constexpr double twoTo30 = 1073741824.0;
constexpr double twoTo32 = 4294967296.0;
// The double nearest to 1/44100; multiplied, not divided, as the tone format fixes.
constexpr double inverseSampleRate = 0.000022675736961451248;

// Truncation toward zero keeping the low 32 bits. Values beyond 64 bits cannot be truncated
// meaningfully and are rejected.
bool truncLow32(double x, int32_t& out)
{
    if (!std::isfinite(x) || std::fabs(x) >= 9.2e18) {
        return false;
    }
    out = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(x))));
    return true;
}

bool convertRate(double v, double scale, int32_t& out)
{
    if (v == 0.0) {
        return truncLow32(scale, out);
    }
    if (v < 0.0) {
        out = 0;
        return true;
    }
    return truncLow32(scale / (v * sampleRate), out);
}

bool setScaled(int32_t& field, double v, double scale)
{
    int32_t converted = 0;
    if (!truncLow32(v * scale, converted)) {
        return false;
    }
    field = converted;
    return true;
}

int32_t ToneOperator::* const valueFields[toneValueCount] = {
    &ToneOperator::multiple, &ToneOperator::detune, &ToneOperator::initialPhase,
    &ToneOperator::modIndex, &ToneOperator::outputGain, &ToneOperator::delay,
    &ToneOperator::attack1Rate, &ToneOperator::attack2Rate, &ToneOperator::decay1Rate,
    &ToneOperator::decay2Rate, &ToneOperator::decay3Rate, &ToneOperator::releaseRate,
    &ToneOperator::finalRate, &ToneOperator::baseLevel, &ToneOperator::attack1Level,
    &ToneOperator::peakLevel, &ToneOperator::decay1Level, &ToneOperator::decay2Level,
    &ToneOperator::releaseLevel,
};

struct KeywordValue {
    const char* keyword;
    ToneValue value;
};

constexpr KeywordValue valueKeywords[] = {
    {"mul", ToneValue::multiple}, {"det", ToneValue::detune}, {"ph", ToneValue::initialPhase},
    {"ml", ToneValue::modIndex}, {"vs", ToneValue::outputGain}, {"ht", ToneValue::delay},
    {"at1", ToneValue::attack1Rate}, {"at2", ToneValue::attack2Rate}, {"at", ToneValue::attack2Rate},
    {"dt1", ToneValue::decay1Rate}, {"dt2", ToneValue::decay2Rate}, {"dt", ToneValue::decay2Rate},
    {"st", ToneValue::decay3Rate}, {"rt1", ToneValue::releaseRate}, {"rt", ToneValue::releaseRate},
    {"rt2", ToneValue::finalRate}, {"il", ToneValue::baseLevel}, {"al", ToneValue::attack1Level},
    {"tl", ToneValue::peakLevel}, {"dl", ToneValue::decay1Level}, {"sl", ToneValue::decay2Level},
    {"rl", ToneValue::releaseLevel},
};

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

void setDefaults(ToneOperator& op)
{
    op = ToneOperator{};
    op.multiple = 1048576;
    op.modIndex = 16777216;
    op.attack1Rate = 1073741824;
    op.attack2Rate = 1073741824;
    op.decay1Rate = 1073741824;
    op.decay2Rate = 1073741824;
    op.decay3Rate = 0;
    op.releaseRate = 243478;
    op.finalRate = 1073741824;
    op.decay1Level = 1073741824;
    op.decay2Level = 1073741824;
}

// baseLevel <= attack1Level <= peakLevel; baseLevel <= releaseLevel <= decay2Level <= decay1Level <= peakLevel.
template <typename Levels>
void orderLevels(Levels&& level)
{
    const int32_t base = level(ToneValue::baseLevel);
    for (ToneValue v : {ToneValue::attack1Level, ToneValue::peakLevel, ToneValue::decay1Level,
                        ToneValue::decay2Level, ToneValue::releaseLevel}) {
        level(v) = std::max(level(v), base);
    }
    level(ToneValue::attack1Level) = std::min(level(ToneValue::attack1Level), level(ToneValue::peakLevel));
    level(ToneValue::decay1Level) = std::min(level(ToneValue::decay1Level), level(ToneValue::peakLevel));
    level(ToneValue::decay2Level) = std::min(level(ToneValue::decay2Level), level(ToneValue::decay1Level));
    level(ToneValue::releaseLevel) = std::min(level(ToneValue::releaseLevel), level(ToneValue::decay2Level));
}

void computeSlopes(ToneSplit& split, const ToneSplit& next)
{
    int32_t distance = static_cast<int32_t>(next.key) - static_cast<int32_t>(split.key);
    if (distance == 0) {
        distance = 1;
    }
    for (int op = 0; op < toneOperatorCount; ++op) {
        for (int v = 0; v < toneValueCount; ++v) {
            const auto which = static_cast<ToneValue>(v);
            const auto difference = static_cast<int32_t>(static_cast<uint32_t>(next.operators[op].value(which)) -
                                                         static_cast<uint32_t>(split.operators[op].value(which)));
            // In 64 bits so that INT32_MIN / -1 stays defined; the result keeps its low 32 bits.
            split.operators[op].slope(which) =
                static_cast<int32_t>(static_cast<int64_t>(difference) / static_cast<int64_t>(distance));
        }
    }
}

}  // namespace

int32_t& ToneOperator::value(ToneValue which) { return this->*valueFields[static_cast<int>(which)]; }
int32_t ToneOperator::value(ToneValue which) const { return this->*valueFields[static_cast<int>(which)]; }

int ToneSplitOperator::valuePosition(ToneValue which)
{
    if (which == ToneValue::peakLevel) {
        return 16;
    }
    if (which == ToneValue::decay1Level) {
        return 15;
    }
    return static_cast<int>(which);
}

void initTone(Tone& tone)
{
    const int32_t number = tone.number;
    tone.splits.clear();
    tone.number = number;
    tone.lfoDelay = 0;
    tone.lfoFadeStep = 1902;
    tone.lfoStep = 486957;
    tone.lfoDepth = 0;
    tone.ampModDepth = 107374182;
    tone.pitchModDepth = 429496729;
    tone.carrierMask = 1;
    tone.operatorCount = 1;
    tone.outputSmoothing = 16.0;
    tone.oneShot = 0;
    for (auto& op : tone.operators) {
        setDefaults(op);
    }
    tone.splitCount = 0;
    tone.splitsAllocated = false;
}

bool allocateSplits(Tone& tone, int32_t n)
{
    if (tone.splitsAllocated || n < 0 || n > toneMaxSplits) {
        return false;
    }
    tone.splitsAllocated = true;
    tone.splitCount = static_cast<uint8_t>(n);
    tone.splits.assign(static_cast<std::size_t>(n), ToneSplit{});
    for (auto& split : tone.splits) {
        for (int op = 0; op < toneOperatorCount; ++op) {
            for (int v = 0; v < toneValueCount; ++v) {
                const auto which = static_cast<ToneValue>(v);
                split.operators[op].value(which) = tone.operators[op].value(which);
            }
        }
    }
    return true;
}

void compileTone(Tone& tone)
{
    for (auto& op : tone.operators) {
        orderLevels([&op](ToneValue v) -> int32_t& { return op.value(v); });
    }
    for (auto& split : tone.splits) {
        for (auto& op : split.operators) {
            orderLevels([&op](ToneValue v) -> int32_t& { return op.value(v); });
        }
    }
    for (std::size_t j = 0; j + 1 < tone.splits.size(); ++j) {
        computeSlopes(tone.splits[j], tone.splits[j + 1]);
    }
}

bool setCarrierMask(Tone& tone, int32_t n)
{
    if (n < 0 || n > 63) {
        return false;
    }
    tone.carrierMask = static_cast<uint8_t>(n);
    return true;
}

bool setOperatorCount(Tone& tone, int32_t n)
{
    if (n < 0 || n > toneOperatorCount) {
        return false;
    }
    tone.operatorCount = static_cast<uint8_t>(n);
    return true;
}

bool setOneShot(Tone& tone, int32_t n)
{
    tone.oneShot = n > 0 ? 1 : 0;
    return true;
}

bool setOutputSmoothing(Tone& tone, double v)
{
    if (!(v >= 0.0 && v <= 1.0)) {
        return false;
    }
    tone.outputSmoothing = 16.0 * v;
    return true;
}

bool setLfoDelay(Tone& tone, double v) { return setScaled(tone.lfoDelay, v, sampleRate); }

bool setLfoStep(Tone& tone, double v)
{
    int32_t converted = 0;
    if (!truncLow32(twoTo32 * v * inverseSampleRate, converted)) {
        return false;
    }
    tone.lfoStep = static_cast<uint32_t>(converted);
    return true;
}

bool setLfoDepth(Tone& tone, double v) { return setScaled(tone.lfoDepth, v, twoTo30); }
bool setAmpModDepth(Tone& tone, double v) { return setScaled(tone.ampModDepth, v, twoTo30); }
bool setPitchModDepth(Tone& tone, double v) { return setScaled(tone.pitchModDepth, v, twoTo30); }

bool setModulatorMask(ToneOperator& op, int32_t n)
{
    const auto low = static_cast<uint8_t>(static_cast<uint32_t>(n) & 0xFF);
    if (low >= 64) {
        return false;
    }
    op.modulatorMask = low;
    return true;
}

void setSplitKey(ToneSplit& split, int32_t n) { split.key = static_cast<uint8_t>(static_cast<uint32_t>(n) & 0xFF); }

bool convertToneValue(ToneValue which, double v, int32_t& stored)
{
    switch (which) {
    case ToneValue::multiple:
        return truncLow32(v * twoTo20, stored);
    case ToneValue::modIndex:
    case ToneValue::outputGain:
        return truncLow32(v * twoTo24, stored);
    case ToneValue::initialPhase:
        return truncLow32(v * twoTo32, stored);
    case ToneValue::delay:
        return truncLow32(v * sampleRate, stored);
    case ToneValue::attack1Rate:
    case ToneValue::attack2Rate:
    case ToneValue::decay1Rate:
    case ToneValue::decay2Rate:
    case ToneValue::decay3Rate:
    case ToneValue::releaseRate:
    case ToneValue::finalRate:
        return convertRate(v, twoTo30, stored);
    default:  // detune and the six levels
        return truncLow32(v * twoTo30, stored);
    }
}

bool setToneValue(ToneOperator& op, ToneValue which, double v)
{
    int32_t stored = 0;
    if (!convertToneValue(which, v, stored)) {
        return false;
    }
    op.value(which) = stored;
    return true;
}

bool setToneValue(ToneSplitOperator& op, ToneValue which, double v)
{
    int32_t stored = 0;
    if (!convertToneValue(which, v, stored)) {
        return false;
    }
    op.value(which) = stored;
    return true;
}

bool toneValueForKeyword(std::string_view word, ToneValue& which)
{
    for (const auto& entry : valueKeywords) {
        if (equalsIgnoringCase(word, entry.keyword)) {
            which = entry.value;
            return true;
        }
    }
    return false;
}

}  // namespace quorva
