#pragma once
#include "song/relaxed.h"
#include "song/sounding_note.h"

#include <array>
#include <cstdint>

namespace quorva {

class NoteMessages;
class PortSelector;
class Sequencer;

// What the song has set on one MIDI channel, as the display reads it.
struct ChannelState {
    Relaxed<bool> muted;
    Relaxed<bool> rhythm;
    Relaxed<bool> keyboardShown;
    Relaxed<bool> drumFlowShown;
    Relaxed<uint8_t> number;
    Relaxed<uint8_t> program{1};  // 1..128
    Relaxed<uint8_t> bankMsb;
    Relaxed<uint8_t> bankLsb;
    Relaxed<uint8_t> volume{100};
    Relaxed<uint8_t> expression{127};
    Relaxed<uint8_t> pan{64};
    Relaxed<uint8_t> modulation;
    Relaxed<uint8_t> pitchBend{64};
    Relaxed<uint8_t> reverb{40};
    Relaxed<uint8_t> chorus;
    Relaxed<uint8_t> controller94;
    Relaxed<bool> hold;
    Relaxed<bool> sostenuto;
    Relaxed<bool> soft;
    Relaxed<bool> portamento;
};

// The per-channel mirror the display reads and the playback controls the player obeys:
// speed, key shift, muting and the mute level.
class ChannelMonitor {
public:
    static constexpr int channelCount = 16;

    explicit ChannelMonitor(PortSelector& ports) : ports_(ports) { fullReset(); }

    void fullReset();
    void resetChannel(int channel);
    // The channel reset's values alone, with nothing sent (a seek sends the volume itself).
    void clearChannel(int channel);
    void resetAllChannels();
    void setMuted(int channel, bool muted);
    void setMuteLevel(uint8_t level);
    // Silences and re-strikes the held notes while playing: the messages are gathered under
    // the sequencer's lock and sent after it.
    void setTranspose(int8_t semitones, Sequencer& sequencer);
    void updateFlowScale(float frameFactorF);

    // Adds the note off its note on was sent with; nothing when that fell outside 0..127.
    void silence(const SoundingNote& note, NoteMessages& messages) const;
    // Adds its note on again with the key shift in force; nothing on a rhythm channel.
    void restrike(const SoundingNote& note, NoteMessages& messages) const;
    // Ages the note by one timer tick; returns false when it must be discarded.
    static bool noteUpdate(SoundingNote& note, uint32_t periodMs);
    // A controller-7 message as the port is sent it: on a muted channel its value scaled by
    // the mute level.
    uint32_t mutedVolume(int channel, uint32_t message) const;
    // The note number a message for this channel is sent with, or -1 for none.
    int shiftedNote(int channel, int note) const;

    std::array<ChannelState, channelCount> channels;
    Relaxed<bool> gmSeen;
    Relaxed<bool> gsSeen;
    Relaxed<bool> xgSeen;
    Relaxed<float> speed{1.0f};
    Relaxed<int8_t> transpose;
    Relaxed<int8_t> viewShift;
    Relaxed<float> flowScale{64.0f};
    int32_t flowScaleBase = 64;
    Relaxed<int32_t> flowScaleTarget{64};
    Relaxed<uint8_t> muteLevel{6};

private:
    void sendVolume(int channel, uint32_t value);

    PortSelector& ports_;
};

}  // namespace quorva
