#pragma once
#include "ports/background_worker.h"
#include "ports/master_volume.h"
#include "ports/midi_port.h"
#include "ports/soft_synth.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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
    std::optional<PortReport> maintain(uint32_t nowMs) override { return synth_->maintain(nowMs); }
    std::string outputName() const override { return builtInSynthName; }

    static constexpr const char* builtInSynthName = "the built-in General MIDI synthesizer";
    static constexpr int32_t sampleRate = 44100;

private:
    std::unique_ptr<SoftSynth> synth_;
};

// The system MIDI out as a mapper: the destination the device port chooses when it has one,
// else the built-in General MIDI synthesizer. Fails only when neither opens. A device hears
// the master volume as the universal master volume message: at opening when it is not full,
// whenever it changed before the next message, and again after the song resets the device.
//
// A destination that goes away while the mapper plays on it is replaced as at opening: a
// fresh device port chooses again (the next real destination), else the built-in synthesizer
// takes over. While the mapper is on a fallback, every new song makes the choice again, so a
// destination (or a MIDI service) that comes back is used from that song on. Ports are opened
// and closed on a worker thread, since either may take long (a SoundFont to load, a JACK port
// whose server died waits a second to close); `maintain` puts the result in place between
// frames and says what happened.
class MidiMapperPort final : public MidiPort {
public:
    using DeviceMaker = std::function<std::unique_ptr<MidiPort>()>;

    MidiMapperPort(std::unique_ptr<MidiPort> device, std::unique_ptr<MidiPort> builtIn)
        : device_(std::move(device)), builtIn_(std::move(builtIn))
    {
    }
    ~MidiMapperPort() override { close(); }
    bool open() override;
    void close() override;
    void resetClock() override;
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;
    std::optional<PortReport> maintain(uint32_t nowMs) override;
    void songStarting() override;
    std::string outputName() const override;
    // Read by the device route; without one the device's own volume is left alone.
    void setMasterVolume(const MasterVolume* volume) { volume_ = volume; }
    // Makes the fresh device ports a new choice opens; without it a lost device leaves only
    // the built-in synthesizer.
    void setDeviceMaker(DeviceMaker maker) { makeDevice_ = std::move(maker); }

    // What open chose: the device, the built-in synthesizer, or nothing.
    enum class Route { None, Device, BuiltIn };
    Route route() const;
    // Whether a choice is being made on the worker thread.
    bool choosing() const { return choosing_; }

private:
    // Why a choice is made again: the device went away, or a new song starts on a fallback.
    enum class Reason { Lost, NewSong };
    struct Choice {
        Reason reason = Reason::Lost;
        Route route = Route::None;
        std::unique_ptr<MidiPort> device;
        std::string lostName;
    };

    MidiPort& current();
    // Sends the master volume to the device when it differs from what the device has.
    void sendVolumeIfChanged();
    void startChoice(Reason reason);
    // On the worker: what the new choice opens.
    Choice choose(Reason reason, const std::string& currentName, Route currentRoute);
    PortReport install(Choice choice);
    // Closes and destroys a port on the worker thread.
    void dispose(std::unique_ptr<MidiPort> port);

    std::unique_ptr<MidiPort> device_;
    std::unique_ptr<MidiPort> builtIn_;
    DeviceMaker makeDevice_;
    MidiPort silent_;
    // Guards the route and the device against the senders (the main and the timer thread).
    mutable std::mutex routeLock_;
    Route route_ = Route::None;
    const MasterVolume* volume_ = nullptr;
    // What the device's master volume is.
    int32_t deviceVolume_ = MasterVolume::full;

    // Main thread: the choice made at opening stands until a frame has passed; a fallback
    // is any route other than the first choice.
    bool freshlyOpened_ = false;
    bool onFallback_ = false;
    bool choosing_ = false;
    std::mutex chosenLock_;
    std::optional<Choice> chosen_;  // a finished choice, written by the worker
    BackgroundWorker worker_;       // last: ends before the ports it works on
};

}  // namespace quorva
