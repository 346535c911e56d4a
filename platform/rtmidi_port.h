#pragma once
#include "ports/midi_mapper.h"
#include "ports/midi_port.h"

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

// The system's MIDI out to a real destination: RtMidi on the ALSA sequencer (JACK where ALSA
// is absent). Opens the destination chosenMidiDestination names; fails when there is none.
// Messages go out at once; the sequencer and the main thread may send at the same time.
class RtMidiOutPort final : public MidiPort {
public:
    RtMidiOutPort();
    ~RtMidiOutPort() override;

    bool open() override;
    void close() override;
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;

    bool isOpen() const;
    // The destination opened, while open.
    std::string destination() const;

private:
    mutable std::mutex mutex_;
    std::unique_ptr<RtMidiOut> out_;
    std::string destination_;
};

}  // namespace quorva
