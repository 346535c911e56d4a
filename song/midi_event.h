#pragma once
#include "ports/midi_port.h"
#include "song/lyric_lines.h"

#include <cstddef>
#include <cstdint>

namespace quorva {

class SmfFile;
class Sequencer;
class ChannelMonitor;
class PortSelector;

// What a playing event reaches: the song, the player, the channel mirror and the current port.
struct PlayContext {
    SmfFile& song;
    Sequencer& sequencer;
    ChannelMonitor& monitor;
    PortSelector& ports;
};

enum class EventClass : uint8_t { Channel = 0, Sysex = 1, Meta = 2 };

class MidiEvent {
public:
    MidiEvent(uint32_t tick, EventClass eventClass) : tick(tick), eventClass(eventClass) {}
    virtual ~MidiEvent() = default;
    // Called on the timer thread when the song position reaches `tick`.
    virtual void play(PlayContext& context) {}
    // Called once per event, in stream order, right after loading.
    virtual void prepare(SmfFile& song, size_t index) {}

    uint32_t tick;
    EventClass eventClass;
};

// The behaviours of channel messages when played, chosen once when decoded.
enum class ShortVariant : uint8_t {
    Send,
    NoteOn,
    NoteOff,
    BankMsb,
    Modulation,
    Volume,
    Pan,
    Expression,
    BankLsb,
    Hold,
    Portamento,
    Sostenuto,
    Soft,
    Reverb,
    Chorus,
    Controller94,
    ProgramChange,
    PitchBend,
};

// The behaviour of a channel message (packed as the ports take it) when played.
ShortVariant shortVariantOf(uint32_t message);

class ShortEvent final : public MidiEvent {
public:
    ShortEvent(uint32_t tick, uint32_t message)
        : MidiEvent(tick, EventClass::Channel), message(message), variant(shortVariantOf(message)) {}
    void play(PlayContext& context) override;
    // What playing it writes into the channel mirror, without sending anything.
    void store(ChannelMonitor& monitor) const;

    uint8_t status() const { return static_cast<uint8_t>(message); }
    uint8_t data1() const { return static_cast<uint8_t>(message >> 8); }
    uint8_t data2() const { return static_cast<uint8_t>(message >> 16); }

    uint32_t message;
    ShortVariant variant;
};

class SysexEvent final : public MidiEvent {
public:
    SysexEvent(uint32_t tick, const uint8_t* data, uint32_t length, SysexKind kind)
        : MidiEvent(tick, EventClass::Sysex), length(length), data(data), sysexKind(kind) {}
    void play(PlayContext& context) override;
    void prepare(SmfFile& song, size_t index) override;

    uint32_t length;       // bytes at data: the status byte (F0 or F7) and what follows it
    const uint8_t* data;   // owned by the song's arena
    SysexKind sysexKind;
};

enum class TextKind : uint8_t { Text = 1, Notice = 2, Title = 3, Lyric = 5 };

class TextEvent final : public MidiEvent {
public:
    TextEvent(uint32_t tick, uint8_t track, TextKind kind, const char* text, uint32_t length)
        : MidiEvent(tick, EventClass::Meta), track(track), kind(kind), text(text), length(length) {}
    void play(PlayContext& context) override;
    void prepare(SmfFile& song, size_t index) override;

    uint8_t track;
    TextKind kind;
    const char* text;  // zero-terminated copy in the song's arena (may hold zero bytes itself)
    uint32_t length;   // bytes before the terminating zero
    // Set by prepare: the number of the syllable among the song's sung words (a lyric, or a
    // syllable of a karaoke file), or LyricLines::noSyllable; and whether the text is a
    // karaoke tag line, which the song shows from the load on.
    uint32_t syllable = LyricLines::noSyllable;
    bool karaokeTag = false;
};

class TempoEvent final : public MidiEvent {
public:
    TempoEvent(uint32_t tick, uint8_t track, uint32_t tempo)
        : MidiEvent(tick, EventClass::Meta), track(track), tempo(tempo) {}
    void prepare(SmfFile& song, size_t index) override;

    uint8_t track;
    TempoEvent* previous = nullptr;
    TempoEvent* next = nullptr;
    uint32_t tempo;  // microseconds per quarter note
    uint32_t startMs = 0;
};

class TimeSignatureEvent final : public MidiEvent {
public:
    TimeSignatureEvent(uint32_t tick, uint8_t track, uint8_t numerator, uint8_t denominatorPower)
        : MidiEvent(tick, EventClass::Meta), track(track), numerator(numerator), denominatorPower(denominatorPower) {}
    void prepare(SmfFile& song, size_t index) override;

    uint8_t track;
    TimeSignatureEvent* previous = nullptr;
    TimeSignatureEvent* next = nullptr;
    uint8_t numerator;
    uint8_t denominatorPower;
    uint8_t measure = 0;  // the measure it takes effect in, from 0; wraps after 255
};

// Classifies a complete system-exclusive message (status byte included).
SysexKind classifySysex(const uint8_t* data, size_t length);

}  // namespace quorva
