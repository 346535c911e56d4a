#include "ports/master_volume.h"

#include <algorithm>
#include <initializer_list>

namespace quorva {

namespace {

// `pattern` with 0xFF for any byte.
bool matches(const uint8_t* bytes, int32_t length, std::initializer_list<uint8_t> pattern)
{
    if (length != static_cast<int32_t>(pattern.size())) {
        return false;
    }
    const uint8_t* byte = bytes;
    for (const uint8_t expected : pattern) {
        if (expected != 0xFF && *byte != expected) {
            return false;
        }
        ++byte;
    }
    return true;
}

}  // namespace

void MasterVolume::set(int32_t percent)
{
    percent_.store(std::clamp<int32_t>(percent, 0, full), std::memory_order_relaxed);
}

std::array<uint8_t, 8> masterVolumeSysex(int32_t percent)
{
    const auto value = static_cast<uint32_t>(std::clamp<int32_t>(percent, 0, MasterVolume::full) * 16383 / 100);
    return {0xF0, 0x7F, 0x7F, 0x04, 0x01, static_cast<uint8_t>(value & 0x7F), static_cast<uint8_t>(value >> 7), 0xF7};
}

bool isDeviceReset(const uint8_t* bytes, int32_t length)
{
    if (!bytes || length <= 0) {
        return false;
    }
    // GM system on (01), off (02) and GM2 on (03), for any device.
    if (matches(bytes, length, {0xF0, 0x7E, 0xFF, 0x09, 0xFF, 0xF7})) {
        return bytes[4] >= 0x01 && bytes[4] <= 0x03;
    }
    // GS reset and system mode set, for any device number.
    return matches(bytes, length, {0xF0, 0x41, 0xFF, 0x42, 0x12, 0x40, 0x00, 0x7F, 0xFF, 0xFF, 0xF7}) ||
           matches(bytes, length, {0xF0, 0x41, 0xFF, 0x42, 0x12, 0x00, 0x00, 0x7F, 0xFF, 0xFF, 0xF7}) ||
           matches(bytes, length, {0xF0, 0x43, 0xFF, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7});
}

}  // namespace quorva
