#pragma once
#include "ports/port_selector.h"
#include "song/sounding_note.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorva {

// Note offs and note ons for the sounding notes, gathered under the sequencer's lock and sent
// once it is released: a port's send (which takes locks of its own on some ports) then never
// holds up the timer's tick. Room for a note off and a note on for every note the pool holds;
// it lives on the caller's stack, so nothing is allocated.
class NoteMessages {
public:
    static constexpr size_t capacity = 2 * SoundingNoteList::capacity;

    // A walk adds at most two messages a note, so the batch never overflows.
    void add(uint32_t message)
    {
        if (count_ < capacity) {
            messages_[count_++] = message;
        }
    }
    size_t size() const { return count_; }

    // To the current port, in the order they were added.
    void send(PortSelector& ports) const
    {
        if (!ports.hasPort()) {
            return;
        }
        MidiPort& port = ports.port();
        for (size_t i = 0; i < count_; ++i) {
            port.sendShort(messages_[i]);
        }
    }

private:
    std::array<uint32_t, capacity> messages_;
    size_t count_ = 0;
};

}  // namespace quorva
