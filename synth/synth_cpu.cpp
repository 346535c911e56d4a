#include "synth/synth_cpu.h"

namespace quorva {

bool processorSupportsSynth()
{
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("mmx");
#else
    return true;
#endif
}

}  // namespace quorva
