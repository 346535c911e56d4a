#include "ports/port_selector.h"

namespace quorva {

MidiPort& PortSelector::install(PortKind kind, std::unique_ptr<MidiPort> port)
{
    release();
    kind_ = kind;
    port_ = port ? std::move(port) : std::make_unique<MidiPort>();
    return *port_;
}

bool PortSelector::selectNull() { return install(PortKind::NullOut, factory_.makeNull()).open(); }

bool PortSelector::selectMidiOut() { return install(PortKind::MidiOut, factory_.makeMidiOut()).open(); }

bool PortSelector::selectDirectMusic(int32_t sampleRate, bool effects)
{
    return install(PortKind::DirectMusicOut, factory_.makeSoftSynth()).openSoftSynth(sampleRate, effects);
}

bool PortSelector::selectFmSynth(uint32_t bufferMs, uint32_t voices, uint32_t levelShift)
{
    return install(PortKind::FmSynthOut, factory_.makeFmSynth()).openSynth(bufferMs, voices, levelShift);
}

void PortSelector::release()
{
    if (port_) {
        port_->close();
        port_.reset();
    }
}

}  // namespace quorva
