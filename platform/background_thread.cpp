#include "platform/background_thread.h"

#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorva {

void lowerThreadPriority()
{
    // On Linux the nice value belongs to each thread, and setpriority takes a thread's id.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, thread, 10);
}

void returnFreedMemory() { malloc_trim(0); }

}  // namespace quorva
