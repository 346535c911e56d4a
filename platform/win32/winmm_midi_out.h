#pragma once
#include "ports/midi_port.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct HMIDIOUT__;

namespace quorva {

// The "[MM-OUT]" port on Windows: the multimedia MIDI out through the MIDI mapper, so that
// whatever device or synthesizer the user set up plays the song. Messages go out at once.
//
// A system-exclusive message travels in a prepared header that the service returns with
// MOM_DONE. The service forbids calling it from its own callback, so the callback only
// marks the header finished; the sending thread unprepares and frees finished headers on
// its next sendLong, and close resets the device, which returns every header still queued.
class WinMidiOutPort final : public MidiPort {
public:
    WinMidiOutPort();
    ~WinMidiOutPort() override;
    WinMidiOutPort(const WinMidiOutPort&) = delete;
    WinMidiOutPort& operator=(const WinMidiOutPort&) = delete;

    // True exactly when midiOutOpen(MIDI_MAPPER) returns MMSYSERR_NOERROR; the result
    // itself is kept in lastOpenResult.
    bool open() override;
    void close() override;
    void sendShort(uint32_t message) override;
    void sendLong(const LongMessage& message) override;

    bool isOpen() const { return handle_ != nullptr; }
    uint32_t lastOpenResult() const { return lastOpenResult_; }
    // Long messages sent and not yet returned by the service.
    size_t headersInFlight();

    // One system-exclusive message with its header (defined with the service's types).
    struct Block;
    // Called by the service's callback thread when it returns a header.
    void markFinished(const void* header);

private:
    // Unprepares and frees the blocks the service has returned.
    void releaseFinished();

    HMIDIOUT__* handle_ = nullptr;
    uint32_t lastOpenResult_ = 0;
    std::mutex sendLock_;    // one long message at a time, and close apart from sends
    std::mutex blocksLock_;  // the blocks list; also taken by the service's callback thread
    std::vector<std::unique_ptr<Block>> blocks_;
};

}  // namespace quorva
