#include "platform/win32/win32_clock.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>

namespace quorva {
namespace {

void CALLBACK onTimer(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) { reinterpret_cast<MultimediaTimer*>(user)->fire(); }

}  // namespace

uint32_t MultimediaClock::nowMs() { return timeGetTime(); }

TimerResolution::TimerResolution()
{
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof(caps)) == TIMERR_NOERROR) {
        period_ = std::max<uint32_t>(caps.wPeriodMin, 1);
        if (timeBeginPeriod(period_) != TIMERR_NOERROR) {
            period_ = 0;
        }
    }
}

TimerResolution::~TimerResolution()
{
    if (period_ != 0) {
        timeEndPeriod(period_);
    }
}

MultimediaTimer::~MultimediaTimer() { stop(); }

bool MultimediaTimer::start(uint32_t periodMs, std::function<void()> tick)
{
    if (running_.load() || periodMs == 0) {
        return false;
    }
    tick_ = std::move(tick);
    running_.store(true, std::memory_order_release);
    const UINT flags = TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS;
    timerId_ = timeSetEvent(periodMs, 1, onTimer, reinterpret_cast<DWORD_PTR>(this), flags);
    if (timerId_ == 0) {
        running_.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

void MultimediaTimer::fire()
{
    // Counted before the check, so that stop() either sees this tick in flight or this tick
    // sees the timer stopped.
    ticksInFlight_.fetch_add(1, std::memory_order_acq_rel);
    if (running_.load(std::memory_order_acquire)) {
        tick_();
    }
    ticksInFlight_.fetch_sub(1, std::memory_order_acq_rel);
}

void MultimediaTimer::stop()
{
    running_.store(false, std::memory_order_release);
    if (timerId_ != 0) {
        timeKillEvent(timerId_);
        timerId_ = 0;
    }
    while (ticksInFlight_.load(std::memory_order_acquire) != 0) {
        Sleep(1);
    }
}

}  // namespace quorva
