#include "song/smf_file.h"

#include "base/file_reader.h"
#include "song/load_progress.h"
#include "song/song_math.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace quorva {

namespace {

uint32_t bigEndian32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

uint16_t bigEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

bool isNoteMessage(SongEvent event) { return event.isChannel() && (event.status() & 0xE0) == 0x80; }

SongLoadError readFailure(FileReadError error)
{
    switch (error) {
    case FileReadError::None: return SongLoadError::None;
    case FileReadError::Missing: return SongLoadError::Missing;
    case FileReadError::Directory: return SongLoadError::Directory;
    case FileReadError::NotAFile: return SongLoadError::NotAFile;
    case FileReadError::Unreadable: return SongLoadError::Unreadable;
    case FileReadError::NameTooLong: return SongLoadError::NameTooLong;
    }
    return SongLoadError::Unreadable;
}

// What is wrong with the header chunk, if anything: "MThd", length 6, format 0 or 1, and a
// division in ticks per quarter note (SMPTE timing is refused, and so is a division of 0,
// which would divide every time by zero).
SongLoadError headerError(const uint8_t* bytes, size_t size)
{
    if (size == 0) {
        return SongLoadError::Empty;
    }
    if (std::memcmp(bytes, "MThd", std::min<size_t>(size, 4)) != 0) {
        return SongLoadError::NotSmf;
    }
    if (size < 14) {
        return SongLoadError::TruncatedHeader;
    }
    if (bigEndian32(bytes + 4) != 6) {
        return SongLoadError::HeaderLength;
    }
    const uint16_t format = bigEndian16(bytes + 8);
    const uint16_t division = bigEndian16(bytes + 12);
    if (format > 1) {
        return format == 2 ? SongLoadError::Format2 : SongLoadError::UnknownFormat;
    }
    if ((division & 0x8000) != 0) {
        return SongLoadError::SmpteTiming;
    }
    return division == 0 ? SongLoadError::ZeroDivision : SongLoadError::None;
}

}  // namespace

void SmfFile::clear()
{
    path_.clear();
    loadError_ = SongLoadError::None;
    failedPath_.clear();
    // Nothing of the old song may stay on show: its length and division go with it.
    division_ = 0;
    format_ = 0;
    endMs_ = 0;
    endTick_ = 0;
    title_ = nullptr;
    notice_ = nullptr;
    lyric_ = nullptr;
    text_ = nullptr;
    hasResetSysex_ = false;
    karaoke_ = false;
    karaokeWordsTrack_.reset();
    karaokeTitle_.clear();
    karaokeInformation_.clear();
    karaokeFileTag_.clear();
    lyricLines_.clear();
    sungSyllable_ = LyricLines::noSyllable;
    measureCount_ = 0;
    karaokeSeen_ = false;
    plainTexts_.fill(0);
    for (MidiEvent* event : stored_) {
        event->~MidiEvent();
    }
    stored_.clear();
    events_.reset();
    eventCount_ = 0;
    for (EventArena& arena : arenas_) {
        arena.reset();
    }
    firstTempo_ = lastTempo_ = nullptr;
    firstTimeSignature_ = lastTimeSignature_ = nullptr;
    loaded_ = false;
}

bool SmfFile::load(std::string_view path)
{
    clear();
    LoadProgress progress(loadProgress_);
    FileReadError readError = FileReadError::None;
    bool outOfMemory = false;
    bool loaded = false;
    std::optional<std::vector<uint8_t>> bytes;
    try {
        bytes = readWholeFile(path, readError);
        progress.report(0, stageRead, 1, 1);
        loaded = bytes && loadFrom(bytes->data(), bytes->size(), progress);
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
    }
    progress.finish();
    if (!loaded) {
        if (outOfMemory) {
            bytes.reset();
            clear();
            loadError_ = SongLoadError::OutOfMemory;
        } else if (!bytes) {
            loadError_ = readFailure(readError);
        }
        failedPath_ = unquotePath(path);
        if (observer_ != nullptr) {
            observer_->songNotLoaded(failedPath_, loadError_);
        }
        return false;
    }
    path_ = unquotePath(path);
    return true;
}

bool SmfFile::loadBytes(const uint8_t* bytes, size_t size)
{
    LoadProgress progress(loadProgress_);
    bool loaded = false;
    try {
        loaded = loadFrom(bytes, size, progress);
    } catch (const std::bad_alloc&) {
        clear();
        loadError_ = SongLoadError::OutOfMemory;
    }
    progress.finish();
    return loaded;
}

bool SmfFile::loadFrom(const uint8_t* bytes, size_t size, LoadProgress& progress)
{
    clear();
    loadError_ = headerError(bytes, size);
    if (loadError_ != SongLoadError::None) {
        return false;
    }
    format_ = bigEndian16(bytes + 8);
    division_ = bigEndian16(bytes + 12);

    readTracks(bytes + 14, bytes + size, progress);
    karaoke_ = karaokeSeen_;
    if (karaoke_) {
        const auto most = std::max_element(plainTexts_.begin(), plainTexts_.end());
        if (*most > 0) {
            karaokeWordsTrack_ = static_cast<uint8_t>(most - plainTexts_.begin());
        }
    }
    prepareEvents(progress);
    computeEnd();
    computeMeasureCount();
    finishWords();
    loaded_ = true;
    return true;
}

void SmfFile::prepareEvents(LoadProgress& progress)
{
    constexpr size_t progressEvents = 1 << 20;
    for (size_t i = 0; i < eventCount_; ++i) {
        if (MidiEvent* event = storedEvent(events_[i])) {
            event->prepare(*this, i);
        }
        if (i % progressEvents == progressEvents - 1) {
            progress.report(stageMerged, 1000, i, eventCount_);
        }
    }
}

void SmfFile::appendTempo(TempoEvent& event)
{
    event.previous = lastTempo_;
    event.next = nullptr;
    if (const TempoEvent* previous = lastTempo_) {
        const double ms = static_cast<double>(event.tick - previous->tick) * previous->tempo / (division_ * 1000.0);
        event.startMs = truncToU32(ms + previous->startMs);
        lastTempo_->next = &event;
    } else {
        event.startMs = truncToU32(static_cast<double>(event.tick) * 500.0 / division_);
        firstTempo_ = &event;
    }
    lastTempo_ = &event;
}

void SmfFile::offerTitle(const char* text)
{
    if (title_ == nullptr) {
        title_ = text;
    }
}

void SmfFile::offerNotice(const char* text)
{
    if (notice_ == nullptr) {
        notice_ = text;
    }
}

void SmfFile::offerKaraokeTag(std::string_view tag)
{
    tag = tag.substr(0, tag.find('\0'));
    std::string_view value = tag.substr(2);
    while (!value.empty() && value.front() == ' ') {
        value.remove_prefix(1);
    }
    while (!value.empty() && (value.back() == ' ' || value.back() == '\r' || value.back() == '\n')) {
        value.remove_suffix(1);
    }
    if (value.empty()) {
        return;
    }
    // Several title lines (the title, the artist, ...) and information lines read as one.
    const auto join = [value](std::string& into) {
        if (!into.empty()) {
            into += " - ";
        }
        into += value;
    };
    switch (tag[1]) {
    case 'T': join(karaokeTitle_); break;
    case 'I': join(karaokeInformation_); break;
    case 'K':
        if (karaokeFileTag_.empty()) {
            karaokeFileTag_ = value;
        }
        break;
    default: break;
    }
}

uint32_t SmfFile::tickAtMs(uint32_t ms) const
{
    uint32_t baseTick = 0;
    uint32_t baseMs = 0;
    uint32_t tempo = 500000;
    for (const TempoEvent* change = firstTempo_; change && change->startMs <= ms; change = change->next) {
        baseTick = change->tick;
        baseMs = change->startMs;
        tempo = change->tempo;
    }
    if (division_ == 0) {
        return 0;
    }
    // Rounded up, so that the tick is the first the song reaches at or after `ms`.
    return truncToU32(std::ceil(static_cast<double>(ms - baseMs) * division_ * 1000.0 / tempo + baseTick));
}

uint32_t SmfFile::addSyllable(std::string_view text, uint32_t tick, bool karaoke)
{
    // In the prepare pass the tempo list holds every tempo change up to this tick.
    double ms = static_cast<double>(tick) * 500.0 / division_;
    if (const TempoEvent* tempo = lastTempo_) {
        ms = static_cast<double>(tick - tempo->tick) * tempo->tempo / (division_ * 1000.0) + tempo->startMs;
    }
    return lyricLines_.addSyllable(text, truncToU32(ms), karaoke);
}

void SmfFile::finishWords()
{
    lyricLines_.finish();
    if (!karaokeTitle_.empty()) {
        title_ = karaokeTitle_.c_str();
    }
    const std::string& comment = karaokeInformation_.empty() ? karaokeFileTag_ : karaokeInformation_;
    if (!comment.empty()) {
        text_ = comment.c_str();
    }
}

void SmfFile::showText(const char* text)
{
    if (text_.load() == nullptr) {
        text_ = text;
    }
}

uint32_t SmfFile::measureLength(uint8_t numerator, uint8_t denominatorPower) const
{
    const uint32_t length = truncToU32(static_cast<double>(numerator) * division_ * 4.0 / powerOfTwo(denominatorPower));
    return length == 0 ? 1 : length;
}

void SmfFile::appendTimeSignature(TimeSignatureEvent& event)
{
    event.previous = lastTimeSignature_;
    event.next = nullptr;
    if (const TimeSignatureEvent* previous = lastTimeSignature_) {
        const uint64_t length = measureLength(previous->numerator, previous->denominatorPower);
        const uint64_t measures = (static_cast<uint64_t>(event.tick - previous->tick) + length - 1) / length;
        event.measure = static_cast<uint8_t>(previous->measure + measures);
        lastTimeSignature_->next = &event;
    } else {
        const uint64_t quarterBar = 4ull * division_;
        event.measure = static_cast<uint8_t>((event.tick + quarterBar - 1) / quarterBar);
        firstTimeSignature_ = &event;
    }
    lastTimeSignature_ = &event;
}

void SmfFile::computeEnd()
{
    uint32_t lastTick = 0;
    for (size_t i = eventCount_; i-- > 0;) {
        if (isNoteMessage(events_[i])) {
            lastTick = events_[i].tick;
            break;
        }
    }
    uint32_t tick0 = 0;
    uint32_t tempo0 = 500000;
    uint32_t startMs0 = 0;
    for (const TempoEvent* tempo = lastTempo_; tempo; tempo = tempo->previous) {
        if (tempo->tick <= lastTick) {
            tick0 = tempo->tick;
            tempo0 = tempo->tempo;
            startMs0 = tempo->startMs;
            break;
        }
    }
    endMs_ = truncToU32(static_cast<double>(lastTick - tick0) * tempo0 / (division_ * 1000.0) +
                        (static_cast<double>(startMs0) + tailMs_));
    endTick_ = truncToU32(static_cast<double>(endMs_ - startMs0) * division_ * 1000.0 / tempo0 + tick0);
}

void SmfFile::computeMeasureCount()
{
    // Steps measure by measure from tick 0, taking the time signatures of one tick per step
    // (the last of them holds, as files often repeat the meter in every track). Runs of
    // measures under one meter are counted at once, so a tiny measure cannot make it crawl.
    uint64_t position = 0;
    uint64_t length = measureLength(4, 2);
    const TimeSignatureEvent* next = firstTimeSignature_;
    uint64_t count = 0;
    const uint64_t end = endTick_;
    for (;;) {
        if (next && next->tick <= position) {
            position = next->tick;
            while (next && next->tick == position) {
                length = measureLength(next->numerator, next->denominatorPower);
                next = next->next;
            }
        }
        // Steps until the position passes the end, or reaches the next time signature.
        uint64_t steps = position > end ? 1 : (end - position) / length + 1;
        if (next && next->tick > position) {
            const uint64_t toNext = (next->tick - position + length - 1) / length;
            steps = std::min(steps, toNext);
        }
        steps = std::max<uint64_t>(steps, 1);
        position += steps * length;
        count += steps;
        if (position > end) {
            break;
        }
    }
    measureCount_ = static_cast<uint32_t>(count - 1);
}

size_t SmfFile::memoryBytes() const
{
    size_t bytes = eventCount_ * sizeof(SongEvent) + stored_.capacity() * sizeof(MidiEvent*);
    for (const EventArena& arena : arenas_) {
        bytes += arena.bytesReserved();
    }
    return bytes;
}

}  // namespace quorva
