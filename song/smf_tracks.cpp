// Reading the track chunks of a song: decoded side by side, settled in track order, merged.
#include "platform/message_box.h"
#include "song/event_decoder.h"
#include "song/load_progress.h"
#include "song/parallel_work.h"
#include "song/smf_file.h"
#include "song/track_merge.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace quorva {

namespace {

// Below this many bytes of tracks one thread decodes them: starting more costs more.
constexpr size_t parallelBytes = 1 << 16;
// Records of a decode that may as well come from the heap; past that the block takes at least
// 33 MiB (more than the largest block the allocator keeps in its heap).
constexpr size_t smallDecodeEvents = size_t{1} << 19;
constexpr size_t mappedBlockEvents = (size_t{33} << 20) / sizeof(SongEvent);

uint32_t bigEndian32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// The track chunks from `begin` on, up to the first chunk that is not one.
std::vector<DecodedTrack> findTracks(const uint8_t* begin, const uint8_t* end)
{
    std::vector<DecodedTrack> tracks;
    const uint8_t* position = begin;
    while (end - position >= 8 && std::memcmp(position, "MTrk", 4) == 0) {
        const uint32_t statedLength = bigEndian32(position + 4);
        const uint8_t* data = position + 8;
        DecodedTrack& track = tracks.emplace_back();
        track.number = static_cast<uint8_t>(tracks.size() - 1);
        track.begin = data;
        // A track whose stated length runs past the file is read up to the file's end.
        track.end = statedLength > static_cast<size_t>(end - data) ? end : data + statedLength;
        position = track.end;
    }
    return tracks;
}

// Forgets what a track decoded, to decode it again or leave it out.
void discard(DecodedTrack& track)
{
    for (MidiEvent* event : track.stored) {
        event->~MidiEvent();
    }
    DecodedTrack empty;
    empty.number = track.number;
    empty.begin = track.begin;
    empty.end = track.end;
    empty.events = track.events;
    track = std::move(empty);
}

// Removes the text events that waited for a karaoke tag in an earlier track.
void dropTextsIfKaraokeBefore(DecodedTrack& track)
{
    size_t kept = 0;
    size_t dropped = 0;
    for (size_t i = 0; i < track.count; ++i) {
        if (dropped < track.textsIfKaraokeBefore.size() && track.textsIfKaraokeBefore[dropped] == i) {
            ++dropped;
            continue;
        }
        track.events[kept++] = track.events[i];
    }
    track.count = kept;
    track.textsIfKaraokeBefore.clear();
}

}  // namespace

void SmfFile::readTracks(const uint8_t* begin, const uint8_t* end, LoadProgress& progress)
{
    std::vector<DecodedTrack> tracks = findTracks(begin, end);
    // One block holds every track's records, each in the room its bytes could need; what a
    // track leaves unused is never touched, so it takes no memory.
    size_t capacity = 0;
    for (const DecodedTrack& track : tracks) {
        capacity += DecodedTrack::capacityFor(static_cast<size_t>(track.end - track.begin));
    }
    // A block this large is mapped on its own by the C library's allocator and given back to
    // the system when freed, where a smaller one may stay in its heap, with every record the
    // decode wrote still resident, once the first song has been replaced.
    if (capacity > smallDecodeEvents) {
        capacity = std::max(capacity, mappedBlockEvents);
    }
    auto decoded = std::make_unique_for_overwrite<SongEvent[]>(capacity);
    size_t offset = 0;
    for (DecodedTrack& track : tracks) {
        track.events = decoded.get() + offset;
        offset += DecodedTrack::capacityFor(static_cast<size_t>(track.end - track.begin));
    }
    const unsigned threads = static_cast<size_t>(end - begin) < parallelBytes ? 1 : loadThreadCount();
    decodeTracks(tracks, threads, progress);
    settleTracks(tracks);
    mergeTracks(tracks, std::move(decoded), threads, progress);
}

void SmfFile::decodeTracks(std::vector<DecodedTrack>& tracks, unsigned threads, LoadProgress& progress)
{
    if (arenas_.size() < threads) {
        arenas_.resize(threads);
    }
    // The longest tracks first, so that no thread is left with a long one at the end.
    std::vector<size_t> order(tracks.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return tracks[a].end - tracks[a].begin > tracks[b].end - tracks[b].begin;
    });
    uint64_t totalBytes = 0;
    for (const DecodedTrack& track : tracks) {
        totalBytes += static_cast<uint64_t>(track.end - track.begin);
    }
    std::atomic<uint64_t> bytesDone{0};
    const auto decoded = [&](size_t bytes) {
        progress.report(stageRead, stageDecoded, bytesDone.fetch_add(bytes, std::memory_order_relaxed) + bytes, totalBytes);
    };
    forEachInParallel(tracks.size(), threads, [&](size_t item, unsigned worker) {
        DecodedTrack& track = tracks[order[item]];
        // The first track starts with the status the last song left; the others with what the
        // tracks before them leave, which is known once they are decoded.
        const uint16_t status = order[item] == 0 ? runningStatus_ : EventDecoder::unknownStatus;
        EventDecoder(track, arenas_[worker], status).decodeTrack(decoded);
    });
}

void SmfFile::settleTracks(std::vector<DecodedTrack>& tracks)
{
    bool unexpected = false;
    uint64_t stored = 0;
    for (size_t t = 0; t < tracks.size(); ++t) {
        DecodedTrack& track = tracks[t];
        if (track.needsRunningStatus) {
            discard(track);
            EventDecoder(track, arenas_.front(), runningStatus_).decodeTrack();
        }
        // The numbers of the stored events must fit a record: the tracks past that are not read.
        if (stored + track.stored.size() > SongEvent::maxStoredIndex) {
            std::for_each(tracks.begin() + static_cast<std::ptrdiff_t>(t), tracks.end(), discard);
            tracks.resize(t);
            break;
        }
        stored += track.stored.size();
        if (track.setsRunningStatus) {
            runningStatus_ = track.runningStatus;
        }
        if (!karaokeSeen_) {
            dropTextsIfKaraokeBefore(track);
        }
        karaokeSeen_ = karaokeSeen_ || track.karaokeTag;
        plainTexts_[track.number] += track.plainTexts;
        unexpected = unexpected || track.unexpected;
    }
    // "unexpected" is shown once per load, however many stray status bytes a file holds.
    if (unexpected && messages_ != nullptr) {
        messages_->show("unexpected");
    }
}

void SmfFile::mergeTracks(std::vector<DecodedTrack>& tracks, std::unique_ptr<SongEvent[]> decoded, unsigned threads,
                          LoadProgress& progress)
{
    for (DecodedTrack& track : tracks) {
        stored_.insert(stored_.end(), track.stored.begin(), track.stored.end());
    }
    TrackMerger merger(tracks);
    eventCount_ = merger.eventCount();
    if (tracks.size() == 1 && !tracks.front().ticksWrapped) {
        // One track is its own stream, in the block it was decoded into.
        events_ = std::move(decoded);
        return;
    }
    events_ = std::make_unique_for_overwrite<SongEvent[]>(eventCount_);
    std::atomic<uint64_t> merged{0};
    merger.mergeInto(events_.get(), threads, [&](size_t events) {
        progress.report(stageDecoded, stageMerged, merged.fetch_add(events, std::memory_order_relaxed) + events,
                        eventCount_);
    });
}

}  // namespace quorva
