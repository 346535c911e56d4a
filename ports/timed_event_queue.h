#pragma once
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace quorva {

// a comes before b on the wrapping millisecond clock.
inline bool timeBefore(uint32_t a, uint32_t b)
{
    return static_cast<int32_t>(a - b) < 0;
}

enum class TimedEventKind : uint8_t {
    Short,    // a packed short message
    Command,  // the 4 bytes of a synthesizer command
    Sysex,    // a system-exclusive message; its bytes wait in the queue's byte ring
};

// A message waiting for its time stamp (milliseconds of the sender's clock).
struct TimedEvent {
    TimedEventKind kind = TimedEventKind::Short;
    uint32_t time = 0;
    std::array<uint8_t, 4> data{};  // Short and Command
    uint32_t length = 0;            // Sysex: byte count
};

// The time-stamped queue between the threads that send and the audio thread that plays: one
// fixed ring of event values, plus a fixed ring of bytes for system-exclusive messages, both
// allocated by `open`. Events leave in arrival order. A push that finds no room is dropped
// (the senders never wait for the audio thread); so is every push while the queue is closed.
// One lock, held for a single push or a single look-and-pop.
class TimedEventQueue {
public:
    // Room for `capacity` events and `sysexBytes` bytes of system-exclusive messages; empty.
    void open(uint32_t capacity, uint32_t sysexBytes = 0);
    // Refuses further pushes and forgets what waits.
    void close();
    bool isOpen() const;

    bool push(TimedEventKind kind, uint32_t time, const std::array<uint8_t, 4>& data);
    bool pushSysex(uint32_t time, const uint8_t* bytes, uint32_t length);

    // Takes the oldest event if its time has come at `now`. The bytes of a Sysex event are
    // copied to `sysexOut`, which must hold sysexCapacity() bytes (may be null without one).
    bool popDue(uint32_t now, TimedEvent& event, uint8_t* sysexOut = nullptr);
    // The stamp of the oldest event, if any.
    std::optional<uint32_t> nextTime() const;
    uint32_t size() const;
    uint32_t sysexCapacity() const;

private:
    mutable std::mutex lock_;
    bool open_ = false;
    std::vector<TimedEvent> events_;
    uint32_t first_ = 0;  // the oldest event
    uint32_t count_ = 0;
    std::vector<uint8_t> bytes_;
    uint32_t firstByte_ = 0;
    uint32_t byteCount_ = 0;
};

// The queue's events as a packed short message or a synthesizer command's bytes.
inline uint32_t packedData(const TimedEvent& event)
{
    return static_cast<uint32_t>(event.data[0]) | static_cast<uint32_t>(event.data[1]) << 8 |
           static_cast<uint32_t>(event.data[2]) << 16 | static_cast<uint32_t>(event.data[3]) << 24;
}

inline std::array<uint8_t, 4> unpackedData(uint32_t message)
{
    return {static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8), static_cast<uint8_t>(message >> 16),
            static_cast<uint8_t>(message >> 24)};
}

}  // namespace quorva
