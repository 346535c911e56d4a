#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace quorva::testing {

// What a General MIDI receiver keeps of the messages it is sent, folded from their bytes:
// per channel the program, every controller, the data of each registered and non-registered
// parameter, bend and pressure; and the system-exclusive messages since the last reset.
// A parameter's data is one 14-bit value: data entry sets its MSB (controller 6) or LSB
// (controller 38), data increment and decrement (96, 97) step the whole value by one, held
// between 0 and 16383, from 0 where nothing was entered. Notes are not state. Written apart from the player's own chase so that the two check
// each other.
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

}  // namespace quorva::testing
