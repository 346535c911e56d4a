#pragma once
#include <array>
#include <cstdint>

namespace quorva {

// Gain (0..63) of one side for a pan position: row j is the position at the middle
// column, and the column moves it towards 0 or 127.
using PanTable = std::array<std::array<uint8_t, 128>, 128>;

PanTable buildPanTable();

}  // namespace quorva
