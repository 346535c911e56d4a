#include "ui/note_snapshot.h"

#include <mutex>

namespace quorva {

void NoteSnapshot::take(Sequencer& sequencer)
{
    std::lock_guard guard(sequencer.lock());
    size_t count = 0;
    for (const SoundingNote* note = sequencer.notes().first(); note != nullptr && count < SoundingNoteList::capacity;
         note = note->next) {
        notes_[count++] = {note->channel, note->note, note->released, note->ageMs};
    }
    count_ = count;
}

}  // namespace quorva
