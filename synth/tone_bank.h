#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "synth/tone_record.h"

namespace quorva {

struct ToneMapEntry {
    uint8_t bankMsb = 0;
    uint8_t bankLsb = 0;
    const Tone* tone = nullptr;  // owned by the bank
};

struct DrumEntry {
    const Tone* tone = nullptr;  // null: the key is silent
    uint8_t note = 60;           // key whose pitch is played
    uint8_t pan = 64;            // 0 left .. 127 right
    uint8_t cutKey = 128;        // starting this key releases a voice of key cutKey; 128-255 none
};

struct DrumSet {
    std::array<DrumEntry, 128> entries{};
    void reset() { entries.fill(DrumEntry{}); }
};

// The FM synthesizer's instruments: tones by number, the program-to-tone map and the drum
// sets. Filled by loadToneFile and read-only while the synthesizer plays. Tones keep their
// addresses while the bank holds them: a tone number defined again is re-initialised in place,
// so map and drum entries that named it follow the new definition.
// A tone numbered outside 0-255 can never be found by its number; unless it takes over the
// record of a tone that can, it is read into one scratch record, so that a file of many such
// blocks cannot make the bank grow without bound.
class ToneBank {
public:
    ToneBank() = default;
    ToneBank(const ToneBank&) = delete;
    ToneBank& operator=(const ToneBank&) = delete;

    // A longer tone file is refused before it is read into tokens: it could only be hostile
    // (the shipped bank is some 70 KB), and its tokens would take some 60 times its size.
    static constexpr std::size_t maxFileBytes = 4u << 20;

    // Reads the tone file at path into the (emptied) bank and compiles every tone.
    // False when the file cannot be read (bank unchanged), is longer than maxFileBytes (bank
    // unchanged) or has any error.
    bool loadToneFile(std::string_view path);
    // The same for the file's bytes already in memory.
    bool loadToneText(std::span<const uint8_t> text);

    void clearBank();

    const Tone* findTone(int32_t number) const;
    const Tone* toneForProgram(int program, int bankMsb, int bankLsb) const;
    const DrumSet* drumSetForProgram(int program) const;

    // Building blocks of the loader.
    Tone& defineTone(int32_t number);                       // new (or re-initialised) tone
    ToneMapEntry& addToneMapEntry(int program, uint8_t bankMsb, uint8_t bankLsb);
    DrumSet& defineDrumSet(int number);                     // created or reset to defaults
    void compileAll();

    std::size_t toneCount() const;

private:
    Tone* findMutableTone(int32_t number) const;

    std::array<std::vector<std::unique_ptr<Tone>>, 128> tones_;
    std::array<Tone*, 256> byNumber_{};  // the tone each number 0-255 finds, if any
    std::unique_ptr<Tone> unfindable_;    // the record of tones numbered outside 0-255
    std::array<std::vector<ToneMapEntry>, 128> toneMap_;  // in order of definition; last wins
    std::array<std::unique_ptr<DrumSet>, 128> drumSets_;
};

}  // namespace quorva
