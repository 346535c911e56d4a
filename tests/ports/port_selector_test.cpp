#include "support/player_fixture.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

TEST(PortSelector, EverySelectionReplacesThePort)
{
    testing::CaptureFactory factory;
    PortSelector selector(factory);
    EXPECT_FALSE(selector.hasPort());
    ASSERT_TRUE(selector.selectMidiOut());
    CapturePort* first = factory.last;
    EXPECT_EQ(first->openCount, 1);
    ASSERT_TRUE(selector.selectMidiOut());
    EXPECT_NE(factory.last, first);
    EXPECT_EQ(factory.made, 2);
    EXPECT_EQ(selector.kind(), PortKind::MidiOut);

    factory.nextOpenFails = true;
    EXPECT_FALSE(selector.selectFmSynth(100, 24, 6));
    EXPECT_EQ(selector.kind(), PortKind::FmSynthOut);
    EXPECT_TRUE(selector.hasPort());  // a failed port stays current until the next selection
    EXPECT_TRUE(selector.selectNull());
    EXPECT_EQ(selector.kind(), PortKind::NullOut);

    selector.release();
    selector.release();
    EXPECT_FALSE(selector.hasPort());
}

TEST(PortSelector, NullPortSwallowsEverything)
{
    NullPort port;
    EXPECT_TRUE(port.open());
    const uint8_t bytes[] = {0xF0, 0xF7};
    port.sendLong(LongMessage{bytes, 2, 3});
    port.sendShort(0x7F7F90);
    port.close();
    port.close();
    EXPECT_FALSE(port.openSynth(100, 24, 6));
}

}  // namespace
}  // namespace quorva
