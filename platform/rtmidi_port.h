#pragma once
#include "ports/midi_port.h"

#include <memory>
#include <mutex>

class RtMidiOut;

namespace quorva {

// The system's MIDI out: RtMidi on the ALSA sequencer (JACK where ALSA is absent). Opens the
// first output port that is not a "Through" port, else the Through port, else offers a port
// of its own for others to connect to; fails only when no MIDI service exists. Messages go
// out at once; the sequencer and the main thread may send at the same time.
class RtMidiOutPort final : public MidiPort {
public:
    RtMidiOutPort();
    ~RtMidiOutPort() override;

    bool open() override;
    void close() override;
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;

    bool isOpen() const;

private:
    mutable std::mutex mutex_;
    std::unique_ptr<RtMidiOut> out_;
};

}  // namespace quorva
