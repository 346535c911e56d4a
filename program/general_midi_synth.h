#pragma once
#include "platform/clock.h"
#include "ports/master_volume.h"
#include "synth/streamed_soft_synth.h"

#include <memory>

namespace quorva {

// The General MIDI synthesizer of the program: FluidSynth with the SoundFont soundFontPath()
// finds, played through synth/'s stream on the SDL audio device at the master volume.
std::unique_ptr<StreamedSoftSynth> makeGeneralMidiSynth(Clock& clock, const MasterVolume* volume);

}  // namespace quorva
