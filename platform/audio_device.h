#pragma once
#include <cstdint>
#include <memory>

namespace quorva {

// Supplies the sound: asked for one half of the looping output at a time, on the output's
// own thread. A false result ends the feeding; the output then plays silence.
class AudioFeeder {
public:
    virtual ~AudioFeeder() = default;
    virtual bool fillHalf(uint8_t* bytes, uint32_t count) = 0;
};

// A looping output of two halves, each `halfBytes` long, in the device's fixed format.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Prefills the first half, then plays, asking the feeder for each half in turn.
    virtual bool start(AudioFeeder& feeder) = 0;
    // Returns once no fill runs any more and none will start. Harmless when not started.
    virtual void stop() = 0;
    // Whether the device went away (unplugged, its server gone): nothing plays any more.
    virtual bool lost() const { return false; }
};

// The sound card in one fixed format (the synthesizer asks for 2 channels, 44100 Hz,
// 16-bit signed). Outputs are created only while the device is open and are released
// before it closes.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    virtual bool open(uint32_t channels, uint32_t rate, uint32_t bits) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Null when the output cannot be created.
    virtual std::unique_ptr<AudioOutput> createOutput(uint32_t halfBytes) = 0;
};

}  // namespace quorva
