#include "synth/synth_pan_table.h"

namespace quorva {

PanTable buildPanTable()
{
    constexpr double oneSixtyThird = 0.015873015873015872;
    PanTable table{};
    for (int j = 0; j < 128; ++j) {
        for (int k = 0; k < 128; ++k) {
            const int v = k < 64 ? static_cast<int>(k * j * oneSixtyThird)
                                 : static_cast<int>(127 - (127 - j) * (127 - k) * oneSixtyThird);
            table[j][k] = static_cast<uint8_t>(v >= 64 ? 127 - v : 63);
        }
    }
    return table;
}

}  // namespace quorva
