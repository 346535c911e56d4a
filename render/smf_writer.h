#pragma once
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace quorva {

// The events of one track at absolute ticks, written as a Standard MIDI File track chunk's
// body. The songs the tools generate are built this way.
class SmfTrackWriter {
public:
    void add(uint32_t tick, std::vector<uint8_t> bytes) { events_.push_back({tick, std::move(bytes)}); }

    // In time order, note-offs before the other events of their tick so that a key struck
    // again is not cut; then the end of the track.
    std::vector<uint8_t> encode()
    {
        std::stable_sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
            return a.tick != b.tick ? a.tick < b.tick : isNoteOff(a) && !isNoteOff(b);
        });
        std::vector<uint8_t> out;
        uint32_t last = 0;
        for (const Event& event : events_) {
            writeLength(out, event.tick - last);
            last = event.tick;
            out.insert(out.end(), event.bytes.begin(), event.bytes.end());
        }
        writeLength(out, 0);
        out.insert(out.end(), {0xFF, 0x2F, 0x00});
        return out;
    }

private:
    struct Event {
        uint32_t tick;
        std::vector<uint8_t> bytes;
    };
    static bool isNoteOff(const Event& event) { return (event.bytes[0] & 0xF0) == 0x80; }
    static void writeLength(std::vector<uint8_t>& out, uint32_t value)
    {
        uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = value & 0x7F;
            value >>= 7;
        } while (value);
        while (count-- > 0) {
            out.push_back(static_cast<uint8_t>(groups[count] | (count ? 0x80 : 0)));
        }
    }
    std::vector<Event> events_;
};

// A format 1 file of the tracks, `division` ticks per beat.
template <typename Track>
std::vector<uint8_t> smfFile(std::vector<Track>& tracks, uint16_t division)
{
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, static_cast<uint8_t>(tracks.size() >> 8),
                                static_cast<uint8_t>(tracks.size()), static_cast<uint8_t>(division >> 8),
                                static_cast<uint8_t>(division)};
    for (Track& track : tracks) {
        const std::vector<uint8_t> bytes = track.encode();
        const auto size = static_cast<uint32_t>(bytes.size());
        out.insert(out.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                               static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

}  // namespace quorva
