#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace quorva {

enum class NotePhase : uint8_t { Attack = 0, Hold = 1, Release = 2 };

// A note that a played note on started, aged every timer tick for the display.
struct SoundingNote {
    SoundingNote* previous = nullptr;
    SoundingNote* next = nullptr;
    // The older and newer held notes of the same key (see SoundingNoteList::add).
    SoundingNote* olderOnKey = nullptr;
    SoundingNote* newerOnKey = nullptr;
    uint8_t channel = 0;
    uint8_t note = 0;  // as in the song, before the key shift
    uint8_t velocity = 0;
    bool onKey = false;  // linked among its key's held notes
    float level = 0;
    float startLevel = 0;
    float holdLevel = 0;
    NotePhase phase = NotePhase::Attack;
    uint32_t phaseMs = 0;
    uint32_t ageMs = 0;
    bool released = false;  // set through SoundingNoteList::release and its kin
};

// The sequencer's list of sounding notes, oldest first, in a pool allocated once: the timer
// thread adds notes without allocating. Guarded by the sequencer's lock; walk it with
// first() and `next`.
//
// Beside the list, the held notes of each key are chained oldest first, so that a note off
// finds its notes without a walk: a flood of tens of thousands of notes a second sends as
// many note offs, each of which would otherwise walk the whole pool.
//
// The pool holds `capacity` notes, twice the 16 x 128 keys of all channels. When it is full,
// the oldest released note (already silenced, only fading on the display) gives up its
// place; when every note is still held, the oldest one whose key a newer note also holds
// does. There is always one, as there are more notes than keys, and the newer note's note
// off (on stop, pause or key shift) silences the key for both, so nothing is left sounding.
class SoundingNoteList {
public:
    static constexpr size_t capacity = 2 * 16 * 128;

    SoundingNoteList();
    SoundingNoteList(const SoundingNoteList&) = delete;
    SoundingNoteList& operator=(const SoundingNoteList&) = delete;

    SoundingNote* first() const { return head_; }
    bool empty() const { return head_ == nullptr; }
    size_t size() const { return size_; }

    // A fresh note at the end of the list, held on its channel's key: releaseKey finds it.
    SoundingNote* add(uint8_t channel, uint8_t note);
    // A fresh note at the end of the list that no key knows (its fields are the caller's).
    SoundingNote* add();
    // Marks the note released.
    void release(SoundingNote* note);
    // Marks every held note of the key released: what a note off does.
    void releaseKey(uint8_t channel, uint8_t note);
    void releaseAll();
    // Unlinks the note and returns it to the pool; returns the one after it.
    SoundingNote* erase(SoundingNote* note);
    void clear();

private:
    static size_t keyIndex(uint8_t channel, uint8_t note) { return (channel & 0x0Fu) * 128u + (note & 0x7Fu); }
    void unlink(SoundingNote* note);
    void leaveKey(SoundingNote* note);
    SoundingNote* oldestReplaceable() const;

    std::unique_ptr<SoundingNote[]> pool_;
    SoundingNote* free_ = nullptr;  // singly linked through `next`
    SoundingNote* head_ = nullptr;
    SoundingNote* tail_ = nullptr;
    size_t size_ = 0;
    size_t releasedCount_ = 0;
    // The oldest and newest held note of each key.
    std::array<SoundingNote*, 16 * 128> oldestOnKey_{};
    std::array<SoundingNote*, 16 * 128> newestOnKey_{};
};

}  // namespace quorva
