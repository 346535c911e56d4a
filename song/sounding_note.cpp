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

SoundingNote* SoundingNoteList::add(uint8_t channel, uint8_t note)
{
    SoundingNote* record = add();
    record->channel = channel;
    record->note = note;
    const size_t key = keyIndex(channel, note);
    record->olderOnKey = newestOnKey_[key];
    (record->olderOnKey ? record->olderOnKey->newerOnKey : oldestOnKey_[key]) = record;
    newestOnKey_[key] = record;
    record->onKey = true;
    return record;
}

void SoundingNoteList::release(SoundingNote* note)
{
    leaveKey(note);
    if (!note->released) {
        note->released = true;
        ++releasedCount_;
    }
}

void SoundingNoteList::releaseKey(uint8_t channel, uint8_t note)
{
    const size_t key = keyIndex(channel, note);
    while (SoundingNote* held = oldestOnKey_[key]) {
        release(held);
    }
}

void SoundingNoteList::releaseAll()
{
    for (SoundingNote* note = head_; note; note = note->next) {
        release(note);
    }
}

SoundingNote* SoundingNoteList::oldestReplaceable() const
{
    if (releasedCount_ > 0) {
        for (SoundingNote* note = head_; note; note = note->next) {
            if (note->released) {
                return note;
            }
        }
    }
    // Every note is held. The chains know which key holds a newer note, the oldest of them
    // usually near the head.
    for (SoundingNote* note = head_; note; note = note->next) {
        if (note->newerOnKey != nullptr) {
            return note;
        }
    }
    // Notes that no key knows: walking from the newest, a note whose key was seen already has
    // a newer note on it.
    std::bitset<16 * 128> newerOnKey;
    SoundingNote* oldestDuplicate = nullptr;
    for (SoundingNote* note = tail_; note; note = note->previous) {
        const size_t key = keyIndex(note->channel, note->note);
        if (newerOnKey.test(key)) {
            oldestDuplicate = note;
        }
        newerOnKey.set(key);
    }
    return oldestDuplicate;
}

void SoundingNoteList::leaveKey(SoundingNote* note)
{
    if (!note->onKey) {
        return;
    }
    const size_t key = keyIndex(note->channel, note->note);
    (note->olderOnKey ? note->olderOnKey->newerOnKey : oldestOnKey_[key]) = note->newerOnKey;
    (note->newerOnKey ? note->newerOnKey->olderOnKey : newestOnKey_[key]) = note->olderOnKey;
    note->olderOnKey = nullptr;
    note->newerOnKey = nullptr;
    note->onKey = false;
}

void SoundingNoteList::unlink(SoundingNote* note)
{
    leaveKey(note);
    if (note->released && releasedCount_ > 0) {
        --releasedCount_;
    }
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
