#pragma once
#include "ports/master_volume.h"
#include "ports/midi_port.h"
#include "ports/soft_synth.h"

#include <memory>
#include <string>
#include <vector>

namespace quorva {

// The environment variables the mapper and the software synthesizer read.
constexpr const char* midiOutVariable = "QUORVA_MIDI_OUT";
constexpr const char* soundFontVariable = "QUORVA_SOUNDFONT";

// The name every MIDI client of this program carries; its own ports ("quorva:...") are never
// a destination.
constexpr const char* ownClientName = "quorva";

// A MIDI destination the system offers, with the service it lives on ("alsa" or "jack").
struct MidiDestination {
    std::string service;
    std::string name;
};

// The destination to use among `destinations` (each service's in its own order, ALSA's
// first): the first whose name contains `wanted` when that is not empty; otherwise the first
// real synthesizer or device, that is not a "Through" port and not this program's own.
// `wantedFound` tells whether `wanted` matched. Returns the index, or -1 for none.
int chooseDestination(const std::vector<MidiDestination>& destinations, const std::string& wanted,
                      bool& wantedFound);

// The General MIDI synthesizer as the mapper reaches it: messages go unchanged to be played
// at once, as they would to a MIDI device.
class ImmediateSynthPort final : public MidiPort {
public:
    explicit ImmediateSynthPort(std::unique_ptr<SoftSynth> synth) : synth_(std::move(synth)) {}
    ~ImmediateSynthPort() override { close(); }
    bool open() override { return synth_->open(sampleRate, true); }
    void close() override { synth_->close(); }
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;

    static constexpr int32_t sampleRate = 44100;

private:
    std::unique_ptr<SoftSynth> synth_;
};

// The system MIDI out as a mapper: the destination the device port chooses when it has one,
// else the built-in General MIDI synthesizer. Fails only when neither opens. A device hears
// the master volume as the universal master volume message: at opening when it is not full,
// whenever it changed before the next message, and again after the song resets the device.
class MidiMapperPort final : public MidiPort {
public:
    MidiMapperPort(std::unique_ptr<MidiPort> device, std::unique_ptr<MidiPort> builtIn)
        : device_(std::move(device)), builtIn_(std::move(builtIn))
    {
    }
    ~MidiMapperPort() override { close(); }
    bool open() override;
    void close() override;
    void resetClock() override { current().resetClock(); }
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;
    // Read by the device route; without one the device's own volume is left alone.
    void setMasterVolume(const MasterVolume* volume) { volume_ = volume; }

    // What open chose: the device, the built-in synthesizer, or nothing.
    enum class Route { None, Device, BuiltIn };
    Route route() const { return route_; }

private:
    MidiPort& current();
    // Sends the master volume to the device when it differs from what the device has.
    void sendVolumeIfChanged();

    std::unique_ptr<MidiPort> device_;
    std::unique_ptr<MidiPort> builtIn_;
    MidiPort silent_;
    Route route_ = Route::None;
    const MasterVolume* volume_ = nullptr;
    // What the device's master volume is; sends may come from two threads.
    std::atomic<int32_t> deviceVolume_{MasterVolume::full};
};

}  // namespace quorva
