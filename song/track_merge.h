#pragma once
#include "song/midi_event.h"

#include <cstddef>
#include <vector>

namespace quorva {

// Merges the events of all tracks by tick into one stream. At equal ticks an earlier track's
// events come first, and one track's events keep their file order. Tracks whose ticks only
// grow (every real file) are merged with a heap in N log T; when a track's 32-bit tick wrapped,
// the events are ordered as inserting them one at a time into a sorted list orders them (a
// stable sort by tick).
class TrackMerger {
public:
    void beginTrack();
    void add(MidiEvent* event);
    void mergeInto(std::vector<MidiEvent*>& out);

private:
    void mergeSortedTracks(std::vector<MidiEvent*>& out) const;
    void mergeByInsertion(std::vector<MidiEvent*>& out) const;

    // The tick beside each event keeps the merge from touching the events themselves.
    struct Entry {
        uint32_t tick;
        MidiEvent* event;
    };
    std::vector<Entry> events_;
    std::vector<size_t> trackStarts_;
    bool ticksWrapped_ = false;
};

}  // namespace quorva
