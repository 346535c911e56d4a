#pragma once
#include "song/sequencer.h"
#include "song/sounding_note.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace quorva {

// What a music view draws of one sounding note.
struct DrawnNote {
    uint8_t channel = 0;
    uint8_t note = 0;  // as in the song, before the key shift
    bool released = false;
    uint32_t ageMs = 0;
};

// The sounding notes as one frame draws them: copied under the sequencer's lock once a frame
// and drawn after it is released, so that the timer's tick never waits for the blits. Holds
// as many notes as the sequencer's pool, allocated once, and each channel's loudest level
// (truncated), which the channel rows' meters show.
class NoteSnapshot {
public:
    NoteSnapshot() : notes_(std::make_unique<DrawnNote[]>(SoundingNoteList::capacity)) {}

    void take(Sequencer& sequencer);
    const DrawnNote* begin() const { return notes_.get(); }
    const DrawnNote* end() const { return notes_.get() + count_; }
    size_t size() const { return count_; }
    int32_t peak(int channel) const { return peaks_[channel & 15]; }

private:
    std::unique_ptr<DrawnNote[]> notes_;
    size_t count_ = 0;
    std::array<int32_t, 16> peaks_{};
};

}  // namespace quorva
