#include "ui/note_snapshot.h"

#include <algorithm>
#include <mutex>

namespace quorva {

void NoteSnapshot::take(Sequencer& sequencer)
{
    std::array<int32_t, 16> peaks{};
    size_t count = 0;
    {
        std::lock_guard guard(sequencer.lock());
        for (const SoundingNote* note = sequencer.notes().first(); note != nullptr && count < SoundingNoteList::capacity;
             note = note->next) {
            notes_[count++] = {note->channel, note->note, note->released, note->ageMs};
            int32_t& peak = peaks[note->channel & 15];
            peak = std::max(peak, static_cast<int32_t>(note->level));
        }
    }
    count_ = count;
    peaks_ = peaks;
}

}  // namespace quorva
