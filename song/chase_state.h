#pragma once
#include "ports/midi_port.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quorva {

class ChannelMonitor;
class MidiEvent;
class SysexEvent;
struct PlayContext;

// What the events before a seek target leave behind on the output, folded in one walk
// without sending: per channel the last program, each controller's last value, the data
// entered for every registered and non-registered parameter, the last bend and pressure;
// and the system-exclusive messages in order. `send` then puts a freshly reset output into
// that state with a few messages a channel, however long the song before the target was.
class ChaseState {
public:
    static constexpr int16_t unset = -1;

    // Takes one event of the song, in stream order: the channel mirror is written as the
    // event's play would write it, the output's state is remembered. Notes are passed over.
    void fold(const MidiEvent& event, PlayContext& context);
    // Sends the system-exclusive messages, then every channel's state (a muted channel's
    // volume scaled by the mute level, as its play sends it).
    void send(MidiPort& port, const ChannelMonitor& monitor) const;
    // Whether a GM, GS or XG reset was among the events folded.
    bool hasReset() const;

private:
    // Data sent to one parameter: its selection (controllers 101/100 or 99/98) and the data
    // entries (6 MSB, 38 LSB), increments (96) and decrements (97) that reached it, in order.
    // What a receiver makes of an increment differs (the MSB, the LSB, held at the ends or
    // not), so they are replayed as they came rather than summed. Only what cannot change the
    // outcome on a receiver that holds the data as an MSB and an LSB is dropped: an entry
    // replaced by the same entry right after it, and everything before an MSB entry followed
    // directly by an LSB one, which together set the whole value. Beyond `maxData` messages
    // the oldest go.
    struct Parameter {
        static constexpr size_t maxData = 256;
        bool registered;
        uint8_t msb;
        uint8_t lsb;
        std::vector<std::array<uint8_t, 2>> data;  // controller, value

        void take(uint8_t controller, uint8_t value);
    };
    struct Channel {
        std::array<int16_t, 128> controllers;
        uint32_t program = 0;   // the whole message; 0 for none
        uint32_t bend = 0;
        uint32_t pressure = 0;
        bool registeredSelected = true;  // which selection the data entries go to
        std::vector<Parameter> parameters;

        Channel() { controllers.fill(unset); }
        void foldController(uint8_t controller, uint8_t value);
        // A data entry, increment or decrement, to the parameter selected.
        void enterData(uint8_t controller, uint8_t value);
        void send(MidiPort& port, uint8_t channel, const ChannelMonitor& monitor) const;
    };

    void resetChannels();

    std::array<Channel, 16> channels_;
    std::vector<const SysexEvent*> sysex_;
};

}  // namespace quorva
