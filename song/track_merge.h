#pragma once
#include "song/event_decoder.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace quorva {

// Merges the decoded tracks into one stream by tick. At equal ticks an earlier track's events
// come first, and one track's events keep their file order; the stored events of each track
// are numbered after those of the tracks before it. Tracks whose ticks only grow (every real
// file) are cut into ranges of ticks that are merged side by side: a dense range by counting
// its events per tick, a sparse one with a heap of the tracks' next events. When a track's 32-bit tick wrapped, the events are ordered as inserting
// them one at a time into a sorted list orders them: a stable sort by tick.
class TrackMerger {
public:
    explicit TrackMerger(std::span<const DecodedTrack> tracks);

    size_t eventCount() const { return eventCount_; }
    // Writes the stream to `out`, which has room for eventCount() events, on up to `threads`
    // threads. `merged` is told the number of events of each part as it is done.
    void mergeInto(SongEvent* out, unsigned threads, const std::function<void(size_t)>& merged = {}) const;

private:
    // Where a part of the stream begins in each track (the part ends where the next begins).
    using Bounds = std::vector<size_t>;

    std::vector<Bounds> partBounds() const;
    void mergePart(const Bounds& begin, const Bounds& end, SongEvent* out) const;
    void countByTick(const Bounds& begin, const Bounds& end, uint32_t lowest, uint32_t highest, SongEvent* out) const;
    void mergeByHeap(const Bounds& begin, const Bounds& end, SongEvent* out) const;
    void sortByTick(SongEvent* out) const;
    SongEvent numbered(size_t track, size_t index) const;

    std::span<const DecodedTrack> tracks_;
    std::vector<uint32_t> storedBases_;
    size_t eventCount_ = 0;
    bool ticksWrapped_ = false;
};

}  // namespace quorva
