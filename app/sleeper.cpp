#include "app/sleeper.h"

#include <chrono>
#include <thread>

namespace quorva {

void ThreadSleeper::sleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void ThreadSleeper::spinPause() { std::this_thread::yield(); }

}  // namespace quorva
