#pragma once
#include <string>
#include <vector>

namespace quorva {

// quorva-render (SONG | --events-in LOG) --wav OUT.wav [--tones FILE] [--voices N]
//   [--level-shift S] [--buffer-ms M] [--speed X] [--transpose N]
// Plays the song (or the logged messages) through the FM synthesizer in simulated time and
// writes what the audio stream plays to a 16-bit stereo 44100 Hz WAV file. Returns the exit
// status: 0, or 1 after a one-line error on standard error.
int renderWav(const std::vector<std::string>& args);

}  // namespace quorva
