#include "bench/many_notes_song.h"

#include <cmath>
#include <deque>
#include <fstream>
#include <limits>
#include <vector>

namespace quorva {
namespace {

constexpr uint16_t division = 480;
constexpr double ticksPerSecond = 960.0;  // 480 a beat at 120 beats per minute
constexpr uint32_t noteTicks = 48;
// An event takes at most 7 bytes (a 4-byte delta and 3 bytes), and a track's length is 32-bit.
constexpr uint64_t maxNotesPerTrack = (std::numeric_limits<uint32_t>::max() - 4) / 14;

// One track's body, written through a buffer in time order.
class TrackStream {
public:
    explicit TrackStream(std::ofstream& out) : out_(out) { buffer_.reserve(bufferBytes + 8); }

    void event(uint32_t tick, uint8_t status, uint8_t key, uint8_t velocity)
    {
        writeDelta(tick - last_);
        last_ = tick;
        buffer_.insert(buffer_.end(), {status, key, velocity});
        written_ += 3;
        if (buffer_.size() >= bufferBytes) {
            flush();
        }
    }
    void end()
    {
        writeDelta(0);
        buffer_.insert(buffer_.end(), {0xFF, 0x2F, 0x00});
        written_ += 3;
        flush();
    }
    uint64_t written() const { return written_; }

private:
    static constexpr size_t bufferBytes = 1 << 16;

    void writeDelta(uint32_t value)
    {
        uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = value & 0x7F;
            value >>= 7;
        } while (value != 0);
        written_ += static_cast<uint64_t>(count);
        while (count-- > 0) {
            buffer_.push_back(static_cast<uint8_t>(groups[count] | (count > 0 ? 0x80 : 0)));
        }
    }
    void flush()
    {
        out_.write(reinterpret_cast<const char*>(buffer_.data()), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }

    std::ofstream& out_;
    std::vector<uint8_t> buffer_;
    uint32_t last_ = 0;
    uint64_t written_ = 0;
};

// The notes of one track at evenly spaced ticks, each note off before the note ons of its tick
// so that a key struck again is not cut.
void writeTrack(TrackStream& track, uint32_t index, uint64_t count, uint64_t lengthTicks)
{
    const auto channel = static_cast<uint8_t>(index % 16);
    uint32_t seed = 12345 + index;
    struct PendingOff {
        uint32_t tick;
        uint8_t key;
    };
    std::deque<PendingOff> offs;  // in time order, as every note is as long
    for (uint64_t i = 0; i < count; ++i) {
        const auto tick = static_cast<uint32_t>(i * lengthTicks / count);
        while (!offs.empty() && offs.front().tick <= tick) {
            track.event(offs.front().tick, static_cast<uint8_t>(0x80 | channel), offs.front().key, 0);
            offs.pop_front();
        }
        seed = seed * 1664525u + 1013904223u;
        const auto key = static_cast<uint8_t>(channel == 9 ? 35 + (seed >> 24) % 25 : 21 + (seed >> 24) % 88);
        track.event(tick, static_cast<uint8_t>(0x90 | channel), key, 100);
        offs.push_back({tick + noteTicks, key});
    }
    for (const PendingOff& off : offs) {
        track.event(off.tick, static_cast<uint8_t>(0x80 | channel), off.key, 0);
    }
    track.end();
}

void putBigEndian(std::ofstream& out, uint32_t value)
{
    const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    out.write(bytes, 4);
}

}  // namespace

bool writeManyNotesSong(const std::string& path, const ManyNotesSong& shape, std::string& error)
{
    if (shape.notes == 0 || shape.tracks == 0 || shape.tracks > 0xFFFF || !(shape.notesPerSecond > 0) ||
        !std::isfinite(shape.notesPerSecond)) {
        error = "a song needs at least one note, 1 to 65535 tracks and a positive number of notes per second";
        return false;
    }
    const double seconds = static_cast<double>(shape.notes) / shape.notesPerSecond;
    const double length = std::round(seconds * ticksPerSecond);
    if (length + noteTicks > std::numeric_limits<uint32_t>::max()) {
        error = "the song would last longer than 32-bit ticks reach";
        return false;
    }
    const uint64_t perTrack = shape.notes / shape.tracks;
    const uint64_t extra = shape.notes % shape.tracks;  // the first tracks take one note more
    if (perTrack + (extra > 0 ? 1 : 0) > maxNotesPerTrack) {
        error = "a track of more than " + std::to_string(maxNotesPerTrack) + " notes does not fit a track chunk";
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    out.write("MThd", 4);
    putBigEndian(out, 6);
    const char format[6] = {0, 1, static_cast<char>(shape.tracks >> 8), static_cast<char>(shape.tracks),
                            static_cast<char>(division >> 8), static_cast<char>(division & 0xFF)};
    out.write(format, 6);
    for (uint32_t index = 0; index < shape.tracks; ++index) {
        // The chunk's length is known once the body is written; it goes back in then.
        const std::streampos chunk = out.tellp();
        out.write("MTrk\0\0\0\0", 8);
        TrackStream track(out);
        writeTrack(track, index, perTrack + (index < extra ? 1 : 0), static_cast<uint64_t>(length));
        const std::streampos end = out.tellp();
        out.seekp(chunk + std::streamoff{4});
        putBigEndian(out, static_cast<uint32_t>(track.written()));
        out.seekp(end);
    }
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace quorva
