#include "platform/fake/capture_port.h"

namespace quorva {

void CapturePort::sendShort(uint32_t message)
{
    Message m;
    m.timeMs = clock_ ? clock_->nowMs() : 0;
    const int length = shortMessageLength(message);
    m.bytes.reserve(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        m.bytes.push_back(static_cast<uint8_t>(message >> (8 * i)));
    }
    std::lock_guard lock(mutex_);
    messages_.push_back(std::move(m));
}

void CapturePort::sendLong(const LongMessage& message)
{
    Message m;
    m.timeMs = clock_ ? clock_->nowMs() : 0;
    if (message.data && message.length > 0) {
        m.bytes.assign(message.data, message.data + message.length);
    }
    std::lock_guard lock(mutex_);
    messages_.push_back(std::move(m));
}

std::vector<CapturePort::Message> CapturePort::messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

size_t CapturePort::count() const
{
    std::lock_guard guard(mutex_);
    return messages_.size();
}

void CapturePort::clear()
{
    std::lock_guard lock(mutex_);
    messages_.clear();
}

}  // namespace quorva
