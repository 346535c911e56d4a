#pragma once
#include "platform/clock.h"
#include "ports/midi_port.h"
#include "ports/port_selector.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace quorva {

// Records every message it is sent, with the time of a clock, for tests and the renderer.
class CapturePort final : public MidiPort {
public:
    struct Message {
        uint32_t timeMs = 0;
        std::vector<uint8_t> bytes;
    };

    explicit CapturePort(Clock* clock = nullptr) : clock_(clock) {}

    bool open() override
    {
        ++openCount;
        return openResult;
    }
    void close() override { ++closeCount; }
    void resetClock() override { ++resetClockCount; }
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;
    bool openSynth(uint32_t, uint32_t, uint32_t) override { return open(); }
    bool openSoftSynth(int32_t, bool) override { return open(); }

    std::vector<Message> messages() const;
    size_t count() const;
    void clear();

    bool openResult = true;
    int openCount = 0;
    int closeCount = 0;
    int resetClockCount = 0;

private:
    Clock* clock_;
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
};

}  // namespace quorva
