#include "platform/rtmidi_port.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quorva {
namespace {

// Without a MIDI service (no ALSA sequencer, no JACK) the port must fail to open quietly,
// and every send and close must then be harmless. With one, it opens and takes messages.
TEST(RtMidiOutPort, OpensWhereAServiceExistsAndFailsCleanlyElsewhere)
{
    RtMidiOutPort port;
    const bool opened = port.open();
    if (!std::filesystem::exists("/dev/snd/seq")) {
        EXPECT_FALSE(opened);
    }
    EXPECT_EQ(port.isOpen(), opened);
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    port.sendLong(LongMessage{gmOn, 6, sysex::GmSystemOn});
    port.sendShort(packShort(0x90, 60, 100));
    port.sendShort(packShort(0xC0, 5));
    port.sendShort(0);  // no status byte: nothing goes out
    port.close();
    port.close();
    EXPECT_FALSE(port.isOpen());
}

}  // namespace
}  // namespace quorva
