#pragma once
#include <cstdint>

namespace quorva {

// Milliseconds of a monotonic clock as a wrapping unsigned 32-bit value. Every difference
// of two readings is taken in unsigned arithmetic so that the wrap does no harm.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t nowMs() = 0;
};

}  // namespace quorva
