#pragma once
// The note ons a flow view draws, kept from frame to frame. A frame reads on from the event
// where the last one stopped and forgets the notes the cursor has passed, so that it costs
// the events played since, not every event the lanes hold: a song of 100,000 notes a second
// holds some 450,000 events in the lanes at the default scale, scattered through memory.
#include "ui/flow_timeline.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorva {

class ComingNotes {
public:
    // Keeps the note ons of `events` from `cursor` on that lie within the lanes (as
    // forEachComingNote places them), of the channels in `channels` (bit c for channel c),
    // reading only the events not read before. `song` tells songs apart: another value, other
    // channels, or a cursor outside what was read, start afresh.
    void update(std::span<const SongEvent> events, uint64_t song, size_t cursor, uint32_t position,
                double ticksToPixels, uint16_t channels = 0xFFFF);
    // Calls note(channel, note, y) as forEachComingNote does, from what update kept.
    template <typename NoteVisitor>
    void forEach(uint32_t position, double ticksToPixels, NoteVisitor&& note) const;
    size_t size() const { return notes_.size() - first_; }

private:
    struct Note {
        size_t index;  // in the song's events
        uint32_t tick;
        uint8_t channel;
        uint8_t note;
    };

    void restart(std::span<const SongEvent> events, uint64_t song, size_t cursor, uint16_t channels);

    std::vector<Note> notes_;  // from first_ on
    size_t first_ = 0;
    uint64_t song_ = 0;
    uint16_t channels_ = 0;
    const SongEvent* events_ = nullptr;
    size_t eventCount_ = 0;
    size_t start_ = 0;  // the cursor the kept notes start from
    size_t read_ = 0;   // the events before this one have been read
};

// What a flow page can draw of the coming notes in one frame: the first `budget` marks one by
// one, and past them only marks whose lane and row no mark has taken yet this frame. A flood
// of notes then costs at most one blit per lane row, and every lane row that a note reaches
// still shows a mark.
class MarkBudget {
public:
    static constexpr size_t budget = 4096;
    static constexpr int32_t laneCount = 128;

    void reset()
    {
        taken_.reset();
        count_ = 0;
    }
    // Whether to draw a mark on the lane (0..127) at y (0..flowLaneHeight).
    bool take(int32_t lane, int32_t y)
    {
        if (lane < 0 || lane >= laneCount || y < 0 || y > flowLaneHeight) {
            return true;
        }
        const size_t cell = static_cast<size_t>(y) * laneCount + static_cast<size_t>(lane);
        if (++count_ > budget && taken_.test(cell)) {
            return false;
        }
        taken_.set(cell);
        return true;
    }

private:
    std::bitset<laneCount*(flowLaneHeight + 1)> taken_;
    size_t count_ = 0;
};

template <typename NoteVisitor>
void ComingNotes::forEach(uint32_t position, double ticksToPixels, NoteVisitor&& note) const
{
    for (size_t i = first_; i < notes_.size(); ++i) {
        const Note& coming = notes_[i];
        const double y = static_cast<double>(static_cast<int64_t>(coming.tick) - position) * ticksToPixels;
        if (y > flowLaneHeight) {
            return;
        }
        note(static_cast<int32_t>(coming.channel), static_cast<int32_t>(coming.note), static_cast<int32_t>(y));
    }
}

}  // namespace quorva
