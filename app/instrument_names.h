#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorva {

// The 128 General MIDI instrument names shown by the main screen, indexed by program number.
class InstrumentNames {
public:
    static constexpr int count = 128;

    // Reads `inst.dat`: one name per line, each line ended by a carriage return and one
    // more byte. Fewer lines leave the remaining names empty; more are ignored. False only
    // when the file cannot be read.
    bool load(std::string_view path);
    // The same from bytes already in memory.
    void parse(std::span<const uint8_t> bytes);

    const std::string& name(uint8_t program) const { return names_[program & 0x7F]; }

private:
    std::array<std::string, count> names_;
};

}  // namespace quorva
