#include "ui/coming_notes.h"

namespace quorva {

void ComingNotes::restart(std::span<const SongEvent> events, uint64_t song, size_t cursor, uint16_t channels)
{
    notes_.clear();
    first_ = 0;
    song_ = song;
    channels_ = channels;
    events_ = events.data();
    eventCount_ = events.size();
    start_ = cursor;
    read_ = cursor;
}

void ComingNotes::update(std::span<const SongEvent> events, uint64_t song, size_t cursor, uint32_t position,
                         double ticksToPixels, uint16_t channels)
{
    if (song != song_ || channels != channels_ || events.data() != events_ || events.size() != eventCount_ ||
        cursor < start_ || cursor > read_) {
        restart(events, song, cursor, channels);
    }
    start_ = cursor;
    while (first_ < notes_.size() && notes_[first_].index < cursor) {
        ++first_;
    }
    // The passed notes go once they are half of what is kept, so each is moved at most once.
    if (first_ > 0 && first_ * 2 >= notes_.size()) {
        notes_.erase(notes_.begin(), notes_.begin() + static_cast<std::ptrdiff_t>(first_));
        first_ = 0;
    }
    for (; read_ < events.size(); ++read_) {
        const SongEvent event = events[read_];
        const double y = static_cast<double>(static_cast<int64_t>(event.tick) - position) * ticksToPixels;
        if (y > flowLaneHeight) {
            return;
        }
        if (event.isNoteOn() && (channels >> event.channelNumber() & 1) != 0) {
            notes_.push_back({read_, event.tick, event.channelNumber(), event.key()});
        }
    }
}

}  // namespace quorva
