#pragma once

namespace quorva {

// What a thread of background work (loading a song) asks of the system.

// Lowers the calling thread's priority (nice 10), so that the work does not take the processor
// from the frames and the timer; threads it starts inherit it. Silently unchanged where the
// system refuses.
void lowerThreadPriority();

// Hands the memory freed so far back to the system. Memory freed on a thread other than the
// one that will allocate next stays with the allocator's pool of the freeing thread otherwise,
// and a song's worth of it would stay resident after the song is gone.
void returnFreedMemory();

}  // namespace quorva
