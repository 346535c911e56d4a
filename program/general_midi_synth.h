#pragma once
#include "platform/clock.h"
#include "synth/streamed_soft_synth.h"

#include <memory>

namespace quorva {

// The General MIDI synthesizer of the program: FluidSynth with the SoundFont soundFontPath()
// finds, played through synth/'s stream on the SDL audio device.
std::unique_ptr<StreamedSoftSynth> makeGeneralMidiSynth(Clock& clock);

}  // namespace quorva
