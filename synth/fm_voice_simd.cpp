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
    [[gnu::always_inline]] static Lanes32 permute(Lanes32 values, Lanes32 index)
    {
        Lanes32 permuted;
        for (int l = 0; l < laneVectorWidth; ++l) {
            permuted[l] = values[index[l] % laneVectorWidth];
        }
        return permuted;
    }
};

}  // namespace

void lfoLanesGeneric(LaneGroup& group, int vectors, int length, const LaneTables& tables)
{
    laneLfo<ScalarLookup>(group, vectors, length, tables);
}

void runLanesGeneric(LaneGroup& group, int vectors, int operatorCount, int from, int to, const int32_t* sine)
{
    laneRun<ScalarLookup>(group, vectors, operatorCount, from, to, sine);
}

}  // namespace quorva

#pragma GCC diagnostic pop
