#include "ports/timed_event_queue.h"

#include <algorithm>

namespace quorva {

void TimedEventQueue::open(uint32_t capacity, uint32_t sysexBytes)
{
    std::lock_guard guard(lock_);
    events_.assign(capacity, TimedEvent{});
    bytes_.assign(sysexBytes, 0);
    first_ = count_ = 0;
    firstByte_ = byteCount_ = 0;
    open_ = capacity > 0;
}

void TimedEventQueue::close()
{
    std::lock_guard guard(lock_);
    open_ = false;
    first_ = count_ = 0;
    firstByte_ = byteCount_ = 0;
}

bool TimedEventQueue::isOpen() const
{
    std::lock_guard guard(lock_);
    return open_;
}

bool TimedEventQueue::push(TimedEventKind kind, uint32_t time, const std::array<uint8_t, 4>& data)
{
    std::lock_guard guard(lock_);
    if (!open_ || count_ == events_.size() || kind == TimedEventKind::Sysex) {
        return false;
    }
    TimedEvent& event = events_[(first_ + count_) % events_.size()];
    event.kind = kind;
    event.time = time;
    event.data = data;
    event.length = 0;
    ++count_;
    return true;
}

bool TimedEventQueue::pushSysex(uint32_t time, const uint8_t* bytes, uint32_t length)
{
    std::lock_guard guard(lock_);
    if (!open_ || count_ == events_.size() || !bytes || length == 0 || length > bytes_.size() - byteCount_) {
        return false;
    }
    const uint32_t capacity = static_cast<uint32_t>(bytes_.size());
    const uint32_t at = (firstByte_ + byteCount_) % capacity;
    const uint32_t head = std::min(length, capacity - at);
    std::copy(bytes, bytes + head, bytes_.begin() + at);
    std::copy(bytes + head, bytes + length, bytes_.begin());
    byteCount_ += length;
    TimedEvent& event = events_[(first_ + count_) % events_.size()];
    event.kind = TimedEventKind::Sysex;
    event.time = time;
    event.data = {};
    event.length = length;
    ++count_;
    return true;
}

bool TimedEventQueue::popDue(uint32_t now, TimedEvent& event, uint8_t* sysexOut)
{
    std::lock_guard guard(lock_);
    if (count_ == 0 || timeBefore(now, events_[first_].time)) {
        return false;
    }
    event = events_[first_];
    first_ = (first_ + 1) % events_.size();
    --count_;
    if (event.kind == TimedEventKind::Sysex) {
        const uint32_t capacity = static_cast<uint32_t>(bytes_.size());
        const uint32_t head = std::min(event.length, capacity - firstByte_);
        if (sysexOut) {
            std::copy(bytes_.begin() + firstByte_, bytes_.begin() + firstByte_ + head, sysexOut);
            std::copy(bytes_.begin(), bytes_.begin() + (event.length - head), sysexOut + head);
        }
        firstByte_ = (firstByte_ + event.length) % capacity;
        byteCount_ -= event.length;
    }
    return true;
}

std::optional<uint32_t> TimedEventQueue::nextTime() const
{
    std::lock_guard guard(lock_);
    if (count_ == 0) {
        return std::nullopt;
    }
    return events_[first_].time;
}

uint32_t TimedEventQueue::size() const
{
    std::lock_guard guard(lock_);
    return count_;
}

uint32_t TimedEventQueue::sysexCapacity() const
{
    std::lock_guard guard(lock_);
    return static_cast<uint32_t>(bytes_.size());
}

}  // namespace quorva
