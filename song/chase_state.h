#pragma once
#include "ports/midi_port.h"

#include <array>
#include <cstdint>
#include <optional>
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
//
// A system-exclusive message may set what a channel message sets (a part's volume, its
// program), so each folded value keeps its place among the system-exclusive messages that
// may reach its channel: its gap, the count of messages sent before it. `send` puts every
// value in its gap, so whichever of the two came last on a channel also comes last in the
// chase. A GM, GS or XG reset ends every channel's state: what was folded before it is
// dropped, and the gaps start after it.
class ChaseState {
public:
    static constexpr int16_t unset = -1;

    // Takes one event of the song, in stream order: the channel mirror is written as the
    // event's play would write it, the output's state is remembered. Notes are passed over.
    void fold(const MidiEvent& event, PlayContext& context);
    // Sends the system-exclusive messages in order and every channel's state in its gaps
    // among them (a muted channel's volume scaled by the mute level, as its play sends it).
    void send(MidiPort& port, const ChannelMonitor& monitor) const;
    // Whether a GM, GS or XG reset was among the events folded.
    bool hasReset() const;

private:
    // A channel message on its way out and the gap it goes in.
    struct Outgoing {
        uint32_t gap;
        uint32_t message;
    };
    struct Value {
        int16_t value = unset;
        uint32_t gap = 0;
    };
    struct Message {
        uint32_t message = 0;  // the whole message; 0 for none
        uint32_t gap = 0;
    };
    // Data sent to one parameter: its selection (controllers 101/100 or 99/98) and the data
    // entries (6 MSB, 38 LSB), increments (96) and decrements (97) that reached it, in order.
    // What a receiver makes of an increment differs (the MSB, the LSB, held at the ends or
    // not), so they are replayed as they came rather than summed. Only what cannot change the
    // outcome on a receiver that holds the data as an MSB and an LSB is dropped: an entry
    // replaced by the same entry right after it in the same gap, and everything before an
    // MSB entry followed directly by an LSB one, which together set the whole value. Beyond
    // `maxData` messages the oldest go.
    struct Parameter {
        static constexpr size_t maxData = 256;
        struct Data {
            uint8_t controller;
            uint8_t value;
            uint32_t gap;
        };
        bool registered;
        uint8_t msb;
        uint8_t lsb;
        std::vector<Data> data;

        void take(uint8_t controller, uint8_t value, uint32_t gap);
    };
    struct Channel {
        uint32_t gap = 0;      // where what is folded now goes
        uint32_t resetGap = 0;  // the gap that the last reset opened
        std::array<Value, 128> controllers;
        Message program;
        Message bend;
        Message pressure;
        // The gap of the last reset-all-controllers that followed a system-exclusive message
        // which may have set what it resets.
        std::optional<uint32_t> allControllersReset;
        bool registeredSelected = true;  // which selection the data entries go to
        std::vector<Parameter> parameters;

        void foldController(uint8_t controller, uint8_t value);
        // A data entry, increment or decrement, to the parameter selected.
        void enterData(uint8_t controller, uint8_t value);
        // Appends the channel's messages in the order they are sent within a gap; the
        // selection in force goes in `lastGap`, after every system-exclusive message.
        void collect(uint8_t channel, const ChannelMonitor& monitor, uint32_t lastGap, std::vector<Outgoing>& out) const;
    };

    // The channels a system-exclusive message may reach, one bit each.
    uint16_t reach(const SysexEvent& message);

    std::array<Channel, 16> channels_;
    std::vector<const SysexEvent*> sysex_;
    // A part was set to receive on another channel, so a part's message may reach any channel.
    bool partsMoved_ = false;
};

}  // namespace quorva
