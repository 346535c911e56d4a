#include "program/general_midi_synth.h"

#include "platform/fluid_sample_synth.h"
#include "platform/sdl_audio.h"

namespace quorva {

std::unique_ptr<StreamedSoftSynth> makeGeneralMidiSynth(Clock& clock, const MasterVolume* volume)
{
    return std::make_unique<StreamedSoftSynth>(std::make_unique<FluidSampleSynth>(soundFontPath(), volume),
                                               std::make_unique<SdlAudioDevice>(), clock);
}

}  // namespace quorva
