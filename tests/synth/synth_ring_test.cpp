#include "synth/synth_ring.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

TEST(SlotRing, PoolHandsOutEverySlotOnceThenNothingAndReusesInGiveOrder)
{
    int slots[3] = {};
    SlotRing<int> pool;
    pool.fillFree(slots, 3);
    EXPECT_EQ(pool.take(), &slots[0]);
    EXPECT_EQ(pool.take(), &slots[1]);
    EXPECT_EQ(pool.take(), &slots[2]);
    EXPECT_EQ(pool.take(), nullptr);  // positions equal, a lap ahead
    EXPECT_EQ(pool.size(), 3u);
    pool.give(&slots[1]);
    pool.give(&slots[0]);
    EXPECT_EQ(pool.take(), &slots[1]);
    EXPECT_EQ(pool.take(), &slots[0]);
    EXPECT_EQ(pool.take(), nullptr);
    pool.give(&slots[2]);
    EXPECT_EQ(pool.size(), 2u);
}

}  // namespace
}  // namespace quorva
