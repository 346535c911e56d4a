#include "ports/timed_event_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorva {
namespace {

TEST(TimedEventQueue, KeepsArrivalOrderAcrossWrapsDropsWhenFullAndWhenClosed)
{
    TimedEventQueue queue;
    EXPECT_FALSE(queue.push(TimedEventKind::Short, 0, {}));  // not open yet
    queue.open(3);
    TimedEvent event;
    for (uint8_t lap = 0; lap < 5; ++lap) {
        EXPECT_TRUE(queue.push(TimedEventKind::Short, 10, {lap, 1}));
        EXPECT_TRUE(queue.push(TimedEventKind::Command, 20, {lap, 2}));
        EXPECT_TRUE(queue.push(TimedEventKind::Short, 20, {lap, 3}));
        EXPECT_FALSE(queue.push(TimedEventKind::Short, 20, {lap, 4}));
        EXPECT_EQ(queue.size(), 3u);
        EXPECT_FALSE(queue.popDue(9, event));  // not due: stays
        ASSERT_TRUE(queue.popDue(10, event));
        EXPECT_EQ(event.data[1], 1);
        EXPECT_FALSE(queue.popDue(19, event));
        ASSERT_TRUE(queue.popDue(25, event));
        EXPECT_EQ(event.kind, TimedEventKind::Command);
        ASSERT_TRUE(queue.popDue(25, event));
        EXPECT_EQ(event.data, (std::array<uint8_t, 4>{lap, 3, 0, 0}));
        EXPECT_FALSE(queue.popDue(100, event));
    }
    EXPECT_EQ(queue.nextTime(), std::nullopt);
    queue.push(TimedEventKind::Short, 0xFFFFFFF0u, {});
    EXPECT_FALSE(queue.popDue(0xFFFFFFEFu, event));
    EXPECT_TRUE(queue.popDue(5, event));  // after the clock wrapped
    queue.push(TimedEventKind::Short, 1, {});
    queue.close();
    EXPECT_EQ(queue.size(), 0u);
    EXPECT_FALSE(queue.push(TimedEventKind::Short, 1, {}));
}

TEST(TimedEventQueue, SystemExclusiveBytesTravelWholeThroughTheByteRing)
{
    TimedEventQueue queue;
    queue.open(8, 10);
    std::vector<uint8_t> out(queue.sysexCapacity());
    const uint8_t first[] = {0xF0, 1, 2, 3, 0xF7};
    const uint8_t second[] = {0xF0, 4, 5, 6, 7, 8, 0xF7};
    TimedEvent event;
    EXPECT_TRUE(queue.pushSysex(1, first, 5));
    EXPECT_FALSE(queue.pushSysex(1, second, 7));  // 5 + 7 bytes do not fit in 10
    EXPECT_FALSE(queue.pushSysex(1, first, 0));
    EXPECT_TRUE(queue.push(TimedEventKind::Short, 1, {0x90}));
    ASSERT_TRUE(queue.popDue(1, event, out.data()));
    EXPECT_EQ(event.kind, TimedEventKind::Sysex);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + event.length), std::vector<uint8_t>(first, first + 5));
    EXPECT_TRUE(queue.pushSysex(2, second, 7));  // wraps around the end of the byte ring
    EXPECT_TRUE(queue.pushSysex(2, first, 3));
    ASSERT_TRUE(queue.popDue(2, event, out.data()));
    EXPECT_EQ(event.kind, TimedEventKind::Short);
    ASSERT_TRUE(queue.popDue(2, event, out.data()));
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + event.length), std::vector<uint8_t>(second, second + 7));
    ASSERT_TRUE(queue.popDue(2, event, out.data()));
    EXPECT_EQ(event.length, 3u);
    EXPECT_EQ(out[2], 2);
}

}  // namespace
}  // namespace quorva
