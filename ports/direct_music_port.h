#pragma once
#include "ports/midi_port.h"
#include "ports/soft_synth.h"

#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace quorva {

// A note-on sent in the last one or two milliseconds of the latency clock.
struct RecentNote {
    uint8_t channel = 0;
    uint8_t key = 0;
    uint32_t time = 0;
};

// The "[MS-SS]" port (output kind DirectMusicOut): plays the song on a General MIDI software
// synthesizer (FluidSynth in the program), every message
// stamped `latencyMs` ahead of the synthesizer's latency clock. On the way it
//  - stamps a note-off 1 ms later when its note-on went out in the same or the previous
//    millisecond (so the two never meet in one instant),
//  - drops Bank Select LSB,
//  - precedes a program change by Bank Select MSB 0 when the collection lacks the current
//    bank for that program, and turns a rhythm channel's program change to a kit the
//    collection lacks into the standard kit,
//  - replaces every GM, GS or XG reset by the GS reset followed by a pitch-bend range of
//    2 semitones on all 16 channels.
class DirectMusicPort final : public MidiPort {
public:
    static constexpr uint32_t latencyMs = 50;
    static constexpr uint32_t recentNoteCount = 16;

    explicit DirectMusicPort(std::unique_ptr<SoftSynth> synth);
    ~DirectMusicPort() override;

    bool open() override { return true; }
    void close() override;
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;
    bool openSoftSynth(int32_t sampleRate, bool effects) override;
    std::optional<PortReport> maintain(uint32_t nowMs) override { return synth_->maintain(nowMs); }

    SoftSynth& synth() { return *synth_; }
    bool hasBank(uint8_t program, uint8_t bankMsb) const;
    bool hasDrumKit(uint8_t program) const;

private:
    struct ChannelBank {
        uint8_t bankMsb = 0;
        bool rhythm = false;
    };

    void sendShortLocked(uint32_t message);
    uint32_t extraForRecentNotes(uint32_t message, uint32_t nowMs);
    void resetRhythmChannels();

    std::unique_ptr<SoftSynth> synth_;
    std::mutex lock_;  // one send at a time: the recent notes, the channel table, the order of stamps
    std::array<RecentNote, recentNoteCount> recent_{};  // oldest first
    uint32_t recentCount_ = 0;
    std::array<ChannelBank, 16> channels_{};
    std::array<std::vector<uint8_t>, 128> banksByProgram_;
    std::vector<uint8_t> drumKits_;
};

}  // namespace quorva
