#pragma once
#include "ports/midi_mapper.h"
#include "ports/midi_port.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class RtMidiOut;

namespace quorva {

// The MIDI destinations the system offers: the ALSA sequencer's, then JACK's (JACK is asked
// only where ALSA is absent, or when `includeJack` asks for both).
std::vector<MidiDestination> listMidiDestinations(bool includeJack);

// The destination the mapper would choose now (QUORVA_MIDI_OUT first, then the first real
// synthesizer or device), or nothing; `wanted` receives the variable's value.
std::optional<MidiDestination> chosenMidiDestination(std::string& wanted, bool& wantedFound);

class DestinationWatch;

// The system's MIDI out to a real destination: RtMidi on the ALSA sequencer (JACK where ALSA
// is absent). Opens the destination chosenMidiDestination names; fails when there is none.
// Messages go out at once; the sequencer and the main thread may send at the same time.
// The port is lost when a send fails or the destination leaves its service (the JACK server
// ends, the client of the destination closes, a device is unplugged).
class RtMidiOutPort final : public MidiPort {
public:
    // A port that makes a choice again (for a destination that went away) leaves telling of
    // an unmatched QUORVA_MIDI_OUT to the first one: the user hears of the loss itself.
    explicit RtMidiOutPort(bool tellsUnmatchedName = true);
    ~RtMidiOutPort() override;

    bool open() override;
    // May take a second when the destination's JACK server has died.
    void close() override;
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;
    std::string outputName() const override { return destination(); }
    bool lost() const override;
    bool firstChoice() const override { return firstChoice_; }

    bool isOpen() const;
    // The destination opened, while open.
    std::string destination() const;

    // What RtMidi's error handler learns: an error while a send runs (under the lock) means
    // the send failed.
    struct SendErrors {
        bool sending = false;
        std::atomic<bool> failed{false};
    };

private:
    void send(const uint8_t* bytes, size_t count);

    mutable std::mutex mutex_;
    std::unique_ptr<RtMidiOut> out_;
    std::unique_ptr<DestinationWatch> watch_;
    std::string destination_;
    bool firstChoice_ = true;
    bool tellsUnmatchedName_;
    SendErrors errors_;
};

}  // namespace quorva
