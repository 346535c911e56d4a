#include "song/sounding_note.h"

#include <bitset>

namespace quorva {

SoundingNoteList::SoundingNoteList() : pool_(std::make_unique<SoundingNote[]>(capacity))
{
    for (size_t i = capacity; i-- > 0;) {
        pool_[i].next = free_;
        free_ = &pool_[i];
    }
}

SoundingNote* SoundingNoteList::add()
{
    SoundingNote* note = free_;
    if (note) {
        free_ = note->next;
    } else {
        note = oldestReplaceable();
        unlink(note);
    }
    *note = SoundingNote{};
    note->previous = tail_;
    (tail_ ? tail_->next : head_) = note;
    tail_ = note;
    ++size_;
    return note;
}

SoundingNote* SoundingNoteList::oldestReplaceable() const
{
    for (SoundingNote* note = head_; note; note = note->next) {
        if (note->released) {
            return note;
        }
    }
    // Walking from the newest, a note whose key was seen already has a newer note on it.
    std::bitset<16 * 128> newerOnKey;
    SoundingNote* oldestDuplicate = nullptr;
    for (SoundingNote* note = tail_; note; note = note->previous) {
        const size_t key = (note->channel & 0x0Fu) * 128u + (note->note & 0x7Fu);
        if (newerOnKey.test(key)) {
            oldestDuplicate = note;
        }
        newerOnKey.set(key);
    }
    return oldestDuplicate;
}

void SoundingNoteList::unlink(SoundingNote* note)
{
    (note->previous ? note->previous->next : head_) = note->next;
    (note->next ? note->next->previous : tail_) = note->previous;
    --size_;
}

SoundingNote* SoundingNoteList::erase(SoundingNote* note)
{
    SoundingNote* following = note->next;
    unlink(note);
    note->previous = nullptr;
    note->next = free_;
    free_ = note;
    return following;
}

void SoundingNoteList::clear()
{
    while (head_) {
        erase(head_);
    }
}

}  // namespace quorva
