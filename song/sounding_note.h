#pragma once
#include <cstdint>
#include <memory>

namespace quorva {

enum class NotePhase : uint8_t { Attack = 0, Hold = 1, Release = 2 };

// A note that a played note on started, aged every timer tick for the display.
struct SoundingNote {
    SoundingNote* previous = nullptr;
    SoundingNote* next = nullptr;
    uint8_t channel = 0;
    uint8_t note = 0;  // as in the song, before the key shift
    uint8_t velocity = 0;
    float level = 0;
    float startLevel = 0;
    float holdLevel = 0;
    NotePhase phase = NotePhase::Attack;
    uint32_t phaseMs = 0;
    uint32_t ageMs = 0;
    bool released = false;
};

// The sequencer's owning list of sounding notes; guarded by the sequencer's lock.
class SoundingNoteList {
public:
    SoundingNoteList() = default;
    ~SoundingNoteList() { clear(); }
    SoundingNoteList(const SoundingNoteList&) = delete;
    SoundingNoteList& operator=(const SoundingNoteList&) = delete;

    SoundingNote* first() const { return head_; }
    bool empty() const { return head_ == nullptr; }
    size_t size() const { return size_; }

    void append(std::unique_ptr<SoundingNote> owned)
    {
        SoundingNote* note = owned.release();
        note->previous = tail_;
        note->next = nullptr;
        (tail_ ? tail_->next : head_) = note;
        tail_ = note;
        ++size_;
    }

    // Unlinks and destroys the note; returns the one after it.
    SoundingNote* erase(SoundingNote* note)
    {
        SoundingNote* following = note->next;
        (note->previous ? note->previous->next : head_) = note->next;
        (note->next ? note->next->previous : tail_) = note->previous;
        std::unique_ptr<SoundingNote> destroy(note);
        --size_;
        return following;
    }

    void clear()
    {
        while (head_) {
            erase(head_);
        }
    }

private:
    SoundingNote* head_ = nullptr;
    SoundingNote* tail_ = nullptr;
    size_t size_ = 0;
};

}  // namespace quorva
