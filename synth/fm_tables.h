#pragma once
// The voice engine's lookup tables, built once, and the pitch arithmetic that reads them.
#include <array>
#include <cstdint>

namespace quorva {

using SineTable = std::array<int32_t, 4096>;      // 2^30 = 1.0; entry 2048 + k = ~entry k
using SemitoneTable = std::array<int32_t, 256>;   // 1024 * 2^((i - 128) / 12)
using FineTable = std::array<int32_t, 256>;       // 1024 * 2^(j / 256 / 12)

struct FmTables {
    SineTable sineTable{};
    SemitoneTable semitoneTable{};
    FineTable fineTable{};
};

// Builds the three tables on the first call and returns them (the same object every time;
// thread-safe).
const FmTables& buildTables();

// Pitch ratio (1024 = 1.0) of a table position: an offset in 1/256 semitone plus 0x8000.
// The position is clamped to 0..65535.
inline int32_t pitchRatioAt(const FmTables& tables, int32_t position)
{
    const int32_t p = position < 0 ? 0 : (position > 65535 ? 65535 : position);
    return (tables.semitoneTable[p >> 8] * tables.fineTable[p & 0xFF]) >> 10;
}

// Phase increment at pitch ratio 1.0 of an operator with this multiple (2^20 = 1.0) and
// detune (2^30 = 1 semitone) playing note with the channel's coarse and fine tuning.
int32_t operatorIncrement(int32_t multiple, int32_t detune, int32_t note, int32_t coarseTune, int32_t fineTune);

}  // namespace quorva
