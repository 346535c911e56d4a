#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace quorva::testing {

// Builds Standard MIDI File bytes: a header and track chunks of (delta, raw event bytes).
class TrackBuilder {
public:
    TrackBuilder& event(uint32_t delta, std::initializer_list<uint8_t> bytes)
    {
        return raw(delta, std::vector<uint8_t>(bytes));
    }
    TrackBuilder& raw(uint32_t delta, const std::vector<uint8_t>& bytes)
    {
        variableLength(delta);
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TrackBuilder& meta(uint32_t delta, uint8_t type, const std::vector<uint8_t>& payload)
    {
        variableLength(delta);
        data.push_back(0xFF);
        data.push_back(type);
        variableLength(static_cast<uint32_t>(payload.size()));
        data.insert(data.end(), payload.begin(), payload.end());
        return *this;
    }
    TrackBuilder& text(uint32_t delta, uint8_t type, const std::string& text)
    {
        return meta(delta, type, std::vector<uint8_t>(text.begin(), text.end()));
    }
    TrackBuilder& tempo(uint32_t delta, uint32_t microseconds)
    {
        return meta(delta, 0x51, {uint8_t(microseconds >> 16), uint8_t(microseconds >> 8), uint8_t(microseconds)});
    }
    TrackBuilder& timeSignature(uint32_t delta, uint8_t numerator, uint8_t power)
    {
        return meta(delta, 0x58, {numerator, power, 24, 8});
    }
    TrackBuilder& sysex(uint32_t delta, const std::vector<uint8_t>& message)
    {
        // message starts with F0 (or F7); the length counts what follows the status byte.
        variableLength(delta);
        data.push_back(message[0]);
        variableLength(static_cast<uint32_t>(message.size() - 1));
        data.insert(data.end(), message.begin() + 1, message.end());
        return *this;
    }
    TrackBuilder& endOfTrack(uint32_t delta = 0) { return event(delta, {0xFF, 0x2F, 0x00}); }

    void variableLength(uint32_t value)
    {
        uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = value & 0x7F;
            value >>= 7;
        } while (value != 0);
        while (count > 0) {
            --count;
            data.push_back(static_cast<uint8_t>(groups[count] | (count > 0 ? 0x80 : 0)));
        }
    }

    std::vector<uint8_t> data;
};

inline void appendBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

inline std::vector<uint8_t> buildSmf(uint16_t format, uint16_t division, const std::vector<TrackBuilder>& tracks)
{
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd'};
    appendBigEndian(out, 6, 4);
    appendBigEndian(out, format, 2);
    appendBigEndian(out, static_cast<uint32_t>(tracks.size()), 2);
    appendBigEndian(out, division, 2);
    for (const auto& track : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        appendBigEndian(out, static_cast<uint32_t>(track.data.size()), 4);
        out.insert(out.end(), track.data.begin(), track.data.end());
    }
    return out;
}

}  // namespace quorva::testing
