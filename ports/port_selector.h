#pragma once
#include "ports/midi_port.h"

#include <memory>

namespace quorva {

// Makes the port objects; nothing is opened by making one. The program's factory builds the
// real device ports, tests build capture ports.
class PortFactory {
public:
    virtual ~PortFactory() = default;
    virtual std::unique_ptr<MidiPort> makeMidiOut() = 0;
    virtual std::unique_ptr<MidiPort> makeSoftSynth() = 0;
    virtual std::unique_ptr<MidiPort> makeFmSynth() = 0;
    virtual std::unique_ptr<MidiPort> makeNull() { return std::make_unique<NullPort>(); }
};

// Owns the current port. Each selection releases the old port, makes the new one current
// and opens it; a port whose opening failed stays current until the caller selects again.
// Used from the main thread only, with the sequencer stopped.
class PortSelector {
public:
    explicit PortSelector(PortFactory& factory) : factory_(factory) {}
    ~PortSelector() { release(); }
    PortSelector(const PortSelector&) = delete;
    PortSelector& operator=(const PortSelector&) = delete;

    bool selectNull();
    bool selectMidiOut();
    bool selectDirectMusic(int32_t sampleRate, bool effects);
    bool selectFmSynth(uint32_t bufferMs, uint32_t voices, uint32_t levelShift);
    void release();

    PortKind kind() const { return kind_; }
    // The current port; a port must be current whenever the sequencer runs.
    MidiPort& port() { return *port_; }
    bool hasPort() const { return port_ != nullptr; }

private:
    MidiPort& install(PortKind kind, std::unique_ptr<MidiPort> port);

    PortFactory& factory_;
    PortKind kind_ = PortKind::NullOut;
    std::unique_ptr<MidiPort> port_;
};

}  // namespace quorva
