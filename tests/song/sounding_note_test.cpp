#include "song/sounding_note.h"
#include "support/player_fixture.h"
#include "support/smf_builder.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace quorva {
namespace {

using testing::buildSmf;
using testing::Player;
using testing::TrackBuilder;

constexpr size_t keyCount = 16 * 128;

std::vector<SoundingNote*> inOrder(const SoundingNoteList& list)
{
    std::vector<SoundingNote*> notes;
    for (SoundingNote* note = list.first(); note; note = note->next) {
        notes.push_back(note);
    }
    return notes;
}

SoundingNote& addNote(SoundingNoteList& list, size_t key)
{
    SoundingNote& note = *list.add();
    note.channel = static_cast<uint8_t>(key / 128);
    note.note = static_cast<uint8_t>(key % 128);
    return note;
}

TEST(SoundingNoteList, KeepsOrderAndReusesItsPool)
{
    SoundingNoteList list;
    SoundingNote& a = addNote(list, 1);
    SoundingNote& b = addNote(list, 2);
    SoundingNote& c = addNote(list, 3);
    EXPECT_EQ(inOrder(list), (std::vector<SoundingNote*>{&a, &b, &c}));
    EXPECT_EQ(list.erase(&b), &c);
    EXPECT_EQ(list.size(), 2u);
    b.level = 50;  // a reused note starts afresh
    SoundingNote& d = *list.add();
    EXPECT_EQ(&d, &b);
    EXPECT_EQ(d.level, 0.0f);
    EXPECT_FALSE(d.released);
    EXPECT_EQ(inOrder(list), (std::vector<SoundingNote*>{&a, &c, &d}));
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.first(), nullptr);
}

TEST(SoundingNoteList, PastItsCapacityTheOldestReleasedThenTheOldestDoubledNoteMakesRoom)
{
    static_assert(SoundingNoteList::capacity > keyCount, "the pool must hold more notes than keys");
    SoundingNoteList list;
    for (size_t i = 0; i < SoundingNoteList::capacity; ++i) {
        addNote(list, i % keyCount);
    }
    ASSERT_EQ(list.size(), SoundingNoteList::capacity);
    std::vector<SoundingNote*> notes = inOrder(list);

    // Released notes go first, the oldest of them.
    list.release(notes[700]);
    list.release(notes[5]);
    SoundingNote& first = addNote(list, 7);
    EXPECT_EQ(&first, notes[5]);
    EXPECT_EQ(list.size(), SoundingNoteList::capacity);
    EXPECT_EQ(&addNote(list, 8), notes[700]);

    // All held: the oldest note whose key a newer note also holds. Notes 0..4 each have a
    // twin at keyCount + i; note 5 and 700 have been moved to the end already.
    EXPECT_EQ(&addNote(list, 9), notes[0]);
    EXPECT_EQ(&addNote(list, 10), notes[1]);
    EXPECT_EQ(list.size(), SoundingNoteList::capacity);
    EXPECT_EQ(inOrder(list).back(), notes[1]);

    // Every key still has a held note.
    std::set<size_t> keys;
    for (SoundingNote* note = list.first(); note; note = note->next) {
        keys.insert(note->channel * 128u + note->note);
    }
    EXPECT_EQ(keys.size(), keyCount);
}

TEST(SoundingNoteList, ANoteOffReleasesTheHeldNotesOfItsKeyAlone)
{
    SoundingNoteList list;
    SoundingNote* first = list.add(0, 60);
    SoundingNote* otherChannel = list.add(1, 60);
    SoundingNote* otherKey = list.add(0, 61);
    SoundingNote* second = list.add(0, 60);
    list.releaseKey(0, 60);
    EXPECT_TRUE(first->released);
    EXPECT_TRUE(second->released);
    EXPECT_FALSE(otherChannel->released);
    EXPECT_FALSE(otherKey->released);

    // A note struck again after the note off is held until the next one; an erased note has
    // left its key.
    SoundingNote* third = list.add(0, 60);
    list.erase(otherKey);
    SoundingNote* reused = list.add(0, 62);
    list.releaseKey(0, 61);
    EXPECT_FALSE(reused->released);
    EXPECT_FALSE(third->released);
    list.releaseKey(0, 60);
    EXPECT_TRUE(third->released);
    list.releaseAll();
    EXPECT_TRUE(otherChannel->released);
    EXPECT_TRUE(reused->released);

    // Full of held notes, each key struck twice: the oldest note goes first, as its key's
    // newer note keeps it sounding, and a key struck once keeps its note.
    list.clear();
    std::vector<SoundingNote*> notes;
    for (size_t i = 0; i < SoundingNoteList::capacity; ++i) {
        notes.push_back(list.add(static_cast<uint8_t>(i / 128 % 16), static_cast<uint8_t>(i % 128)));
    }
    list.releaseKey(0, 0);  // both notes of key 0
    EXPECT_EQ(list.add(5, 5), notes[0]);
    EXPECT_EQ(list.add(5, 6), notes[keyCount]);
    EXPECT_EQ(list.add(5, 7), notes[1]);
    EXPECT_EQ(list.size(), SoundingNoteList::capacity);
    // The replaced note has left its key: the twin it had is the key's only note now.
    list.releaseKey(0, 1);
    EXPECT_TRUE(notes[keyCount + 1]->released);
    EXPECT_EQ(list.add(5, 8), notes[keyCount + 1]);
}

TEST(SoundingNoteList, ASongHoldingMoreNotesThanThePoolIsStillSilencedOnStop)
{
    // 16 channels x 128 keys struck three times each at tick 0, never released.
    TrackBuilder track;
    for (int round = 0; round < 3; ++round) {
        for (uint8_t channel = 0; channel < 16; ++channel) {
            for (uint8_t key = 0; key < 128; ++key) {
                track.event(0, {static_cast<uint8_t>(0x90 | channel), key, 100});
            }
        }
    }
    track.event(100000, {0x80, 0, 0});
    Player player;
    ASSERT_TRUE(player.loadBytes(buildSmf(0, 480, {track})));
    player.sequencer.play();
    player.ticks(1);
    {
        std::lock_guard guard(player.sequencer.lock());
        EXPECT_EQ(player.sequencer.notes().size(), SoundingNoteList::capacity);
    }
    player.port().clear();
    player.sequencer.stop();
    std::set<std::string> silenced;
    for (const std::string& message : player.sent()) {
        if (message[0] == '8') {
            silenced.insert(message);
        }
    }
    EXPECT_EQ(silenced.size(), keyCount);
}

}  // namespace
}  // namespace quorva
