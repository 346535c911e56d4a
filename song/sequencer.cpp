#include "song/sequencer.h"

#include "platform/periodic_timer.h"
#include "ports/port_selector.h"
#include "song/chase_state.h"
#include "song/note_messages.h"
#include "song/smf_file.h"
#include "song/song_math.h"

#include <algorithm>
#include <chrono>

namespace quorva {

namespace {
constexpr uint8_t gmSystemOnBytes[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
}

Sequencer::Sequencer(SmfFile& song, ChannelMonitor& monitor, PortSelector& ports, PeriodicTimer& timer)
    : song_(&song), monitor_(monitor), ports_(ports), timer_(timer)
{
}

Sequencer::~Sequencer() { shutdown(); }

bool Sequencer::startTimer()
{
    state_.store(PlayState::Idle);
    if (!timer_.start(tickPeriodMs, [this] { tick(); })) {
        return false;
    }
    timerRunning_ = true;
    if (ports_.hasPort()) {
        ports_.port().resetClock();
    }
    return true;
}

void Sequencer::tick()
{
    if (stopRequest_.load()) {
        acknowledgeStop();
    } else if (state_.load() == PlayState::Playing && playing_.load()) {
        if (!advance()) {
            return;
        }
    }
    updateNotes();
}

bool Sequencer::advance()
{
    const double step =
        static_cast<double>(monitor_.speed.load()) * tickPeriodMs * song_->division() * 1000.0 / current_.tempo;
    current_.position += step;
    if (current_.position > song_->endTick()) {
        publish();
        stopRoutine();
        return false;
    }
    applyChanges();
    ports_.port().resetClock();
    playDueEvents();
    current_.cursor = cursor_;
    publish();
    return true;
}

void Sequencer::applyChanges()
{
    const double position = current_.position;
    while (current_.nextTempo && current_.nextTempo->tick <= position) {
        current_.tempo = current_.nextTempo->tempo;
        current_.nextTempo = current_.nextTempo->next;
    }
    while (current_.nextTimeSignature && current_.nextTimeSignature->tick <= position) {
        const TimeSignatureEvent& meter = *current_.nextTimeSignature;
        current_.meterTick = meter.tick;
        current_.meterNumerator = meter.numerator;
        current_.meterDenominatorPower = meter.denominatorPower;
        current_.nextTimeSignature = meter.next;
    }
}

void Sequencer::publish()
{
    std::lock_guard guard(readoutLock_);
    published_ = current_;
}

PlayReadout Sequencer::readout() const
{
    std::lock_guard guard(readoutLock_);
    return published_;
}

void Sequencer::playDueEvents()
{
    const auto events = song_->events();
    const double position = current_.position;
    PlayContext context = playContext();
    while (cursor_ < events.size() && events[cursor_].tick <= position) {
        song_->eventAt(cursor_)->play(context);
        ++cursor_;
    }
}

void Sequencer::updateNotes()
{
    std::lock_guard guard(lock_);
    for (SoundingNote* note = notes_.first(); note;) {
        note = ChannelMonitor::noteUpdate(*note, tickPeriodMs) ? note->next : notes_.erase(note);
    }
}

void Sequencer::play()
{
    if (playing_.load()) {
        stop();
    }
    cursor_ = 0;
    current_ = PlayReadout{};
    current_.nextTempo = song_->firstTempo();
    current_.nextTimeSignature = song_->firstTimeSignature();
    publish();
    if (!song_->loaded()) {
        return;
    }
    monitor_.gmSeen = false;
    monitor_.gsSeen = false;
    monitor_.xgSeen = false;
    ports_.port().songStarting();
    if (!song_->hasResetSysex()) {
        const LongMessage message{gmSystemOnBytes, sizeof gmSystemOnBytes, sysex::GmSystemOn};
        ports_.port().sendLong(message);
        monitor_.resetAllChannels();
    }
    // A stop that raced the end of the song may have left its request behind; it must not
    // cancel this play.
    stopRequest_.store(false);
    playing_.store(true);
    state_.store(PlayState::Playing);
}

void Sequencer::stop()
{
    if (!playing_.load()) {
        return;
    }
    haltTicks();
    stopRoutine();
}

void Sequencer::haltTicks()
{
    if (!playing_.load()) {
        return;
    }
    if (timerRunning_ && timer_.ticksOnOwnThread()) {
        // The timer thread acknowledges within one tick; a timer that died must not hang the
        // program, so the wait gives up after a second and withdraws the request.
        std::unique_lock guard(stopLock_);
        stopRequest_.store(true);
        stopAcknowledged_.wait_for(guard, std::chrono::seconds(1), [this] { return !stopRequest_.load(); });
        stopRequest_.store(false);
    }
    playing_.store(false);
}

bool Sequencer::seekToMs(uint32_t ms) { return seekToTick(song_->tickAtMs(ms)); }

bool Sequencer::seekByMs(int32_t deltaMs)
{
    const int64_t target = int64_t{elapsedMs()} + deltaMs;
    return seekToMs(static_cast<uint32_t>(std::clamp<int64_t>(target, 0, 0xFFFFFFFF)));
}

bool Sequencer::seekToTick(uint32_t tick)
{
    if (!song_->loaded() || state_.load() == PlayState::Idle) {
        return false;
    }
    haltTicks();
    // A song that ended (or was stopped), even while the tick above was being acknowledged,
    // plays again from the point.
    const PlayState resumeAs = state_.load() == PlayState::Paused ? PlayState::Paused : PlayState::Playing;
    silenceAll();
    chase(tick);
    stopRequest_.store(false);
    playing_.store(true);
    state_.store(resumeAs);
    seekCount_.fetch_add(1);
    return true;
}

bool Sequencer::chaseOutputState()
{
    if (!song_->loaded() || !playing_.load()) {
        return false;
    }
    haltTicks();
    const PlayState state = state_.load();
    if (state != PlayState::Playing && state != PlayState::Paused) {
        return false;  // the song ended while the tick was being stopped
    }
    // The events up to the position have played: the chase takes them all.
    const uint32_t tick = truncToU32(current_.position) + 1;
    silenceAll();
    chase(tick);
    stopRequest_.store(false);
    playing_.store(true);
    state_.store(state);
    return true;
}

void Sequencer::silenceAll()
{
    MidiPort& port = ports_.port();
    for (uint8_t channel = 0; channel < 16; ++channel) {
        const auto status = static_cast<uint8_t>(0xB0 + channel);
        port.sendShort(packShort(status, 120, 0));
        port.sendShort(packShort(status, 123, 0));
        port.sendShort(packShort(status, 64, 0));
    }
    std::lock_guard guard(lock_);
    notes_.releaseAll();
}

void Sequencer::chase(uint32_t tick)
{
    const auto events = song_->events();
    const auto reached = std::lower_bound(events.begin(), events.end(), tick,
                                          [](const SongEvent& event, uint32_t at) { return event.tick < at; });
    cursor_ = static_cast<size_t>(reached - events.begin());

    current_ = PlayReadout{};
    current_.position = tick;
    current_.nextTempo = song_->firstTempo();
    current_.nextTimeSignature = song_->firstTimeSignature();
    applyChanges();
    current_.cursor = cursor_;

    monitor_.gmSeen = false;
    monitor_.gsSeen = false;
    monitor_.xgSeen = false;
    for (int channel = 0; channel < ChannelMonitor::channelCount; ++channel) {
        monitor_.clearChannel(channel);
    }
    song_->showLyric(nullptr);
    song_->singSyllable(LyricLines::noSyllable);
    ChaseState state;
    PlayContext context = playContext();
    for (size_t i = 0; i < cursor_; ++i) {
        state.fold(*song_->eventAt(i), context);
    }
    // The output starts from a reset as at play: the song's own, or a GM System On where the
    // song has none before the point.
    MidiPort& port = ports_.port();
    if (!state.hasReset()) {
        port.sendLong(LongMessage{gmSystemOnBytes, sizeof gmSystemOnBytes, sysex::GmSystemOn});
    }
    state.send(port, monitor_);
    publish();
}

void Sequencer::acknowledgeStop()
{
    playing_.store(false);
    {
        std::lock_guard guard(stopLock_);
        stopRequest_.store(false);
    }
    stopAcknowledged_.notify_all();
}

void Sequencer::stopRoutine()
{
    playing_.store(false);
    state_.store(PlayState::Stopped);
    MidiPort& port = ports_.port();
    for (uint8_t channel = 0; channel < 16; ++channel) {
        port.sendShort(packShort(static_cast<uint8_t>(0xB0 + channel), 64, 0));
        port.sendShort(packShort(static_cast<uint8_t>(0xB0 + channel), 66, 0));
    }
    NoteMessages offs;
    {
        std::lock_guard guard(lock_);
        for (SoundingNote* note = notes_.first(); note;) {
            monitor_.silence(*note, offs);
            notes_.release(note);
            note = ChannelMonitor::noteUpdate(*note, tickPeriodMs) ? note->next : notes_.erase(note);
        }
    }
    offs.send(ports_);
}

void Sequencer::pause()
{
    NoteMessages offs;
    {
        std::lock_guard guard(lock_);
        // First, so that the tick plays no more while the held notes are silenced.
        state_.store(PlayState::Paused);
        for (const SoundingNote* note = notes_.first(); note; note = note->next) {
            if (!note->released) {
                monitor_.silence(*note, offs);
            }
        }
    }
    offs.send(ports_);
}

void Sequencer::resume()
{
    NoteMessages ons;
    {
        std::lock_guard guard(lock_);
        for (const SoundingNote* note = notes_.first(); note; note = note->next) {
            if (!note->released) {
                monitor_.restrike(*note, ons);
            }
        }
    }
    ons.send(ports_);
    // Last, so that no event the tick plays (a note off of a held note) overtakes the re-strikes.
    state_.store(PlayState::Playing);
}

void Sequencer::shutdown()
{
    if (timerRunning_) {
        stop();
        timer_.stop();
        timerRunning_ = false;
    }
    std::lock_guard guard(lock_);
    notes_.clear();
}

bool Sequencer::load(std::string_view path)
{
    setState(PlayState::Idle);
    const bool ok = song_->load(path);
    loadCount_.fetch_add(1);
    if (ok) {
        setState(PlayState::Stopped);
    }
    return ok;
}

bool Sequencer::loadAndPlay(std::string_view path)
{
    stop();
    const bool ok = load(path);
    play();
    return ok;
}

bool Sequencer::playLoaded(SmfFile& song)
{
    stop();
    setState(PlayState::Idle);
    song_ = &song;
    loadCount_.fetch_add(1);
    if (song.loaded()) {
        setState(PlayState::Stopped);
    }
    play();
    return song.loaded();
}

void Sequencer::noteStarted(uint8_t channel, uint8_t note, uint8_t velocity)
{
    std::lock_guard guard(lock_);
    SoundingNote& record = *notes_.add(channel, note);
    record.velocity = velocity;
    record.level = record.startLevel = velocity;
    record.holdLevel = static_cast<float>(velocity * 100 / 120);
}

void Sequencer::noteReleased(uint8_t channel, uint8_t note)
{
    std::lock_guard guard(lock_);
    notes_.releaseKey(channel, note);
}

uint32_t Sequencer::elapsedMs() const { return elapsedMs(readout()); }
uint32_t Sequencer::currentMeasure() const { return currentMeasure(readout()); }
uint32_t Sequencer::currentBeat() const { return currentBeat(readout()); }

uint32_t Sequencer::elapsedMs(const PlayReadout& readout) const
{
    if (!playing_.load() || song_->division() == 0) {
        return 0;
    }
    const uint32_t p = truncToU32(readout.position);
    const TempoEvent* next = readout.nextTempo;
    uint32_t baseTick = 0;
    uint32_t baseTempo = 500000;
    uint32_t baseMs = 0;
    const TempoEvent* applied = next ? next->previous : nullptr;
    if (!next) {
        applied = song_->lastTempo();
    }
    if (applied) {
        baseTick = applied->tick;
        baseTempo = applied->tempo;
        baseMs = applied->startMs;
    }
    return truncToU32(static_cast<double>(p - baseTick) * baseTempo / (song_->division() * 1000.0) + baseMs);
}

uint32_t Sequencer::currentMeasure(const PlayReadout& readout) const
{
    if (!playing_.load() || song_->division() == 0) {
        return 0;
    }
    const uint32_t p = truncToU32(readout.position);
    const TimeSignatureEvent* next = readout.nextTimeSignature;
    const TimeSignatureEvent* applied = next ? next->previous : nullptr;
    if (!next) {
        applied = song_->lastTimeSignature();
    }
    if (!applied) {
        return p / (4 * song_->division());
    }
    const uint32_t length = song_->measureLength(applied->numerator, applied->denominatorPower);
    return (p - applied->tick) / length + applied->measure;
}

uint32_t Sequencer::currentBeat(const PlayReadout& readout) const
{
    if (!playing_.load() || song_->division() == 0) {
        return 0;
    }
    const uint32_t p = truncToU32(readout.position);
    const double power = powerOfTwo(readout.meterDenominatorPower);
    const uint32_t beatLength = power > 4.0 * song_->division() ? 1 : std::max<uint32_t>(1, 4 * song_->division() / truncToU32(power));
    const uint32_t numerator = std::max<uint32_t>(1, readout.meterNumerator);
    return ((p - readout.meterTick) / beatLength) % numerator + 1;
}

}  // namespace quorva
