#include "ports/master_volume.h"
#include "ports/midi_mapper.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorva {
namespace {

using Bytes = std::vector<uint8_t>;

// Records every message in order; short messages as their three bytes.
class RecordingPort final : public MidiPort {
public:
    void sendShort(uint32_t message) override
    {
        sent.push_back({static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8), static_cast<uint8_t>(message >> 16)});
    }
    void sendLong(const LongMessage& message) override { sent.emplace_back(message.data, message.data + message.length); }
    std::vector<Bytes> sent;
};

Bytes sysexFor(int32_t percent)
{
    const auto bytes = masterVolumeSysex(percent);
    return {bytes.begin(), bytes.end()};
}

TEST(MasterVolume, UniversalMasterVolumeReachesTheDeviceWhenNotFullAndAgainAfterEachReset)
{
    EXPECT_EQ(sysexFor(100), (Bytes{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x7F, 0x7F, 0xF7}));
    EXPECT_EQ(sysexFor(50), (Bytes{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x7F, 0x3F, 0xF7}));  // 8191
    EXPECT_EQ(sysexFor(65), (Bytes{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x18, 0x53, 0xF7}));  // 10648
    EXPECT_EQ(sysexFor(0), (Bytes{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(sysexFor(250), sysexFor(100));
    MasterVolume volume;
    volume.change(-105);
    EXPECT_EQ(volume.percent(), 0);
    volume.set(140);
    EXPECT_EQ(volume.percent(), 100);

    auto owned = std::make_unique<RecordingPort>();
    RecordingPort& device = *owned;
    MidiMapperPort mapper(std::move(owned), std::make_unique<RecordingPort>());
    mapper.setMasterVolume(&volume);
    const Bytes noteOn = {0x90, 60, 100};
    // At full volume the device hears exactly the song.
    ASSERT_TRUE(mapper.open());
    mapper.sendShort(packShort(0x90, 60, 100));
    EXPECT_EQ(device.sent, (std::vector<Bytes>{noteOn}));

    // A change goes out before the next message, once.
    device.sent.clear();
    volume.set(50);
    mapper.sendShort(packShort(0x90, 60, 100));
    mapper.sendShort(packShort(0x90, 60, 100));
    EXPECT_EQ(device.sent, (std::vector<Bytes>{sysexFor(50), noteOn, noteOn}));

    // The song's resets (GM, GS for another device number, XG) bring the device back to
    // full; the volume follows each one. Other system-exclusive messages do not.
    const std::vector<Bytes> resets = {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
                                       {0xF0, 0x41, 0x11, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},
                                       {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}};
    for (const Bytes& reset : resets) {
        device.sent.clear();
        mapper.sendLong({reset.data(), static_cast<int32_t>(reset.size())});
        EXPECT_EQ(device.sent, (std::vector<Bytes>{reset, sysexFor(50)}));
    }
    const Bytes other = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x04, 0x0B, 0xF7};
    device.sent.clear();
    mapper.sendLong({other.data(), static_cast<int32_t>(other.size())});
    EXPECT_EQ(device.sent, (std::vector<Bytes>{other}));

    // Back to full is sent too; opening again at a lower volume sends it at once.
    device.sent.clear();
    volume.set(100);
    mapper.sendShort(packShort(0x90, 60, 100));
    EXPECT_EQ(device.sent, (std::vector<Bytes>{sysexFor(100), noteOn}));
    volume.set(65);
    device.sent.clear();
    ASSERT_TRUE(mapper.open());
    EXPECT_EQ(device.sent, (std::vector<Bytes>{sysexFor(65)}));

    // The built-in synthesizer takes the volume as its gain: it never gets the message.
    auto builtInOwned = std::make_unique<RecordingPort>();
    RecordingPort& builtIn = *builtInOwned;
    MidiMapperPort withoutDevice(nullptr, std::move(builtInOwned));
    withoutDevice.setMasterVolume(&volume);
    ASSERT_TRUE(withoutDevice.open());
    withoutDevice.sendLong({resets[0].data(), static_cast<int32_t>(resets[0].size())});
    EXPECT_EQ(builtIn.sent, (std::vector<Bytes>{resets[0]}));
}

}  // namespace
}  // namespace quorva
