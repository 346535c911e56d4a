#include "ports/direct_music_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorva {
namespace {

// A synthesizer that keeps what it is handed as "STAMP GROUP HEX.." lines.
class RecordingSoftSynth final : public SoftSynth {
public:
    bool open(int32_t rate, bool fx) override
    {
        sampleRate = rate;
        effects = fx;
        ++openCount;
        return !failOpen;
    }
    void close() override { ++closeCount; }
    std::vector<SoftSynthPreset> presets() const override { return collection; }
    uint32_t latencyClockMs() override { return nowMs; }
    void playShort(uint32_t stamp, uint32_t message) override
    {
        const uint8_t bytes[3] = {uint8_t(message), uint8_t(message >> 8), uint8_t(message >> 16)};
        record(stamp, 1, bytes, static_cast<uint32_t>(shortMessageLength(message)));
    }
    void playLong(uint32_t stamp, const uint8_t* bytes, uint32_t length) override { record(stamp, 0, bytes, length); }

    void record(uint32_t stamp, int group, const uint8_t* bytes, uint32_t length)
    {
        std::string line = std::to_string(stamp) + " " + std::to_string(group);
        for (uint32_t i = 0; i < length; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", bytes[i]);
            line += hex;
        }
        lines.push_back(line);
    }

    std::vector<SoftSynthPreset> collection;
    uint32_t nowMs = 1000;
    bool failOpen = false;
    int openCount = 0;
    int closeCount = 0;
    int32_t sampleRate = 0;
    bool effects = false;
    std::vector<std::string> lines;
};

struct Rig {
    RecordingSoftSynth* synth = nullptr;
    std::unique_ptr<DirectMusicPort> port;

    Rig()
    {
        auto owned = std::make_unique<RecordingSoftSynth>();
        synth = owned.get();
        // Program 0 in banks 0 and 8, program 1 in bank 0 only, program 2 nowhere; kits 0 and 25.
        synth->collection = {{0, 0, false}, {8, 0, false}, {0, 1, false}, {0, 0, true}, {0, 25, true}};
        port = std::make_unique<DirectMusicPort>(std::move(owned));
    }
    std::vector<std::string> take()
    {
        auto lines = std::move(synth->lines);
        synth->lines.clear();
        return lines;
    }
};

using Lines = std::vector<std::string>;

TEST(DirectMusicPort, OpensWithTheSettingsAndListsTheCollection)
{
    Rig rig;
    ASSERT_TRUE(rig.port->openSoftSynth(11025, true));
    EXPECT_EQ(rig.synth->sampleRate, 11025);
    EXPECT_TRUE(rig.synth->effects);
    EXPECT_TRUE(rig.port->hasBank(0, 8));
    EXPECT_FALSE(rig.port->hasBank(1, 8));
    EXPECT_TRUE(rig.port->hasDrumKit(25));
    EXPECT_FALSE(rig.port->hasDrumKit(1));
    rig.port->close();
    EXPECT_FALSE(rig.port->hasBank(0, 0));  // the lists go with the synthesizer

    Rig failing;
    failing.synth->failOpen = true;
    EXPECT_FALSE(failing.port->openSoftSynth(22050, false));
}

TEST(DirectMusicPort, StampsFiftyMsAheadAndANoteOffOneMsLaterWithinAMillisecondOfItsNoteOn)
{
    Rig rig;
    ASSERT_TRUE(rig.port->openSoftSynth(22050, false));
    rig.port->sendShort(packShort(0x80, 60, 0));  // lone note-off
    rig.port->sendShort(packShort(0x91, 60, 100));
    rig.port->sendShort(packShort(0x81, 60, 0));  // same millisecond, same channel and key
    rig.port->sendShort(packShort(0x80, 60, 0));  // another channel's key: not recent
    rig.synth->nowMs = 1001;
    rig.port->sendShort(packShort(0x91, 60, 0));  // note-on with velocity 0, one ms later
    rig.synth->nowMs = 1002;
    rig.port->sendShort(packShort(0x81, 60, 0));  // two ms later: forgotten
    EXPECT_EQ(rig.take(), (Lines{"1050 1 80 3c 00", "1050 1 91 3c 64", "1051 1 81 3c 00", "1050 1 80 3c 00",
                                 "1052 1 91 3c 00", "1052 1 81 3c 00"}));
}

TEST(DirectMusicPort, SeventeenNoteOnsInOneMillisecondReuseTheOldestRecord)
{
    Rig rig;
    ASSERT_TRUE(rig.port->openSoftSynth(22050, false));
    for (uint8_t key = 0; key < 17; ++key) {
        rig.port->sendShort(packShort(0x90, key, 1));
    }
    rig.take();
    rig.port->sendShort(packShort(0x80, 0, 0));   // its record went to key 16
    rig.port->sendShort(packShort(0x80, 1, 0));   // still remembered
    rig.port->sendShort(packShort(0x80, 16, 0));
    EXPECT_EQ(rig.take(), (Lines{"1050 1 80 00 00", "1051 1 80 01 00", "1051 1 80 10 00"}));
}

TEST(DirectMusicPort, BankRulesDropLsbAndFallBackToBankZero)
{
    Rig rig;
    ASSERT_TRUE(rig.port->openSoftSynth(22050, false));
    rig.port->sendShort(packShort(0xB0, 32, 5));  // Bank Select LSB: never sent
    rig.port->sendShort(packShort(0xB0, 0, 8));
    rig.port->sendShort(packShort(0xC0, 0));      // bank 8 has program 0
    rig.port->sendShort(packShort(0xC0, 1));      // program 1 only in bank 0
    rig.port->sendShort(packShort(0xC0, 1));      // the bank is 0 now
    rig.port->sendShort(packShort(0xC1, 2));      // a program the collection lacks entirely
    EXPECT_EQ(rig.take(), (Lines{"1050 1 b0 00 08", "1050 1 c0 00", "1050 1 b0 00 00", "1050 1 c0 01", "1050 1 c0 01",
                                 "1050 1 b1 00 00", "1050 1 c1 02"}));
}

TEST(DirectMusicPort, DrumChannelKeepsKitsTheCollectionHasAndElseTakesTheStandardKit)
{
    Rig rig;
    ASSERT_TRUE(rig.port->openSoftSynth(22050, false));
    rig.port->sendShort(packShort(0xB9, 0, 8));
    rig.port->sendShort(packShort(0xC9, 25));  // a kit: no bank fallback on a rhythm channel
    rig.port->sendShort(packShort(0xC9, 26));  // no such kit
    // GS use-for-rhythm-part: channel 1 becomes a rhythm channel, channel 9 a melodic one.
    const uint8_t on[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x12, 0x15, 0x01, 0x18, 0xF7};
    const uint8_t off[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x10, 0x15, 0x00, 0x1B, 0xF7};
    rig.port->sendLong(LongMessage{on, 11, static_cast<SysexKind>(sysex::RhythmOnBase + 1)});
    rig.port->sendLong(LongMessage{off, 11, static_cast<SysexKind>(sysex::RhythmOffBase + 9)});
    rig.take();
    rig.port->sendShort(packShort(0xC1, 30));
    rig.port->sendShort(packShort(0xC9, 1));
    EXPECT_EQ(rig.take(), (Lines{"1050 1 c1 00", "1050 1 b9 00 00", "1050 1 c9 01"}));
}

TEST(DirectMusicPort, EveryResetBecomesTheGsResetAndAPitchBendRangeOfTwoOnAllChannels)
{
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    for (SysexKind kind : {sysex::GmSystemOn, sysex::GsReset, sysex::XgSystemOn}) {
        Rig rig;
        ASSERT_TRUE(rig.port->openSoftSynth(22050, false));
        rig.port->sendLong(LongMessage{gmOn, 6, kind});
        const Lines lines = rig.take();
        ASSERT_EQ(lines.size(), 65u);
        EXPECT_EQ(lines[0], "1050 0 f0 41 10 42 12 40 00 7f 00 41 f7");
        EXPECT_EQ(lines[1], "1050 1 b0 65 00");
        EXPECT_EQ(lines[2], "1050 1 b0 64 00");
        EXPECT_EQ(lines[3], "1050 1 b0 06 02");
        EXPECT_EQ(lines[4], "1050 1 b0 26 00");
        EXPECT_EQ(lines[64], "1050 1 bf 26 00");
    }
    Rig rig;
    ASSERT_TRUE(rig.port->openSoftSynth(22050, false));
    const uint8_t other[] = {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x01, 0xF7};
    rig.port->sendLong(LongMessage{other, 9, sysex::Other});
    rig.port->sendLong(LongMessage{nullptr, 0, sysex::Other});
    EXPECT_EQ(rig.take(), (Lines{"1050 0 f0 43 10 4c 02 01 00 01 f7"}));
}

}  // namespace
}  // namespace quorva
