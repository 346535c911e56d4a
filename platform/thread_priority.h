#pragma once

namespace quorva {

// Lowers the calling thread's priority (nice 10) for background work, such as loading a song,
// that must not take the processor from the frames and the timer; threads it starts inherit
// it. Silently unchanged where the system refuses.
void lowerThreadPriority();

}  // namespace quorva
