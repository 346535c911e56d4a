#pragma once
#include "ports/port_selector.h"

#include <functional>
#include <memory>

namespace quorva {

// A port for an output this build cannot drive: it cannot be opened, so choosing it gives
// "midiport create error" and the NULL port.
class UnavailablePort final : public MidiPort {
public:
    bool open() override { return false; }
    bool openSynth(uint32_t bufferMs, uint32_t voices, uint32_t levelShift) override { return false; }
    bool openSoftSynth(int32_t sampleRate, bool effects) override { return false; }
};

// The program's port factory. Each kind is made by the maker the program hands in; a kind
// without a maker gives an UnavailablePort.
class ProgramPortFactory final : public PortFactory {
public:
    using Maker = std::function<std::unique_ptr<MidiPort>()>;

    Maker midiOut;
    Maker softSynth;
    Maker fmSynth;

    std::unique_ptr<MidiPort> makeMidiOut() override { return make(midiOut); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return make(softSynth); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return make(fmSynth); }

private:
    static std::unique_ptr<MidiPort> make(const Maker& maker)
    {
        if (maker) {
            if (auto port = maker()) {
                return port;
            }
        }
        return std::make_unique<UnavailablePort>();
    }
};

}  // namespace quorva
