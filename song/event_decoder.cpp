#include "song/event_decoder.h"

#include "song/lyric_lines.h"

#include <string_view>

namespace quorva {

bool readVariableLength(const uint8_t*& cursor, const uint8_t* end, uint32_t& value)
{
    value = 0;
    while (cursor < end) {
        const uint8_t byte = *cursor++;
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

void EventDecoder::decodeTrack(const std::function<void(size_t)>& progress)
{
    // Progress is told every this many events, to keep the count off the decoding's path.
    constexpr size_t progressEvents = 1 << 16;
    const uint8_t* cursor = track_.begin;
    const uint8_t* const end = track_.end;
    const uint8_t* told = cursor;
    uint32_t tick = 0;
    size_t untold = 0;
    while (cursor < end) {
        uint32_t delta = 0;
        if (!readVariableLength(cursor, end, delta)) {
            break;
        }
        tick += delta;
        const Step step = decode(tick, cursor);
        if (step.needsStatus) {
            track_.needsRunningStatus = true;
            return;
        }
        if (step.truncated) {
            break;
        }
        if (end - cursor >= 2 && cursor[0] == 0xFF && cursor[1] == 0x2F) {
            break;
        }
        cursor += step.length;
        if (++untold == progressEvents && progress) {
            progress(static_cast<size_t>(cursor - told));
            told = cursor;
            untold = 0;
        }
    }
    if (progress) {
        progress(static_cast<size_t>(end - told));
    }
}

void EventDecoder::add(SongEvent event)
{
    if (track_.count > 0 && event.tick < track_.events[track_.count - 1].tick) {
        track_.ticksWrapped = true;
    }
    track_.events[track_.count++] = event;
}

bool EventDecoder::addStored(uint32_t tick, MidiEvent* event)
{
    // Past this many the numbers do not fit a record; a track would need gigabytes for it.
    if (track_.stored.size() > SongEvent::maxStoredIndex) {
        return false;
    }
    add(SongEvent::stored(tick, static_cast<uint32_t>(track_.stored.size())));
    track_.stored.push_back(event);
    return true;
}

EventDecoder::Step EventDecoder::decode(uint32_t tick, const uint8_t* data)
{
    if (data >= track_.end) {
        return {0, true};
    }
    const uint8_t first = *data;
    if (first < 0xF0) {
        return decodeChannel(tick, data);
    }
    if (first == 0xF0 || first == 0xF7) {
        return decodeSysex(tick, data);
    }
    if (first == 0xFF) {
        return decodeMeta(tick, data);
    }
    track_.unexpected = true;
    return {};
}

EventDecoder::Step EventDecoder::decodeChannel(uint32_t tick, const uint8_t* data)
{
    const uint8_t* cursor = data;
    if (*cursor >= 0x80) {
        runningStatus_ = *cursor++;
        track_.setsRunningStatus = true;
        track_.runningStatus = static_cast<uint8_t>(runningStatus_);
    } else if (runningStatus_ == unknownStatus) {
        return {0, false, true};
    } else if (runningStatus_ == 0) {
        // A data byte before any status byte since the program started.
        track_.unexpected = true;
        return {};
    }
    const auto status = static_cast<uint8_t>(runningStatus_);
    const bool twoBytes = status >= 0xC0 && status <= 0xDF;
    const size_t dataBytes = twoBytes ? 1 : 2;
    if (static_cast<size_t>(track_.end - cursor) < dataBytes) {
        return {static_cast<size_t>(track_.end - data), true};
    }
    // A data byte has 7 bits. A byte with its top bit set where one is due is cut to 7 bits,
    // so that no port is sent a status byte in a data position and every value stored for
    // the screen stays in 0..127; the event keeps its length.
    const uint8_t data1 = cursor[0] & 0x7F;
    const uint8_t data2 = twoBytes ? 0 : cursor[1] & 0x7F;
    cursor += dataBytes;
    add(SongEvent::channel(tick, packShort(status, data1, data2)));
    return {static_cast<size_t>(cursor - data)};
}

EventDecoder::Step EventDecoder::decodeSysex(uint32_t tick, const uint8_t* data)
{
    const uint8_t* cursor = data + 1;
    uint32_t length = 0;
    if (!readVariableLength(cursor, track_.end, length) || length > static_cast<size_t>(track_.end - cursor)) {
        return {static_cast<size_t>(track_.end - data), true};
    }
    const size_t consumed = static_cast<size_t>(cursor - data) + length;
    // The stored message is the status byte followed by the bytes after the length.
    uint8_t* bytes = arena_.copyBytes(cursor - 1, length + 1);
    bytes[0] = data[0];
    const SysexKind kind = data[0] == 0xF0 ? classifySysex(bytes, length + 1u) : sysex::Other;
    addStored(tick, arena_.make<SysexEvent>(tick, bytes, length + 1u, kind));
    return {consumed};
}

EventDecoder::Step EventDecoder::decodeMeta(uint32_t tick, const uint8_t* data)
{
    const uint8_t* const end = track_.end;
    if (end - data < 2) {
        return {static_cast<size_t>(end - data), true};
    }
    const uint8_t type = data[1];
    const uint8_t* cursor = data + 2;
    uint32_t length = 0;
    if (!readVariableLength(cursor, end, length) || length > static_cast<size_t>(end - cursor)) {
        return {static_cast<size_t>(end - data), true};
    }
    const size_t consumed = static_cast<size_t>(cursor - data) + length;
    // Short tempo and meter events take their missing bytes from what follows in the track;
    // past the track's end they read as zero.
    auto byteAt = [&](size_t i) -> uint8_t { return cursor + i < end ? cursor[i] : 0; };
    auto text = [&] {
        auto* copy = reinterpret_cast<const char*>(arena_.copyBytes(cursor, length, 1));
        return arena_.make<TextEvent>(tick, track_.number, static_cast<TextKind>(type), copy, length);
    };

    switch (type) {
    case 0x01:
    case 0x03:
        if (type == 0x01) {
            const bool tag = isKaraokeTag(std::string_view(reinterpret_cast<const char*>(cursor), length));
            track_.karaokeTag = track_.karaokeTag || tag;
            track_.plainTexts += tag ? 0 : 1;
        }
        // From a karaoke tag line on, the text events of every track are kept, since karaoke
        // files put their words in any track; whether a tag came in a track before is known
        // once the tracks are decoded.
        if (track_.number == 0 || (type == 0x01 && track_.karaokeTag)) {
            addStored(tick, text());
        } else if (type == 0x01 && addStored(tick, text())) {
            track_.textsIfKaraokeBefore.push_back(track_.count - 1);
        }
        break;
    case 0x02:
    case 0x05: addStored(tick, text()); break;
    case 0x51: {
        const uint32_t tempo = static_cast<uint32_t>(byteAt(0)) << 16 | static_cast<uint32_t>(byteAt(1)) << 8 | byteAt(2);
        // A tempo of 0 would make every position infinite; the slowest meaningful is 1.
        addStored(tick, arena_.make<TempoEvent>(tick, track_.number, tempo == 0 ? 1 : tempo));
        break;
    }
    case 0x58: addStored(tick, arena_.make<TimeSignatureEvent>(tick, track_.number, byteAt(0), byteAt(1))); break;
    default: break;
    }
    return {consumed};
}

}  // namespace quorva
