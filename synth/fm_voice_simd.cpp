// The portable lane kernel.
#include "synth/fm_voice_lane_kernel.h"

namespace quorva {
namespace {

struct ScalarLookup {
    [[gnu::always_inline]] static Lanes32 lookup(const int32_t* table, Lanes32 index)
    {
        Lanes32 values;
        for (int l = 0; l < laneVectorWidth; ++l) {
            values[l] = static_cast<uint32_t>(table[index[l]]);
        }
        return values;
    }
};

}  // namespace

void lfoLanesGeneric(LaneGroup& group, int length, const LaneTables& tables)
{
    laneLfo<ScalarLookup>(group, length, tables);
}

void runLanesGeneric(LaneGroup& group, int operatorCount, int from, int to, const int32_t* sine, int32_t* const* sink)
{
    laneRun<ScalarLookup>(group, operatorCount, from, to, sine, sink);
}

}  // namespace quorva

#pragma GCC diagnostic pop
