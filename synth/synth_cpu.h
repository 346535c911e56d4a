#pragma once

namespace quorva {

// True when the processor has the packed 16-bit instructions the output conversion was
// designed around (MMX on x86); other processors always pass.
bool processorSupportsSynth();

}  // namespace quorva
