#pragma once
#include <array>
#include <atomic>
#include <cstdint>

namespace quorva {

// The player's master volume, 0-100 %: amplitude = percent / 100 (50 % is -6.02 dB). The
// user interface writes it; the audio and sequencer threads read it.
class MasterVolume {
public:
    static constexpr int32_t full = 100;

    int32_t percent() const { return percent_.load(std::memory_order_relaxed); }
    // Clamped to 0..100.
    void set(int32_t percent);
    void change(int32_t deltaPercent) { set(percent() + deltaPercent); }

private:
    std::atomic<int32_t> percent_{full};
};

// The Universal System Exclusive master volume: F0 7F 7F 04 01 ll mm F7, the 14-bit value
// percent * 16383 / 100 split into its low and high 7 bits.
std::array<uint8_t, 8> masterVolumeSysex(int32_t percent);

// Whether a system-exclusive message resets a device (GM on/off, GS reset or mode set, XG
// reset), which brings its master volume back to full.
bool isDeviceReset(const uint8_t* bytes, int32_t length);

}  // namespace quorva
