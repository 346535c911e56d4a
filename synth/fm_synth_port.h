#pragma once
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "ports/midi_port.h"
#include "synth/synth_engine.h"
#include "synth/synth_scheduler.h"

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

namespace quorva {

// The command a system-exclusive message means to the synthesizer, if any: the resets
// (GM, GS, XG) and the GS use-for-rhythm-part switch.
std::optional<std::array<uint8_t, 4>> synthCommandForSysex(const uint8_t* bytes, int32_t length);

// The port that plays through the built-in FM synthesizer. Messages are stamped with the
// system time and played bufferMs + 50 ms later by the audio stream's thread.
class FmSynthPort final : public MidiPort {
public:
    // The device and clock are used, not owned; the port owns the engine.
    FmSynthPort(AudioDevice& device, Clock& clock, std::unique_ptr<SynthEngine> engine,
                std::string toneFilePath = "fmstone.dat");
    // The same with a device that the port owns (the program's way: one port, one device).
    FmSynthPort(std::unique_ptr<AudioDevice> device, Clock& clock, std::unique_ptr<SynthEngine> engine,
                std::string toneFilePath = "fmstone.dat");
    ~FmSynthPort() override;

    bool open() override { return true; }
    void close() override;
    void resetClock() override;
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;
    bool openSynth(uint32_t bufferMs, uint32_t voices, uint32_t levelShift) override;
    std::optional<PortReport> maintain(uint32_t nowMs) override { return scheduler_.maintain(nowMs); }

    // The volume the synthesizer plays at from its next opening.
    void setMasterVolume(const MasterVolume* volume) { scheduler_.setMasterVolume(volume); }

    SynthScheduler& scheduler() { return scheduler_; }
    SynthEngine& engine() { return *engine_; }
    uint32_t clockMs() const { return clockMs_.load(); }

private:
    std::unique_ptr<AudioDevice> ownedDevice_;  // declared first: destroyed after the scheduler
    std::atomic<uint32_t> clockMs_{0};  // written by resetClock; sends may come from two threads
    AudioDevice& device_;
    Clock& clock_;
    std::unique_ptr<SynthEngine> engine_;
    std::string toneFilePath_;
    SynthScheduler scheduler_;
};

}  // namespace quorva
