#pragma once
#include "ports/midi_port.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quorva {

// One instrument of a software synthesizer's collection.
struct SoftSynthPreset {
    uint8_t bankMsb = 0;
    uint8_t program = 0;
    bool drumKit = false;
};

// What the ports need of a General MIDI software synthesizer: open it with a sample rate and
// an effects switch, list its collection, read its latency clock, and queue messages for
// playing at a time of that clock. Sends may come from two threads at once.
class SoftSynth {
public:
    virtual ~SoftSynth() = default;
    virtual bool open(int32_t sampleRate, bool effects) = 0;
    // Harmless when not open.
    virtual void close() = 0;
    virtual std::vector<SoftSynthPreset> presets() const = 0;
    // Milliseconds, wrapping: the time at which a message queued now would play.
    virtual uint32_t latencyClockMs() = 0;
    virtual void playShort(uint32_t stampMs, uint32_t message) = 0;
    // A complete system-exclusive message (F0 .. F7); copied before the call returns.
    virtual void playLong(uint32_t stampMs, const uint8_t* bytes, uint32_t length) = 0;
    // Main thread, between frames: looks after the sound output as MidiPort::maintain does.
    virtual std::optional<PortReport> maintain(uint32_t nowMs) { return std::nullopt; }
};

}  // namespace quorva
