#pragma once

namespace quorva {

// True when the processor offers MMX (x86); other processors always pass. The synthesizer
// opens only where this holds.
bool processorSupportsSynth();

}  // namespace quorva
