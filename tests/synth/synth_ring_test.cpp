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

TEST(SlotRing, QueueKeepsOrderAcrossWrapsAndRefusesWhenFull)
{
    int items[4] = {};
    SlotRing<int> queue;
    queue.reset(3);
    EXPECT_EQ(queue.pop(), nullptr);
    for (int lap = 0; lap < 5; ++lap) {
        EXPECT_TRUE(queue.push(&items[0]));
        EXPECT_TRUE(queue.push(&items[1]));
        EXPECT_TRUE(queue.push(&items[2]));
        EXPECT_FALSE(queue.push(&items[3]));
        EXPECT_EQ(queue.size(), 3u);
        EXPECT_EQ(queue.peek(), &items[0]);
        EXPECT_EQ(queue.pop(), &items[0]);
        EXPECT_EQ(queue.pop(), &items[1]);
        EXPECT_TRUE(queue.push(&items[3]));
        EXPECT_EQ(queue.pop(), &items[2]);
        EXPECT_EQ(queue.pop(), &items[3]);
        EXPECT_EQ(queue.pop(), nullptr);
    }
}

}  // namespace
}  // namespace quorva
