#pragma once
#include "synth/fm_voice.h"

namespace quorva::testing {

// `count` samples of one voice into out[0..count), equal to renderVoice sample by sample.
// False when the voice ended within them; the sample in which it ended gets the previous
// sample's output and every later one 0, as with renderVoiceGroup.
bool renderVoiceBlock(FmVoice& voice, const VoiceControls& controls, int32_t* out, int count);

}  // namespace quorva::testing
