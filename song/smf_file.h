#pragma once
#include "song/event_arena.h"
#include "song/midi_event.h"
#include "song/relaxed.h"
#include "song/song_load_error.h"

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

    // Replaces the song. Callers stop the sequencer first and play afterwards. A failure
    // leaves no song; `loadError` then tells why, and the observer is told.
    bool load(std::string_view path);
    // The same from bytes already in memory.
    bool loadBytes(const uint8_t* bytes, size_t size);
    void clear();
    // Told of every path that `load` could not take.
    void setLoadObserver(SongLoadObserver* observer) { observer_ = observer; }
    // Why the last load failed (None after a success or a clear), and the path it was given.
    SongLoadError loadError() const { return loadError_; }
    const std::string& failedPath() const { return failedPath_; }

    const std::vector<MidiEvent*>& events() const { return events_; }
    TempoEvent* firstTempo() const { return firstTempo_; }
    TimeSignatureEvent* firstTimeSignature() const { return firstTimeSignature_; }
    TempoEvent* lastTempo() const { return lastTempo_; }
    TimeSignatureEvent* lastTimeSignature() const { return lastTimeSignature_; }

    uint32_t division() const { return division_; }
    bool loaded() const { return loaded_; }
    // The file the song came from (empty for a song loaded from bytes).
    const std::string& path() const { return path_; }
    const char* title() const { return title_; }
    const char* notice() const { return notice_; }
    // Set by the played text events on the timer thread; read by the display.
    const char* lyric() const { return lyric_; }
    const char* text() const { return text_; }
    bool hasResetSysex() const { return hasResetSysex_; }
    uint32_t tailMs() const { return tailMs_; }
    uint32_t endMs() const { return endMs_; }
    uint32_t endTick() const { return endTick_; }
    uint32_t measureCount() const { return measureCount_; }
    uint16_t format() const { return format_; }

    // Called by the events' prepare, while loading.
    void appendTempo(TempoEvent& event);
    void appendTimeSignature(TimeSignatureEvent& event);
    void noteResetSysex() { hasResetSysex_ = true; }
    // The first title and notice text of the file are the song's.
    void offerTitle(const char* text);
    void offerNotice(const char* text);
    // Called by the text events when played: the first plain text stays, lyrics follow.
    void showText(const char* text);
    void showLyric(const char* text) { lyric_ = text; }
    // Length of a measure in whole ticks, at least 1 so that no meter can stall a count.
    uint32_t measureLength(uint8_t numerator, uint8_t denominatorPower) const;

    // Memory held by the loaded events (arena and event list), for measurements.
    size_t memoryBytes() const;

private:
    bool readTracks(const uint8_t* begin, const uint8_t* end);
    void computeEnd();
    void computeMeasureCount();

    MessageBox* messages_;
    SongLoadObserver* observer_ = nullptr;
    SongLoadError loadError_ = SongLoadError::None;
    std::string failedPath_;
    uint32_t division_ = 0;
    bool loaded_ = false;
    std::string path_;
    const char* title_ = nullptr;
    const char* notice_ = nullptr;
    Relaxed<const char*> lyric_{nullptr};
    Relaxed<const char*> text_{nullptr};
    bool hasResetSysex_ = false;
    uint32_t tailMs_ = 1000;
    uint32_t endMs_ = 0;
    uint32_t endTick_ = 0;
    uint32_t measureCount_ = 0;
    uint16_t format_ = 0;
    EventDecoder decoder_;
    EventArena arena_;
    std::vector<MidiEvent*> events_;
    TempoEvent* firstTempo_ = nullptr;
    TempoEvent* lastTempo_ = nullptr;
    TimeSignatureEvent* firstTimeSignature_ = nullptr;
    TimeSignatureEvent* lastTimeSignature_ = nullptr;
};

}  // namespace quorva
