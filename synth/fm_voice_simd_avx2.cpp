// The lane kernel built for AVX2; chosen at run time only on processors that have it.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstring>

#include "synth/fm_voice_lanes.h"

#pragma GCC push_options
#pragma GCC target("avx2")
#include "synth/fm_voice_lane_kernel.h"

namespace quorva {
namespace {

struct GatherLookup {
    [[gnu::always_inline]] static Lanes32 lookup(const int32_t* table, Lanes32 index)
    {
        __m256i indexes;
        std::memcpy(&indexes, &index, sizeof indexes);
        const __m256i gathered = _mm256_i32gather_epi32(table, indexes, 4);
        Lanes32 values;
        std::memcpy(&values, &gathered, sizeof values);
        return values;
    }
};

}  // namespace

void lfoLanesAvx2(LaneGroup& group, int length, const LaneTables& tables)
{
    laneLfo<GatherLookup>(group, length, tables);
}

void runLanesAvx2(LaneGroup& group, int operatorCount, int from, int to, const int32_t* sine, int32_t* const* sink)
{
    laneRun<GatherLookup>(group, operatorCount, from, to, sine, sink);
}

}  // namespace quorva

#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
