#pragma once
#include "song/event_arena.h"
#include "song/midi_event.h"
#include "song/relaxed.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

class MessageBox;

// One loaded Standard MIDI File: every kept event of every track, merged by tick in a
// stable order, with its tempo and time-signature lists and song-wide values.
class SmfFile {
public:
    explicit SmfFile(MessageBox* messages = nullptr) : messages_(messages) {}
    ~SmfFile() { clear(); }
    SmfFile(const SmfFile&) = delete;
    SmfFile& operator=(const SmfFile&) = delete;

    // Replaces the song. Callers stop the sequencer first and play afterwards.
    bool load(std::string_view path);
    // The same from bytes already in memory.
    bool loadBytes(const uint8_t* bytes, size_t size);
    void clear();

    const std::vector<MidiEvent*>& events() const { return events_; }
    TempoEvent* firstTempo() const { return firstTempo_; }
    TimeSignatureEvent* firstTimeSignature() const { return firstTimeSignature_; }
    TempoEvent* lastTempo() const { return lastTempo_; }
    TimeSignatureEvent* lastTimeSignature() const { return lastTimeSignature_; }

    uint32_t division = 0;
    bool loaded = false;
    std::string path;  // the file the song came from (empty for a song loaded from bytes)
    const char* title = nullptr;
    const char* notice = nullptr;
    Relaxed<const char*> lyric{nullptr};  // written on the timer thread while playing
    Relaxed<const char*> text{nullptr};   // written on the timer thread while playing
    bool hasResetSysex = false;
    uint32_t tailMs = 1000;
    uint32_t endMs = 0;
    uint32_t endTick = 0;
    uint32_t measureCount = 0;
    uint16_t format = 0;

    // Called by the events' prepare.
    void appendTempo(TempoEvent& event);
    void appendTimeSignature(TimeSignatureEvent& event);
    // Length of a measure in whole ticks, at least 1 so that no meter can stall a count.
    uint32_t measureLength(uint8_t numerator, uint8_t denominatorPower) const;

    // Memory held by the loaded events (arena and event list), for measurements.
    size_t memoryBytes() const;

private:
    bool readTracks(const uint8_t* begin, const uint8_t* end);
    void computeEnd();
    void computeMeasureCount();

    MessageBox* messages_;
    EventDecoder decoder_;
    EventArena arena_;
    std::vector<MidiEvent*> events_;
    TempoEvent* firstTempo_ = nullptr;
    TempoEvent* lastTempo_ = nullptr;
    TimeSignatureEvent* firstTimeSignature_ = nullptr;
    TimeSignatureEvent* lastTimeSignature_ = nullptr;
};

}  // namespace quorva
