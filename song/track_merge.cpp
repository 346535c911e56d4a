#include "song/track_merge.h"

#include "song/parallel_work.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace quorva {

namespace {

// Events a part of the merge should hold at least, so that the parts are worth a thread's
// time; and at most this many parts, enough to share unequal parts among the threads.
constexpr size_t minPartEvents = 1 << 16;
constexpr size_t maxParts = 64;
// Ticks sampled per part to place the cuts between parts.
constexpr size_t samplesPerPart = 8;
// A part whose events lie this close together in ticks (a dense song's) is sorted by counting
// the events of each tick, in two passes; sparser ones are merged with a heap.
constexpr size_t countingTicksPerEvent = 4;

// A heap entry: the tick of a track's next event above its track number, so that one
// comparison orders by tick and then by track.
uint64_t headKey(uint32_t tick, size_t track) { return static_cast<uint64_t>(tick) << 32 | track; }

// A binary min-heap of head keys.
class HeadHeap {
public:
    void push(uint64_t key)
    {
        keys_.push_back(key);
        std::push_heap(keys_.begin(), keys_.end(), std::greater<>());
    }
    bool empty() const { return keys_.empty(); }
    uint64_t top() const { return keys_.front(); }
    // The smallest key but the top, or none: the rival of the track on top.
    uint64_t runnerUp() const
    {
        if (keys_.size() < 2) {
            return UINT64_MAX;
        }
        return keys_.size() == 2 ? keys_[1] : std::min(keys_[1], keys_[2]);
    }
    void replaceTop(uint64_t key)
    {
        const size_t size = keys_.size();
        size_t hole = 0;
        for (;;) {
            size_t child = 2 * hole + 1;
            if (child >= size) {
                break;
            }
            if (child + 1 < size && keys_[child + 1] < keys_[child]) {
                ++child;
            }
            if (keys_[child] >= key) {
                break;
            }
            keys_[hole] = keys_[child];
            hole = child;
        }
        keys_[hole] = key;
    }
    void popTop()
    {
        std::pop_heap(keys_.begin(), keys_.end(), std::greater<>());
        keys_.pop_back();
    }

private:
    std::vector<uint64_t> keys_;
};

}  // namespace

TrackMerger::TrackMerger(std::span<const DecodedTrack> tracks) : tracks_(tracks)
{
    uint64_t stored = 0;
    for (const DecodedTrack& track : tracks_) {
        storedBases_.push_back(static_cast<uint32_t>(stored));
        stored += track.stored.size();
        eventCount_ += track.count;
        ticksWrapped_ = ticksWrapped_ || track.ticksWrapped;
    }
}

SongEvent TrackMerger::numbered(size_t track, size_t index) const
{
    const SongEvent event = tracks_[track].events[index];
    return event.isChannel() ? event : SongEvent::stored(event.tick, storedBases_[track] + event.storedIndex());
}

void TrackMerger::mergeInto(SongEvent* out, unsigned threads, const std::function<void(size_t)>& merged) const
{
    if (ticksWrapped_) {
        // A wrapped tick sum puts events out of order even within one track.
        sortByTick(out);
        if (merged) {
            merged(eventCount_);
        }
        return;
    }
    const std::vector<Bounds> bounds = partBounds();
    std::vector<size_t> offsets(bounds.size(), 0);
    for (size_t part = 0; part < bounds.size(); ++part) {
        for (const size_t begin : bounds[part]) {
            offsets[part] += begin;
        }
    }
    forEachInParallel(bounds.size() - 1, threads, [&](size_t part, unsigned) {
        mergePart(bounds[part], bounds[part + 1], out + offsets[part]);
        if (merged) {
            merged(offsets[part + 1] - offsets[part]);
        }
    });
}

std::vector<TrackMerger::Bounds> TrackMerger::partBounds() const
{
    const size_t parts = std::clamp<size_t>(eventCount_ / minPartEvents, 1, maxParts);
    std::vector<uint32_t> cuts;
    if (parts > 1) {
        // Cuts at ticks that split a sample of every track's ticks evenly.
        std::vector<uint32_t> samples;
        for (const DecodedTrack& track : tracks_) {
            const size_t count = std::max<size_t>(1, track.count * parts * samplesPerPart / eventCount_);
            for (size_t i = 0; i < count && track.count > 0; ++i) {
                samples.push_back(track.events[i * track.count / count].tick);
            }
        }
        std::sort(samples.begin(), samples.end());
        for (size_t part = 1; part < parts; ++part) {
            cuts.push_back(samples[part * samples.size() / parts]);
        }
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    }
    std::vector<Bounds> bounds;
    bounds.push_back(Bounds(tracks_.size(), 0));
    for (const uint32_t cut : cuts) {
        Bounds& begin = bounds.emplace_back(tracks_.size());
        for (size_t t = 0; t < tracks_.size(); ++t) {
            const SongEvent* events = tracks_[t].events;
            begin[t] = static_cast<size_t>(
                std::lower_bound(events, events + tracks_[t].count, cut,
                                 [](const SongEvent& event, uint32_t tick) { return event.tick < tick; }) -
                events);
        }
    }
    Bounds& end = bounds.emplace_back(tracks_.size());
    for (size_t t = 0; t < tracks_.size(); ++t) {
        end[t] = tracks_[t].count;
    }
    return bounds;
}

void TrackMerger::mergePart(const Bounds& begin, const Bounds& end, SongEvent* out) const
{
    uint32_t lowest = UINT32_MAX;
    uint32_t highest = 0;
    size_t count = 0;
    for (size_t t = 0; t < tracks_.size(); ++t) {
        if (begin[t] < end[t]) {
            lowest = std::min(lowest, tracks_[t].events[begin[t]].tick);
            highest = std::max(highest, tracks_[t].events[end[t] - 1].tick);
            count += end[t] - begin[t];
        }
    }
    if (count > 0 && highest - lowest < countingTicksPerEvent * count) {
        countByTick(begin, end, lowest, highest, out);
    } else {
        mergeByHeap(begin, end, out);
    }
}

void TrackMerger::countByTick(const Bounds& begin, const Bounds& end, uint32_t lowest, uint32_t highest,
                              SongEvent* out) const
{
    // Where the events of each tick go: counted, then summed up. Placing the tracks' events in
    // track order then keeps tracks and events within a tick in order.
    std::vector<size_t> place(static_cast<size_t>(highest - lowest) + 1, 0);
    for (size_t t = 0; t < tracks_.size(); ++t) {
        for (size_t i = begin[t]; i < end[t]; ++i) {
            ++place[tracks_[t].events[i].tick - lowest];
        }
    }
    size_t sum = 0;
    for (size_t& slot : place) {
        sum += std::exchange(slot, sum);
    }
    for (size_t t = 0; t < tracks_.size(); ++t) {
        for (size_t i = begin[t]; i < end[t]; ++i) {
            out[place[tracks_[t].events[i].tick - lowest]++] = numbered(t, i);
        }
    }
}

void TrackMerger::mergeByHeap(const Bounds& begin, const Bounds& end, SongEvent* out) const
{
    std::vector<size_t> next = begin;
    HeadHeap heap;
    for (size_t t = 0; t < tracks_.size(); ++t) {
        if (next[t] < end[t]) {
            heap.push(headKey(tracks_[t].events[next[t]].tick, t));
        }
    }
    while (!heap.empty()) {
        const auto track = static_cast<size_t>(heap.top() & 0xFFFFFFFF);
        const uint64_t rival = heap.runnerUp();
        const SongEvent* events = tracks_[track].events;
        size_t index = next[track];
        // The whole run of this track that still comes before every other track's next event.
        do {
            *out++ = numbered(track, index++);
        } while (index < end[track] && headKey(events[index].tick, track) < rival);
        next[track] = index;
        if (index < end[track]) {
            heap.replaceTop(headKey(events[index].tick, track));
        } else {
            heap.popTop();
        }
    }
}

void TrackMerger::sortByTick(SongEvent* out) const
{
    // Inserting each event, track after track, after every event already merged whose tick is
    // not greater keeps the list sorted, so the place found never depends on where the search
    // starts: the result is the events in track order, stably sorted by tick.
    SongEvent* cursor = out;
    for (size_t t = 0; t < tracks_.size(); ++t) {
        for (size_t i = 0; i < tracks_[t].count; ++i) {
            *cursor++ = numbered(t, i);
        }
    }
    std::stable_sort(out, cursor, [](const SongEvent& a, const SongEvent& b) { return a.tick < b.tick; });
}

}  // namespace quorva
