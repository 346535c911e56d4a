#pragma once
#include "song/channel_monitor.h"
#include "song/midi_event.h"
#include "song/sounding_note.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string_view>

namespace quorva {

class SmfFile;
class PortSelector;
class PeriodicTimer;

enum class PlayState : uint8_t { Idle = 1, Stopped = 2, Playing = 3, Paused = 4 };

// Plays the loaded song in real time: every tick (5 ms, on the timer's thread) advances the
// position through the tempo map and the speed factor and plays the events reached.
class Sequencer {
public:
    static constexpr uint32_t tickPeriodMs = 5;

    Sequencer(SmfFile& song, ChannelMonitor& monitor, PortSelector& ports, PeriodicTimer& timer);
    ~Sequencer();
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    bool startTimer();
    void play();
    void stop();
    void pause();
    void resume();
    void setState(PlayState state) { state_.store(state); }
    void shutdown();
    // stop, load, play: how a new song starts from any source. Returns the load's result.
    bool loadAndPlay(std::string_view path);
    // The load alone, with the state changes around it (Idle, then Stopped on success).
    bool load(std::string_view path);

    // One timer tick; the timer calls it, and simulated playback calls it directly.
    void tick();

    uint32_t elapsedMs() const;
    uint32_t currentMeasure() const;
    uint32_t currentBeat() const;

    PlayState state() const { return state_.load(); }
    bool playing() const { return playing_.load(); }
    uint32_t tempo() const { return tempo_.load(std::memory_order_relaxed); }
    double position() const { return position_.load(std::memory_order_relaxed); }
    uint8_t meterNumerator() const { return meterNumerator_.load(std::memory_order_relaxed); }
    uint8_t meterDenominatorPower() const { return meterDenominatorPower_.load(std::memory_order_relaxed); }
    // Index of the next event to play; the display reads ahead from it.
    size_t cursor() const { return cursor_.load(std::memory_order_relaxed); }
    uint32_t meterTick() const { return meterTick_.load(std::memory_order_relaxed); }
    const TimeSignatureEvent* nextTimeSignature() const { return nextTimeSignature_.load(std::memory_order_relaxed); }

    // The sounding notes; take lock() around every use.
    std::mutex& lock() { return lock_; }
    SoundingNoteList& notes() { return notes_; }

    // Used by the note events when played.
    void noteStarted(uint8_t channel, uint8_t note, uint8_t velocity);
    void noteReleased(uint8_t channel, uint8_t note);

private:
    void stopRoutine();
    void playDueEvents();
    void updateNotes();

    SmfFile& song_;
    ChannelMonitor& monitor_;
    PortSelector& ports_;
    PeriodicTimer& timer_;
    PlayContext context_;

    std::atomic<uint32_t> tempo_{500000};
    std::atomic<double> position_{0.0};
    std::atomic<bool> playing_{false};
    std::atomic<bool> stopRequest_{false};
    bool timerRunning_ = false;
    std::atomic<size_t> cursor_{0};
    // The tempo and meter read-outs read these on the main thread while the tick moves them.
    std::atomic<const TempoEvent*> nextTempo_{nullptr};
    std::atomic<const TimeSignatureEvent*> nextTimeSignature_{nullptr};
    std::atomic<uint32_t> meterTick_{0};
    std::atomic<uint8_t> meterNumerator_{4};
    std::atomic<uint8_t> meterDenominatorPower_{2};
    SoundingNoteList notes_;
    std::mutex lock_;
    std::atomic<PlayState> state_{PlayState::Idle};
};

}  // namespace quorva
