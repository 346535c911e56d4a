#pragma once
// Everything a load makes of a song, written out as text: the merged events with all their
// fields, the tempo and time-signature lists with their links, and the song-wide values. Two
// loads that made the same song give the same text.
#include "song/smf_file.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>

namespace quorva::testing {

inline std::string songDump(const SmfFile& song)
{
    std::string out;
    char line[160];
    const auto put = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        out += line;
    };
    const auto bytes = [&](const void* data, size_t length) {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < length; ++i) {
            put(" %02x", p[i]);
        }
        out += '\n';
    };
    const auto text = [&](const char* value) { out += value ? std::string("\"") + value + "\"\n" : "null\n"; };
    put("loaded %d format %u division %u endMs %u endTick %u measures %u reset %d karaoke %d words %d\n", song.loaded(),
        song.format(), song.division(), song.endMs(), song.endTick(), song.measureCount(), song.hasResetSysex(),
        song.karaoke(), song.karaokeWordsTrack() ? *song.karaokeWordsTrack() : -1);
    out += "title ";
    text(song.title());
    out += "notice ";
    text(song.notice());
    out += "text ";
    text(song.text());
    std::map<const MidiEvent*, size_t> indexOf;
    const auto events = song.events();
    put("events %zu\n", events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        const EventView view = song.eventAt(i);
        const MidiEvent& event = *view;
        if (const MidiEvent* stored = song.storedEvent(events[i])) {
            indexOf[stored] = i;
        }
        put("%u ", event.tick);
        if (const auto* message = dynamic_cast<const ShortEvent*>(&event)) {
            put("short %06x %d\n", message->message, static_cast<int>(message->variant));
        } else if (const auto* sysex = dynamic_cast<const SysexEvent*>(&event)) {
            put("sysex %d %u", sysex->sysexKind, sysex->length);
            bytes(sysex->data, sysex->length);
        } else if (const auto* words = dynamic_cast<const TextEvent*>(&event)) {
            put("text %u %d %u %u %d", words->track, static_cast<int>(words->kind), words->length, words->syllable,
                words->karaokeTag);
            bytes(words->text, words->length + 1u);
        } else if (const auto* tempo = dynamic_cast<const TempoEvent*>(&event)) {
            put("tempo %u %u %u\n", tempo->track, tempo->tempo, tempo->startMs);
        } else if (const auto* meter = dynamic_cast<const TimeSignatureEvent*>(&event)) {
            put("meter %u %u %u %u\n", meter->track, meter->numerator, meter->denominatorPower, meter->measure);
        } else {
            out += "unknown\n";
        }
    }
    const auto index = [&](const MidiEvent* event) { return event ? static_cast<long>(indexOf.at(event)) : -1L; };
    out += "tempo list";
    for (const TempoEvent* tempo = song.firstTempo(); tempo; tempo = tempo->next) {
        put(" %ld<%ld", index(tempo), index(tempo->previous));
    }
    put(" last %ld\n", index(song.lastTempo()));
    out += "meter list";
    for (const TimeSignatureEvent* meter = song.firstTimeSignature(); meter; meter = meter->next) {
        put(" %ld<%ld", index(meter), index(meter->previous));
    }
    put(" last %ld\n", index(song.lastTimeSignature()));
    const LyricLines& lyrics = song.lyricLines();
    put("syllables %zu encoding %d\n", lyrics.syllableCount(), static_cast<int>(lyrics.encoding()));
    for (const std::string& words : lyrics.lines()) {
        text(words.c_str());
    }
    return out;
}

// FNV-1a, 64 bits: a short name for a long dump.
inline uint64_t dumpHash(std::string_view text)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : text) {
        hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
    }
    return hash;
}

}  // namespace quorva::testing
