#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <ostream>
#include <tuple>
#include <vector>

namespace quorva::testing {

// What a General MIDI receiver keeps of the messages it is sent, folded from their bytes:
// per channel the program, every controller, the data of each registered and non-registered
// parameter, bend and pressure; and the system-exclusive messages since the last reset.
// A parameter's data is one 14-bit value: data entry sets its MSB (controller 6) or LSB
// (controller 38), data increment and decrement (96, 97) step the whole value by one, held
// between 0 and 16383, from 0 where nothing was entered. A GS or XG part's level, pan and
// (XG) program set by system-exclusive messages land where the channel messages put them,
// on the channel the part receives on (GS parts can be moved to another one). Notes are not
// state. Written apart from the player's own chase so that the two check each other.
struct OutputState {
    struct Channel {
        int program = -1;
        std::map<int, int> controllers;
        int bend = -1;
        int pressure = -1;
        bool registered = true;
        std::map<std::tuple<bool, int, int>, std::pair<int, int>> parameters;
        bool operator==(const Channel&) const = default;
    };

    std::array<Channel, 16> channels;
    std::vector<std::vector<uint8_t>> sysex;
    // The channel each GS part block receives on (block 0 is part 10); -1 for none.
    std::array<int, 16> gsPartChannels = {9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15};
    bool operator==(const OutputState&) const = default;

    void take(const std::vector<uint8_t>& bytes)
    {
        if (bytes.empty()) {
            return;
        }
        if (bytes[0] == 0xF0 || bytes[0] == 0xF7) {
            if (isReset(bytes)) {
                *this = OutputState();
            } else {
                sysex.push_back(bytes);
                partParameter(bytes);
            }
            return;
        }
        Channel& channel = channels[bytes[0] & 0x0F];
        const int data1 = bytes.size() > 1 ? bytes[1] : 0;
        const int data2 = bytes.size() > 2 ? bytes[2] : 0;
        switch (bytes[0] & 0xF0) {
        case 0xB0: controller(channel, data1, data2); break;
        case 0xC0: channel.program = data1; break;
        case 0xD0: channel.pressure = data1; break;
        case 0xE0: channel.bend = data1 | data2 << 7; break;
        default: break;
        }
    }

private:
    static bool isReset(const std::vector<uint8_t>& bytes)
    {
        const std::vector<uint8_t> gm = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
        const std::vector<uint8_t> xg = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
        const std::vector<uint8_t> gs = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
        const std::vector<uint8_t> gsMode1 = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7};
        const std::vector<uint8_t> gsMode2 = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x01, 0x00, 0xF7};
        return bytes == gm || bytes == xg || bytes == gs || bytes == gsMode1 || bytes == gsMode2;
    }

    void partParameter(const std::vector<uint8_t>& bytes)
    {
        // GS: F0 41 10 42 12 40 1x aa value checksum F7.
        if (bytes.size() == 11 && bytes[1] == 0x41 && bytes[3] == 0x42 && bytes[4] == 0x12 && bytes[5] == 0x40 &&
            (bytes[6] & 0xF0) == 0x10) {
            int& partChannel = gsPartChannels[bytes[6] & 0x0F];
            if (bytes[7] == 0x02) {
                partChannel = bytes[8] < 16 ? bytes[8] : -1;
            } else if (partChannel >= 0 && (bytes[7] == 0x19 || bytes[7] == 0x1C)) {
                channels[partChannel].controllers[bytes[7] == 0x19 ? 7 : 10] = bytes[8];
            }
        }
        // XG: F0 43 1n 4C 08 part aa value F7, part n on channel n.
        if (bytes.size() == 9 && bytes[1] == 0x43 && (bytes[2] & 0xF0) == 0x10 && bytes[3] == 0x4C && bytes[4] == 0x08 &&
            bytes[5] < 16) {
            Channel& channel = channels[bytes[5]];
            switch (bytes[6]) {
            case 0x03: channel.program = bytes[7]; break;
            case 0x0B: channel.controllers[7] = bytes[7]; break;
            case 0x0E: channel.controllers[10] = bytes[7]; break;
            default: break;
            }
        }
    }

    static void controller(Channel& channel, int number, int value)
    {
        switch (number) {
        case 120:
        case 123:
            return;  // sound and notes off act on notes
        case 121:  // reset all controllers, as General MIDI defines it
            for (const int reset : {1, 11, 64, 65, 66, 67}) {
                channel.controllers.erase(reset);
            }
            for (const int selection : {98, 99, 100, 101}) {
                channel.controllers[selection] = 127;
            }
            channel.bend = -1;
            channel.pressure = -1;
            return;
        case 6:
        case 38:
        case 96:
        case 97: {
            const auto msb = channel.controllers.find(channel.registered ? 101 : 99);
            const auto lsb = channel.controllers.find(channel.registered ? 100 : 98);
            if (msb == channel.controllers.end() || lsb == channel.controllers.end()) {
                return;
            }
            auto [entry, added] = channel.parameters.try_emplace({channel.registered, msb->second, lsb->second}, -1, -1);
            auto& [dataMsb, dataLsb] = entry->second;
            if (number == 6 || number == 38) {
                (number == 6 ? dataMsb : dataLsb) = value;
                return;
            }
            const int data = std::clamp((std::max(dataMsb, 0) << 7 | std::max(dataLsb, 0)) + (number == 96 ? 1 : -1), 0, 16383);
            dataMsb = data >> 7;
            dataLsb = data & 0x7F;
            return;
        }
        default:
            channel.controllers[number] = value;
            if (number >= 98 && number <= 101) {
                channel.registered = number >= 100;
            }
        }
    }
};

// Readable failures: the channels that hold anything, then the system-exclusive count.
inline void PrintTo(const OutputState& state, std::ostream* out)
{
    for (size_t number = 0; number < state.channels.size(); ++number) {
        const OutputState::Channel& channel = state.channels[number];
        if (channel == OutputState::Channel()) {
            continue;
        }
        *out << "\n  channel " << number << ": program " << channel.program << ", bend " << channel.bend << ", pressure "
             << channel.pressure << ", controllers";
        for (const auto& [controller, value] : channel.controllers) {
            *out << ' ' << controller << '=' << value;
        }
        for (const auto& [parameter, data] : channel.parameters) {
            *out << ", parameter " << std::get<1>(parameter) << '/' << std::get<2>(parameter) << '=' << data.first << '/'
                 << data.second;
        }
    }
    *out << "\n  " << state.sysex.size() << " system-exclusive messages since the reset";
}

}  // namespace quorva::testing
