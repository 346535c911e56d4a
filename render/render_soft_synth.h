#pragma once
#include "platform/clock.h"
#include "ports/soft_synth.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorva {

// The modes of quorva-render that play through the General MIDI software synthesizer or the
// system MIDI out. `args` hold everything but --output; each returns the exit status (0, or
// 1 after a one-line error on standard error).

// (SONG | --events-in LOG) --wav OUT.wav [--sample-rate 11025|22050|44100] [--effects 0|1]
// [--speed X] [--transpose N]
// Renders through the "[MS-SS]" port (or, with `mapper`, the system MIDI out's built-in
// synthesizer) in simulated time: the port opens and the song plays at T0, ticks every 5 ms,
// the latency clock is the simulated millisecond. A log's messages (the --events format) are
// sent at T0 + their times instead, as the FM synthesizer's --wav does.
int renderSoftSynthWav(const std::vector<std::string>& args, bool mapper);

// SONG --port-log [--sample-rate R] [--effects 0|1] [--speed X] [--transpose N]
// One line per message as the "[MS-SS]" port hands it to the synthesizer: "STAMP GROUP HEX..".
int printPortLog(const std::vector<std::string>& args);

// Makes the General MIDI synthesizer the system MIDI out falls back to, playing on the sound
// card with the given clock.
using GeneralMidiSynthMaker = std::function<std::unique_ptr<SoftSynth>(Clock& clock)>;

// SONG [--speed X] [--transpose N]: plays the song in real time through the system MIDI out.
int playThroughMidiOut(const std::vector<std::string>& args, const GeneralMidiSynthMaker& makeGeneralMidiSynth);

// Lists the MIDI destinations and what the system MIDI out would choose.
int listMidiOut();

}  // namespace quorva
