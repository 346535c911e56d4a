#pragma once
#include "song/event_arena.h"
#include "song/song_event.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorva {

// The events of one track chunk, decoded on their own so that tracks can be decoded side by
// side: channel messages as records, the other kept events as objects numbered in the
// track's order, and what the tracks after it need to know of it.
struct DecodedTrack {
    // Room for every event `bytes` can hold: each takes at least a delta byte and one more.
    static size_t capacityFor(size_t bytes) { return bytes / 2 + 1; }

    uint8_t number = 0;  // as the file counts tracks, in 8 bits
    const uint8_t* begin = nullptr;
    const uint8_t* end = nullptr;
    SongEvent* events = nullptr;  // room for capacityFor(end - begin) records
    size_t count = 0;
    std::vector<MidiEvent*> stored;
    // Text events of a track other than 0 that come before any karaoke tag of the track: kept
    // only if an earlier track has one (their positions in `events`).
    std::vector<size_t> textsIfKaraokeBefore;
    bool ticksWrapped = false;  // a tick is lower than the one before it
    // Met a data byte before any status byte while the status the track starts with was not
    // known: the track is decoded again once the tracks before it are.
    bool needsRunningStatus = false;
    bool setsRunningStatus = false;  // the track reads a status byte of its own
    uint8_t runningStatus = 0;       // the running status where it ends, if it sets one
    bool unexpected = false;         // a status byte that is no event
    bool karaokeTag = false;         // a text event that is a karaoke tag line
    uint32_t plainTexts = 0;         // text events that are no tag lines
};

// Decodes the events of one track into its DecodedTrack. The running status goes on from the
// tracks before (and the songs loaded before); objects are made in the arena given.
class EventDecoder {
public:
    // The running status of a track that starts before the tracks ahead of it are decoded.
    static constexpr uint16_t unknownStatus = 0x100;

    // `runningStatus`: the status byte the track starts with (0 for none since the program
    // started), or unknownStatus.
    EventDecoder(DecodedTrack& track, EventArena& arena, uint16_t runningStatus)
        : track_(track), arena_(arena), runningStatus_(runningStatus)
    {
    }

    // Decodes the whole track, telling `progress` now and then how many more bytes are done.
    void decodeTrack(const std::function<void(size_t)>& progress = {});

private:
    struct Step {
        size_t length = 0;        // bytes consumed; 0 after an unexpected status byte
        bool truncated = false;   // the event runs past the end of its track
        bool needsStatus = false;
    };

    Step decode(uint32_t tick, const uint8_t* data);
    Step decodeChannel(uint32_t tick, const uint8_t* data);
    Step decodeSysex(uint32_t tick, const uint8_t* data);
    Step decodeMeta(uint32_t tick, const uint8_t* data);
    void add(SongEvent event);
    bool addStored(uint32_t tick, MidiEvent* event);

    DecodedTrack& track_;
    EventArena& arena_;
    uint16_t runningStatus_;
};

// A variable-length quantity: 7 bits per byte, high group first, low 32 bits kept. Returns
// false when it runs to `end`.
bool readVariableLength(const uint8_t*& cursor, const uint8_t* end, uint32_t& value);

}  // namespace quorva
