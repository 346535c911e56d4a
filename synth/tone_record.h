#pragma once
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorva {

// Fixed-point units of the compiled tone (44100 samples per second throughout):
// levels and depths 2^30 = 1.0, multiples 2^20 = 1.0, modIndex and outputGain 2^24 = 1.0,
// phases 2^32 = one cycle, times in samples, rates as per-sample level steps.

inline constexpr int toneOperatorCount = 6;
inline constexpr int toneValueCount = 19;
inline constexpr int toneMaxSplits = 6;

// Position of each of the nineteen operator values (the order of the tone file's table).
enum class ToneValue : uint8_t {
    multiple, detune, initialPhase, modIndex, outputGain, delay,
    attack1Rate, attack2Rate, decay1Rate, decay2Rate, decay3Rate, releaseRate, finalRate,
    baseLevel, attack1Level, peakLevel, decay1Level, decay2Level, releaseLevel,
};

struct ToneOperator {
    uint8_t modulatorMask = 0;  // bit j: operator j's output modulates this one's phase
    int32_t multiple = 0;
    int32_t detune = 0;
    int32_t initialPhase = 0;
    int32_t modIndex = 0;
    int32_t outputGain = 0;
    int32_t delay = 0;
    int32_t attack1Rate = 0;
    int32_t attack2Rate = 0;
    int32_t decay1Rate = 0;
    int32_t decay2Rate = 0;
    int32_t decay3Rate = 0;
    int32_t releaseRate = 0;
    int32_t finalRate = 0;
    int32_t baseLevel = 0;
    int32_t attack1Level = 0;
    int32_t peakLevel = 0;
    int32_t decay1Level = 0;
    int32_t decay2Level = 0;
    int32_t releaseLevel = 0;

    int32_t& value(ToneValue which);
    int32_t value(ToneValue which) const;
};

// One operator block of a key split. values[] holds the nineteen values in ToneValue order
// except that positions 15 and 16 hold decay1Level and peakLevel (in that order); slopes[]
// is in plain ToneValue order. Use value()/slope() to address them by meaning.
struct ToneSplitOperator {
    std::array<int32_t, toneValueCount> values{};
    std::array<int32_t, toneValueCount> slopes{};

    static int valuePosition(ToneValue which);
    int32_t& value(ToneValue which) { return values[valuePosition(which)]; }
    int32_t value(ToneValue which) const { return values[valuePosition(which)]; }
    int32_t& slope(ToneValue which) { return slopes[static_cast<int>(which)]; }
    int32_t slope(ToneValue which) const { return slopes[static_cast<int>(which)]; }
};

struct ToneSplit {
    uint8_t key = 0;  // a block without "sc" keeps 0
    std::array<ToneSplitOperator, toneOperatorCount> operators{};
};

struct Tone {
    int32_t number = 0;  // as written in the file; only 0-255 can be found again
    int32_t lfoDelay = 0;
    int32_t lfoFadeStep = 0;
    uint32_t lfoStep = 0;
    int32_t lfoDepth = 0;
    int32_t ampModDepth = 0;
    int32_t pitchModDepth = 0;
    uint8_t carrierMask = 0;
    uint8_t operatorCount = 0;
    double outputSmoothing = 0.0;
    uint8_t oneShot = 0;
    std::array<ToneOperator, toneOperatorCount> operators{};
    uint8_t splitCount = 0;
    bool splitsAllocated = false;  // "sn" seen (even "sn(0)"); a second one is rejected
    std::vector<ToneSplit> splits;
};

// Every field to its default, splits discarded (a new tone block).
void initTone(Tone& tone);

// Level ordering of all operators and splits, then the split slopes. Run once after loading.
void compileTone(Tone& tone);

// Split allocation ("sn"): false when n is outside 0-6 or the tone has splits already.
bool allocateSplits(Tone& tone, int32_t n);

// Setters, one per keyword of the tone file. Each converts the file value and returns true,
// or returns false and writes nothing when the value is out of range.
bool setCarrierMask(Tone& tone, int32_t n);      // "con" in a tone
bool setOperatorCount(Tone& tone, int32_t n);    // "on"
bool setOneShot(Tone& tone, int32_t n);          // "perc"
bool setOutputSmoothing(Tone& tone, double v);   // "lpf"
bool setLfoDelay(Tone& tone, double v);          // "dly"
bool setLfoStep(Tone& tone, double v);           // "spd"
bool setLfoDepth(Tone& tone, double v);          // "dpt"
bool setAmpModDepth(Tone& tone, double v);       // "amd"
bool setPitchModDepth(Tone& tone, double v);     // "pmd"
bool setModulatorMask(ToneOperator& op, int32_t n);  // "con" in an operator
void setSplitKey(ToneSplit& split, int32_t n);       // "sc" in a split

// The nineteen value keywords: converts v as the value `which` is converted.
bool convertToneValue(ToneValue which, double v, int32_t& stored);
bool setToneValue(ToneOperator& op, ToneValue which, double v);
bool setToneValue(ToneSplitOperator& op, ToneValue which, double v);

// Keyword (compared without regard to case) to value; false when it names none of them.
bool toneValueForKeyword(std::string_view word, ToneValue& which);

}  // namespace quorva
