#pragma once
#include "song/midi_event.h"

#include <cstdint>

namespace quorva {

// One event of the merged stream in 8 bytes: its tick, and either a channel message, packed as
// the ports take it (status in bits 0-7, data 1 in bits 8-15, data 2 in bits 16-23), or the
// number of an event the song keeps as an object (system exclusive, text, tempo, meter). A
// status byte always has its top bit set; a number is stored with bit 7 clear, its low 7 bits
// below that bit and the rest above it.
struct SongEvent {
    static constexpr uint32_t maxStoredIndex = 0x7FFFFFFF;

    static constexpr SongEvent channel(uint32_t tick, uint32_t message) { return {tick, message}; }
    static constexpr SongEvent stored(uint32_t tick, uint32_t index)
    {
        return {tick, (index >> 7) << 8 | (index & 0x7F)};
    }

    constexpr bool isChannel() const { return (code & 0x80) != 0; }
    constexpr uint32_t message() const { return code; }
    constexpr uint8_t status() const { return static_cast<uint8_t>(code); }
    // A note on with a velocity above 0 (a note on of velocity 0 is a note off), its channel
    // and its key.
    constexpr bool isNoteOn() const { return (code & 0xF0) == 0x90 && (code & 0xFF0000) != 0; }
    constexpr uint8_t channelNumber() const { return static_cast<uint8_t>(code & 0x0F); }
    constexpr uint8_t key() const { return static_cast<uint8_t>(code >> 8); }
    constexpr uint32_t storedIndex() const { return (code >> 8) << 7 | (code & 0x7F); }

    uint32_t tick;
    uint32_t code;
};
static_assert(sizeof(SongEvent) == 8);

// An event of the stream as an object, for whoever plays or inspects it: a channel message is
// made on the spot from its record, any other event is the song's own object. It lives as long
// as the statement or block that made it and is neither copied nor moved.
class EventView {
public:
    EventView(SongEvent event, MidiEvent* stored)
        : message_(event.tick, event.isChannel() ? event.message() : placeholder), event_(stored ? stored : &message_)
    {
    }
    EventView(const EventView&) = delete;
    EventView& operator=(const EventView&) = delete;

    MidiEvent& operator*() const { return *event_; }
    MidiEvent* operator->() const { return event_; }

private:
    static constexpr uint32_t placeholder = 0x80;  // a note off, never played

    ShortEvent message_;
    MidiEvent* event_;
};

}  // namespace quorva
