#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quorva {

// Classification of a system-exclusive message, made once when a song is decoded.
// 4 + channel: GS use-for-rhythm-part off; 20 + channel: on.
using SysexKind = uint8_t;
namespace sysex {
constexpr SysexKind Other = 0;
constexpr SysexKind GmSystemOn = 1;
constexpr SysexKind GsReset = 2;
constexpr SysexKind XgSystemOn = 3;
constexpr SysexKind RhythmOffBase = 4;
constexpr SysexKind RhythmOnBase = 20;
}  // namespace sysex

// A complete system-exclusive message (F0 .. F7). The bytes belong to the caller and are
// valid only during the call that receives them.
struct LongMessage {
    const uint8_t* data = nullptr;
    int32_t length = 0;
    SysexKind kind = sysex::Other;
};

// Packed short message: status in bits 0-7, data 1 in bits 8-15, data 2 in bits 16-23.
constexpr uint32_t packShort(uint8_t status, uint8_t data1, uint8_t data2 = 0)
{
    return static_cast<uint32_t>(status) | static_cast<uint32_t>(data1) << 8 | static_cast<uint32_t>(data2) << 16;
}

// Short messages carry 2 or 3 bytes by their status (program change and channel pressure 2).
constexpr int shortMessageLength(uint32_t message)
{
    const uint32_t status = message & 0xF0;
    return (status == 0xC0 || status == 0xD0) ? 2 : 3;
}

// What became of a port's output since it was last looked after: a line for the user, and
// whether the output playing now must be given the song's state from where it stands.
struct PortReport {
    std::string message;
    bool needsChase = false;
};

enum class PortKind : int32_t { NullOut = 0, MidiOut = 1, DirectMusicOut = 2, FmSynthOut = 3 };

// An output port. The base accepts everything and does nothing. Sends may come from the
// main thread and the sequencer's timer thread at once; ports that keep state between
// calls protect it themselves.
class MidiPort {
public:
    virtual ~MidiPort() = default;
    virtual bool open() { return true; }
    virtual void close() {}
    virtual void resetClock() {}
    virtual void sendShort(uint32_t message) {}
    virtual void sendLong(const LongMessage& message) {}
    // The parameterised openers of the software-synthesizer ports; they close first, so
    // they may run on a port that was opened before. Other ports cannot be opened so.
    virtual bool openSynth(uint32_t bufferMs, uint32_t voices, uint32_t levelShift) { return false; }
    virtual bool openSoftSynth(int32_t sampleRate, bool effects) { return false; }

    // Main thread, between frames: a port whose output can go away (a MIDI destination that
    // leaves, an audio device that is removed) finds out here and takes its fallback without
    // waiting for it. One report a call; none while nothing happened.
    virtual std::optional<PortReport> maintain(uint32_t nowMs) { return std::nullopt; }
    // Main thread, before a song plays from its start: a port that fell back may look for
    // its first choice again.
    virtual void songStarting() {}
    // What the port plays on, as the user knows it.
    virtual std::string outputName() const { return {}; }
    // Whether the output went away after the port opened (its destination left, or a send to
    // it failed). Any thread.
    virtual bool lost() const { return false; }
    // Whether the port opened what the user asked for, and not a stand-in.
    virtual bool firstChoice() const { return true; }
};

class NullPort final : public MidiPort {};

}  // namespace quorva
