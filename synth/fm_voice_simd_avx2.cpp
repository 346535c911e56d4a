// The lane kernel built for AVX2; chosen at run time only on processors that have it.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstring>

#include "synth/fm_voice_lanes.h"

// Only the kernel below is compiled for AVX2, not the headers included above.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
#include "synth/fm_voice_lane_kernel.h"

namespace quorva {
namespace {

struct GatherLookup {
    [[gnu::always_inline]] static Lanes32 lookup(const int32_t* table, Lanes32 index)
    {
        __m256i indexes;
        std::memcpy(&indexes, &index, sizeof indexes);
        const __m128i low = _mm256_castsi256_si128(indexes);
        const __m128i high = _mm256_extracti128_si256(indexes, 1);
        const auto q0 = static_cast<uint64_t>(_mm_cvtsi128_si64(low));
        const auto q1 = static_cast<uint64_t>(_mm_extract_epi64(low, 1));
        const auto q2 = static_cast<uint64_t>(_mm_cvtsi128_si64(high));
        const auto q3 = static_cast<uint64_t>(_mm_extract_epi64(high, 1));
        const __m256i gathered = _mm256_setr_epi32(
            table[static_cast<uint32_t>(q0)], table[q0 >> 32], table[static_cast<uint32_t>(q1)], table[q1 >> 32],
            table[static_cast<uint32_t>(q2)], table[q2 >> 32], table[static_cast<uint32_t>(q3)], table[q3 >> 32]);
        Lanes32 values;
        std::memcpy(&values, &gathered, sizeof values);
        return values;
    }
    [[gnu::always_inline]] static Lanes32 permute(Lanes32 values, Lanes32 index)
    {
        __m256i v;
        __m256i i;
        std::memcpy(&v, &values, sizeof v);
        std::memcpy(&i, &index, sizeof i);
        const __m256i permuted = _mm256_permutevar8x32_epi32(v, i);
        Lanes32 out;
        std::memcpy(&out, &permuted, sizeof out);
        return out;
    }
};

}  // namespace

void lfoLanesAvx2(LaneGroup& group, int vectors, int length, const LaneTables& tables)
{
    laneLfo<GatherLookup>(group, vectors, length, tables);
}

void runLanesAvx2(LaneGroup& group, int vectors, int operatorCount, int from, int to, const int32_t* sine)
{
    laneRun<GatherLookup>(group, vectors, operatorCount, from, to, sine);
}

}  // namespace quorva

#pragma GCC diagnostic pop
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
