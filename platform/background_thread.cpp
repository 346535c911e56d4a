#include "platform/background_thread.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace quorva {

#ifdef _WIN32

void lowerThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }

// The Windows heap gives large freed blocks back by itself.
void returnFreedMemory() {}

#else

void lowerThreadPriority()
{
    // On Linux the nice value belongs to each thread, and setpriority takes a thread's id.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, thread, 10);
}

void returnFreedMemory() { malloc_trim(0); }

#endif

}  // namespace quorva
