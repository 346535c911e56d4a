#include "platform/posix_clock.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

namespace quorva {

uint32_t SystemClock::nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

ThreadPeriodicTimer::ThreadPeriodicTimer()
    : ThreadPeriodicTimer([](const timespec& deadline) {
          return clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
      })
{
}

ThreadPeriodicTimer::ThreadPeriodicTimer(SleepUntil sleepUntil) : sleepUntil_(std::move(sleepUntil)) {}

ThreadPeriodicTimer::~ThreadPeriodicTimer() { stop(); }

bool ThreadPeriodicTimer::start(uint32_t periodMs, std::function<void()> tick)
{
    if (running_.load() || periodMs == 0) {
        return false;
    }
    if (thread_.joinable()) {
        thread_.join();  // a thread that ended on a failed sleep
    }
    running_.store(true);
    thread_ = std::thread([this, periodMs, tick = std::move(tick)] { run(periodMs, tick); });
    return true;
}

void ThreadPeriodicTimer::run(uint32_t periodMs, const std::function<void()>& tick)
{
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 1;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);  // silently normal if refused

    const long periodNs = static_cast<long>(periodMs) * 1000000L;
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    while (running_.load(std::memory_order_acquire)) {
        deadline.tv_nsec += periodNs;
        while (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_nsec -= 1000000000L;
            deadline.tv_sec += 1;
        }
        int error = 0;
        while ((error = sleepUntil_(deadline)) == EINTR) {
        }
        if (error != 0) {
            const std::string reason = std::error_code(error, std::generic_category()).message();
            std::fprintf(stderr, "quorva: the %u ms timer stopped: clock_nanosleep failed: %s\n", periodMs,
                         reason.c_str());
            running_.store(false, std::memory_order_release);
            return;
        }
        if (!running_.load(std::memory_order_acquire)) {
            break;
        }
        tick();
        // After a long stall (debugger, suspended machine) do not fire a burst of ticks.
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long behindSec = now.tv_sec - deadline.tv_sec;
        if (behindSec > 1) {
            deadline = now;
        }
    }
}

void ThreadPeriodicTimer::stop()
{
    running_.store(false, std::memory_order_release);
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace quorva
