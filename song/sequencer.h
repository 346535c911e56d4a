#pragma once
#include "song/channel_monitor.h"
#include "song/midi_event.h"
#include "song/sounding_note.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string_view>

namespace quorva {

class SmfFile;
class PortSelector;
class PeriodicTimer;

enum class PlayState : uint8_t { Idle = 1, Stopped = 2, Playing = 3, Paused = 4 };

// Where playback stands, as one tick left it: the values the display reads together.
struct PlayReadout {
    double position = 0.0;  // ticks of the song
    uint32_t tempo = 500000;
    uint32_t meterTick = 0;  // where the current time signature took effect
    uint8_t meterNumerator = 4;
    uint8_t meterDenominatorPower = 2;
    const TempoEvent* nextTempo = nullptr;
    const TimeSignatureEvent* nextTimeSignature = nullptr;
    size_t cursor = 0;  // index of the next event to play; the display reads ahead from it
};

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
    // Moves playback to a point of the song as if it had played from its start to there:
    // sound stops, the output is reset and given the state the events before the point
    // leave (programs, controllers, parameters, bends, system-exclusive messages), the
    // channel mirror, tempo and meter read as there, and the next tick plays on from it.
    // Notes begun before the point are not struck again. Paused stays paused; a stopped song
    // starts playing. False when no song is loaded. Main thread.
    bool seekToMs(uint32_t ms);
    // The same at a tick: the events before `tick` are chased, the ones at it played.
    bool seekToTick(uint32_t tick);
    // A seek by a distance from where playback stands, not before the start (the keys' step).
    bool seekByMs(int32_t deltaMs);
    // Gives the output the state the song has left up to where playback stands, as a seek
    // there would, without counting as a seek: for an output that took over mid-song. False
    // when no song is playing or paused. Main thread.
    bool chaseOutputState();
    // How many seeks were made, from any source; whoever announces seeks watches it move.
    uint32_t seekCount() const { return seekCount_.load(); }
    // How many songs were loaded (or failed to load); what keeps a song's data apart from the
    // next song's watches it move.
    uint32_t loadCount() const { return loadCount_.load(); }
    void setState(PlayState state) { state_.store(state); }
    void shutdown();
    // stop, load, play: how a new song starts from any source. Returns the load's result.
    bool loadAndPlay(std::string_view path);
    // The load alone, with the state changes around it (Idle, then Stopped on success).
    bool load(std::string_view path);
    // stop, then the song loaded elsewhere (or failed to load) takes the place of the one
    // played, and play: how a song loaded off the frame thread starts. Returns whether it
    // had loaded. The song played before is the caller's again.
    bool playLoaded(SmfFile& song);
    // The song played: the one given at construction until playLoaded gives another. The
    // frame's thread reads it between the switches it makes itself.
    SmfFile& song() const { return *song_; }

    // One timer tick; the timer calls it, and simulated playback calls it directly.
    void tick();

    // What the last tick published; a display that shows several values reads this once
    // and computes them all from it.
    PlayReadout readout() const;
    // The read-outs (0 while not playing), from a given readout or from a fresh one.
    uint32_t elapsedMs(const PlayReadout& readout) const;
    uint32_t currentMeasure(const PlayReadout& readout) const;
    uint32_t currentBeat(const PlayReadout& readout) const;
    uint32_t elapsedMs() const;
    uint32_t currentMeasure() const;
    uint32_t currentBeat() const;

    PlayState state() const { return state_.load(); }
    bool playing() const { return playing_.load(); }
    uint32_t tempo() const { return readout().tempo; }
    double position() const { return readout().position; }
    uint8_t meterNumerator() const { return readout().meterNumerator; }
    uint8_t meterDenominatorPower() const { return readout().meterDenominatorPower; }

    // The sounding notes; take lock() around every use.
    std::mutex& lock() { return lock_; }
    SoundingNoteList& notes() { return notes_; }

    // Used by the note events when played.
    void noteStarted(uint8_t channel, uint8_t note, uint8_t velocity);
    void noteReleased(uint8_t channel, uint8_t note);

private:
    void stopRoutine();
    void acknowledgeStop();
    // Has the timer thread stop playing (it acknowledges within a tick); playing is then false.
    void haltTicks();
    // Sound off, notes off and hold off on every channel; the sounding notes fade out.
    void silenceAll();
    void chase(uint32_t tick);
    // Moves the position on by one tick and plays what it reaches; false when the song ended.
    bool advance();
    // Applies the tempo and meter changes the position has reached.
    void applyChanges();
    void playDueEvents();
    void updateNotes();
    void publish();
    PlayContext playContext() { return {*song_, *this, monitor_, ports_}; }

    // Switched on the frame's thread while the ticks play nothing; playing_ hands it over.
    SmfFile* song_;
    ChannelMonitor& monitor_;
    PortSelector& ports_;
    PeriodicTimer& timer_;

    std::atomic<bool> playing_{false};
    bool timerRunning_ = false;

    // A stop on another thread asks the timer thread to stop playing and waits (a second at
    // most) until it says it has.
    std::atomic<bool> stopRequest_{false};
    std::mutex stopLock_;
    std::condition_variable stopAcknowledged_;

    // Moved by the tick alone while playing; play() sets them while the tick leaves them be.
    size_t cursor_ = 0;
    PlayReadout current_;
    // The copy of current_ that the other threads read.
    mutable std::mutex readoutLock_;
    PlayReadout published_;

    SoundingNoteList notes_;
    std::mutex lock_;
    std::atomic<PlayState> state_{PlayState::Idle};
    std::atomic<uint32_t> seekCount_{0};
    std::atomic<uint32_t> loadCount_{0};
};

}  // namespace quorva
