#include "program/general_midi_synth.h"

#include "platform/fluid_sample_synth.h"
#include "platform/sdl_audio.h"

namespace quorva {

std::unique_ptr<StreamedSoftSynth> makeGeneralMidiSynth(Clock& clock)
{
    return std::make_unique<StreamedSoftSynth>(std::make_unique<FluidSampleSynth>(soundFontPath()),
                                               std::make_unique<SdlAudioDevice>(), clock);
}

}  // namespace quorva
