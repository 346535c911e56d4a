#include "app/sleeper.h"

#include <chrono>
#include <thread>

namespace quorva {

void ThreadSleeper::sleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void ThreadSleeper::spinPause()
{
    if (spinPauseUs_ == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::microseconds(spinPauseUs_));
    }
}

}  // namespace quorva
