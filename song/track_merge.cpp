#include "song/track_merge.h"

#include <algorithm>
#include <cstdint>

namespace quorva {

void TrackMerger::beginTrack() { trackStarts_.push_back(events_.size()); }

void TrackMerger::add(MidiEvent* event)
{
    if (events_.size() > trackStarts_.back() && event->tick < events_.back().tick) {
        ticksWrapped_ = true;
    }
    events_.push_back({event->tick, event});
}

void TrackMerger::mergeInto(std::vector<MidiEvent*>& out)
{
    out.clear();
    out.reserve(events_.size());
    if (ticksWrapped_) {
        // A wrapped tick sum puts events out of order even within one track.
        mergeByInsertion(out);
    } else if (trackStarts_.size() <= 1) {
        for (const Entry& entry : events_) {
            out.push_back(entry.event);
        }
    } else {
        mergeSortedTracks(out);
    }
    events_.clear();
    events_.shrink_to_fit();
    trackStarts_.clear();
    ticksWrapped_ = false;
}

void TrackMerger::mergeSortedTracks(std::vector<MidiEvent*>& out) const
{
    struct Head {
        uint32_t tick;
        uint32_t track;
        size_t next;
        size_t end;
    };
    // Min-heap on (tick, track): the earlier track wins a tie.
    auto later = [](const Head& a, const Head& b) { return a.tick != b.tick ? a.tick > b.tick : a.track > b.track; };
    std::vector<Head> heap;
    heap.reserve(trackStarts_.size());
    for (size_t t = 0; t < trackStarts_.size(); ++t) {
        const size_t begin = trackStarts_[t];
        const size_t end = t + 1 < trackStarts_.size() ? trackStarts_[t + 1] : events_.size();
        if (begin < end) {
            heap.push_back({events_[begin].tick, static_cast<uint32_t>(t), begin, end});
        }
    }
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Head& head = heap.back();
        // Take the whole run of this track that still comes before every other track's head.
        const Head* rival = heap.size() > 1 ? &heap.front() : nullptr;
        do {
            out.push_back(events_[head.next++].event);
        } while (head.next < head.end &&
                 (!rival || events_[head.next].tick < rival->tick ||
                  (events_[head.next].tick == rival->tick && head.track < rival->track)));
        if (head.next < head.end) {
            head.tick = events_[head.next].tick;
            std::push_heap(heap.begin(), heap.end(), later);
        } else {
            heap.pop_back();
        }
    }
}

void TrackMerger::mergeByInsertion(std::vector<MidiEvent*>& out) const
{
    // Inserting each event, track after track, after every event already merged whose tick is
    // not greater keeps the list sorted, so the place found never depends on where the search
    // starts: the result is the events in track order, stably sorted by tick. Sorting gives
    // it in N log N, where walking a list from the previous insertion point took N^2 steps
    // on a track whose ticks wrap back and forth.
    std::vector<Entry> sorted = events_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) { return a.tick < b.tick; });
    for (const Entry& entry : sorted) {
        out.push_back(entry.event);
    }
}

}  // namespace quorva
