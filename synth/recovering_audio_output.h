#pragma once
#include "platform/audio_device.h"
#include "ports/background_worker.h"
#include "ports/midi_port.h"
#include "synth/silent_audio_output.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

namespace quorva {

// The output of an open audio device, kept playing across the loss of the device. When the
// output reports its device lost, `maintain` has it closed, a silent stand-in feeds on at the
// real rate (so the synthesizer and its clock keep time), and the default device is opened
// again once a second until it comes back or a minute has passed; then the sound resumes
// where the song stands. Closing and reopening run on a worker thread, as a device may take
// long to open; `maintain` only looks at the results. The owner's calls are main-thread ones.
class RecoveringAudioOutput {
public:
    static constexpr uint32_t retryMs = 1000;
    static constexpr uint32_t maxAttempts = 60;

    explicit RecoveringAudioOutput(AudioDevice& device) : device_(device) {}
    ~RecoveringAudioOutput() { reset(); }
    RecoveringAudioOutput(const RecoveringAudioOutput&) = delete;
    RecoveringAudioOutput& operator=(const RecoveringAudioOutput&) = delete;

    // Creates the output on the device, which the owner opened in this format (the format a
    // reopening asks for). False when the device refuses.
    bool create(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t halfBytes);
    bool start(AudioFeeder& feeder);
    // Returns once no fill runs; what a recovery was doing is finished first.
    void stop();
    // Stops and drops the output.
    void reset();
    bool created() const { return output_ != nullptr || recovering_; }

    // Between frames: a lost device is closed and the reopening begun; one report when the
    // device was lost, when it came back, and when the attempts ended without it.
    std::optional<PortReport> maintain(uint32_t nowMs);
    // Attempts to reopen the device since it was lost.
    uint32_t attempts() const { return attempts_; }

private:
    enum class State { Playing, Reopening, GaveUp };

    void post(std::function<void()> job);
    void replaceLostOutput();
    void tryReopen();

    AudioDevice& device_;
    uint32_t channels_ = 0;
    uint32_t rate_ = 0;
    uint32_t bits_ = 0;
    uint32_t halfBytes_ = 0;
    AudioFeeder* feeder_ = nullptr;
    // Touched by the worker's jobs, and by the main thread only while no job is queued.
    std::unique_ptr<AudioOutput> output_;
    std::unique_ptr<SilentAudioOutput> standIn_;
    std::atomic<bool> reopened_{false};

    State state_ = State::Playing;  // main thread
    bool recovering_ = false;
    bool started_ = false;
    uint32_t attempts_ = 0;
    uint32_t nextAttemptMs_ = 0;
    BackgroundWorker worker_;  // last: ends before what its jobs touch
};

}  // namespace quorva
