#pragma once
#include "song/event_arena.h"
#include "song/lyric_lines.h"
#include "song/midi_event.h"
#include "song/relaxed.h"
#include "song/song_event.h"
#include "song/song_load_error.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

class MessageBox;
class LoadProgress;
struct DecodedTrack;

// One loaded Standard MIDI File: every kept event of every track, merged by tick in a
// stable order, with its tempo and time-signature lists and song-wide values. The stream is
// 8 bytes an event (SongEvent): channel messages whole, the other events numbered objects,
// so that songs of tens of millions of notes fit in memory. The tracks are decoded side by
// side on every core and then merged.
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
    // Progress of a load in thousandths, for a display on another thread.
    void setLoadProgress(std::atomic<uint32_t>* permille) { loadProgress_ = permille; }

    std::span<const SongEvent> events() const { return {events_.get(), eventCount_}; }
    // The event at a place of the stream, as an object to play or inspect.
    EventView eventAt(size_t index) const { return EventView(events_[index], storedEvent(events_[index])); }
    // The object of an event that is no channel message; null for a channel message.
    MidiEvent* storedEvent(SongEvent event) const
    {
        return event.isChannel() ? nullptr : stored_[event.storedIndex()];
    }
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
    // A karaoke (.kar) file: its text events are tag lines and syllables. Its title (the @T
    // lines) and comment (the @I lines, else the @K line) are known from the load on.
    bool karaoke() const { return karaoke_; }
    // The track that holds a karaoke file's syllables (none when its words are lyric events
    // or it is no karaoke file); text events of other tracks are comments.
    std::optional<uint8_t> karaokeWordsTrack() const { return karaokeWordsTrack_; }
    // The sung words in lines, and the number of the syllable played last (noSyllable
    // before the first); set on the timer thread, read by the display.
    const LyricLines& lyricLines() const { return lyricLines_; }
    uint32_t sungSyllable() const { return sungSyllable_; }
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
    // A karaoke tag line ("@T...", "@I...", "@K..."; others are not shown).
    void offerKaraokeTag(std::string_view tag);
    // The next syllable of the sung words, at a tick no earlier than the last one's;
    // returns its number.
    uint32_t addSyllable(std::string_view text, uint32_t tick, bool karaoke);
    // Called by the text events when played: the first plain text stays, lyrics follow.
    void showText(const char* text);
    void showLyric(const char* text) { lyric_ = text; }
    void singSyllable(uint32_t syllable) { sungSyllable_ = syllable; }
    // The tick the song reaches `ms` milliseconds after its start, through the tempo map.
    uint32_t tickAtMs(uint32_t ms) const;
    // Length of a measure in whole ticks, at least 1 so that no meter can stall a count.
    uint32_t measureLength(uint8_t numerator, uint8_t denominatorPower) const;

    // Memory held by the loaded events (stream, stored events and their bytes), for measurements.
    size_t memoryBytes() const;

private:
    bool loadFrom(const uint8_t* bytes, size_t size, LoadProgress& progress);
    void readTracks(const uint8_t* begin, const uint8_t* end, LoadProgress& progress);
    // Decodes the tracks side by side; then, in track order, those that needed the running
    // status of the tracks before, and the karaoke texts kept or not by them.
    void decodeTracks(std::vector<DecodedTrack>& tracks, unsigned threads, LoadProgress& progress);
    void settleTracks(std::vector<DecodedTrack>& tracks);
    void mergeTracks(std::vector<DecodedTrack>& tracks, std::unique_ptr<SongEvent[]> decoded, unsigned threads,
                     LoadProgress& progress);
    void prepareEvents(LoadProgress& progress);
    void computeEnd();
    void computeMeasureCount();
    void finishWords();

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
    bool karaoke_ = false;
    std::optional<uint8_t> karaokeWordsTrack_;
    std::string karaokeTitle_;
    std::string karaokeInformation_;
    std::string karaokeFileTag_;
    LyricLines lyricLines_;
    Relaxed<uint32_t> sungSyllable_{LyricLines::noSyllable};
    uint32_t tailMs_ = 1000;
    uint32_t endMs_ = 0;
    uint32_t endTick_ = 0;
    uint32_t measureCount_ = 0;
    uint16_t format_ = 0;
    std::atomic<uint32_t>* loadProgress_ = nullptr;
    // The running status goes on from song to song, as the decoder of one program keeps it.
    uint8_t runningStatus_ = 0;
    // Per load: whether a track met a karaoke tag line, and the text events that are no tag
    // lines per track number (the karaoke words are in the track with the most).
    bool karaokeSeen_ = false;
    std::array<uint32_t, 256> plainTexts_{};
    // One arena per decoding thread; the stored events are made there.
    std::vector<EventArena> arenas_;
    std::unique_ptr<SongEvent[]> events_;
    size_t eventCount_ = 0;
    std::vector<MidiEvent*> stored_;
    TempoEvent* firstTempo_ = nullptr;
    TempoEvent* lastTempo_ = nullptr;
    TimeSignatureEvent* firstTimeSignature_ = nullptr;
    TimeSignatureEvent* lastTimeSignature_ = nullptr;
};

}  // namespace quorva
