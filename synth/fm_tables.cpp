#include <cmath>

#include "synth/fm_tables.h"

namespace quorva {
namespace {

constexpr double phaseStep = 0.0015339807878856412;  // 2 pi / 4096
constexpr double quarterTurn = 1.5707963267948966;
constexpr double semitone = 1.0594630943592953;

FmTables makeTables()
{
    FmTables tables;
    const double full = 1073741824.0;
    for (int k = 0; k < 1024; ++k) {
        tables.sineTable[k] = static_cast<int32_t>(full * std::sin(k * phaseStep));
        tables.sineTable[1024 + k] = static_cast<int32_t>(full * std::sin(quarterTurn - k * phaseStep));
    }
    for (int k = 0; k < 2048; ++k) {
        tables.sineTable[2048 + k] = ~tables.sineTable[k];
    }
    for (int i = 0; i < 256; ++i) {
        tables.semitoneTable[i] = static_cast<int32_t>(1024.0 * std::pow(semitone, i - 128));
        tables.fineTable[i] = static_cast<int32_t>(1024.0 * std::pow(semitone, i * 0.00390625));
    }
    return tables;
}

}  // namespace

const FmTables& buildTables()
{
    static const FmTables tables = makeTables();
    return tables;
}

int32_t operatorIncrement(int32_t multiple, int32_t detune, int32_t note, int32_t coarseTune, int32_t fineTune)
{
    const FmTables& tables = buildTables();
    int32_t p = (detune >> 22) + 256 * (note + coarseTune - 6) + 4 * fineTune;
    p = p < 0 ? 0 : (p > 65535 ? 65535 : p);
    const auto s = static_cast<uint64_t>(static_cast<int64_t>(tables.semitoneTable[p >> 8]));
    const auto f = static_cast<uint64_t>(static_cast<int64_t>(tables.fineTable[p & 0xFF]));
    const auto m = static_cast<uint64_t>(static_cast<int64_t>(multiple));
    // Wrapping 64-bit product, then signed division truncating toward zero.
    const auto product = static_cast<int64_t>(s * f * m * 440u);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>((product / 44100) >> 8)));
}

}  // namespace quorva
