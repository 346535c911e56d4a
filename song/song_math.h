#pragma once
#include <cmath>
#include <cstdint>

namespace quorva {

// A double truncated toward zero and kept to its low 32 bits, as the song's time values
// are. Values beyond what a 64-bit integer holds, and NaN, give 0xFFFFFFFF.
inline uint32_t truncToU32(double value)
{
    if (!(std::fabs(value) < 9.2e18)) {
        return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(static_cast<int64_t>(value));
}

// 2 to the power p as a double, for meters; p is a file byte, so up to 255.
inline double powerOfTwo(uint8_t p) { return std::ldexp(1.0, p); }

}  // namespace quorva
