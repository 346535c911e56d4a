#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace quorva {

class Clock;
class PortSelector;
class Sequencer;

// Between frames, lets the current port look after its output (a MIDI destination that went
// away, an audio device that was removed) and, when the output changed, tells the user once:
// a line on standard error and, for a while, a line in the song text area. A new output that
// took over mid-song is given the song's state from where playback stands.
class OutputWatch {
public:
    static constexpr uint32_t noticeMs = 10000;

    OutputWatch(PortSelector& ports, Sequencer& sequencer, Clock& clock, std::FILE* errors)
        : ports_(ports), sequencer_(sequencer), clock_(clock), errors_(errors)
    {
    }

    // Main thread; returns at once when nothing happened.
    void betweenFrames();
    // The line the screen shows: the last report while it is recent, else empty.
    std::string notice() const;

private:
    PortSelector& ports_;
    Sequencer& sequencer_;
    Clock& clock_;
    std::FILE* errors_;
    std::string notice_;
    uint32_t noticeSinceMs_ = 0;
};

}  // namespace quorva
