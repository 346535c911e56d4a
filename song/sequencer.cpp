#include "song/sequencer.h"

#include "platform/periodic_timer.h"
#include "ports/port_selector.h"
#include "song/smf_file.h"
#include "song/song_math.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace quorva {

namespace {
constexpr uint8_t gmSystemOnBytes[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
}

Sequencer::Sequencer(SmfFile& song, ChannelMonitor& monitor, PortSelector& ports, PeriodicTimer& timer)
    : song_(song), monitor_(monitor), ports_(ports), timer_(timer), context_{song, *this, monitor, ports}
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
        playing_.store(false);
        stopRequest_.store(false);
    } else if (state_.load() == PlayState::Playing && playing_.load()) {
        const uint32_t tempo = tempo_.load(std::memory_order_relaxed);
        const double advance = static_cast<double>(monitor_.speed.load()) * tickPeriodMs * song_.division * 1000.0 / tempo;
        const double position = position_.load(std::memory_order_relaxed) + advance;
        position_.store(position, std::memory_order_relaxed);
        if (position > song_.endTick) {
            stopRoutine();
            return;
        }
        const TempoEvent* nextTempo = nextTempo_.load(std::memory_order_relaxed);
        while (nextTempo && nextTempo->tick <= position) {
            tempo_.store(nextTempo->tempo, std::memory_order_relaxed);
            nextTempo = nextTempo->next;
        }
        nextTempo_.store(nextTempo, std::memory_order_relaxed);
        const TimeSignatureEvent* nextMeter = nextTimeSignature_.load(std::memory_order_relaxed);
        while (nextMeter && nextMeter->tick <= position) {
            meterTick_.store(nextMeter->tick, std::memory_order_relaxed);
            meterNumerator_.store(nextMeter->numerator, std::memory_order_relaxed);
            meterDenominatorPower_.store(nextMeter->denominatorPower, std::memory_order_relaxed);
            nextMeter = nextMeter->next;
        }
        nextTimeSignature_.store(nextMeter, std::memory_order_relaxed);
        ports_.port().resetClock();
        playDueEvents();
    }
    updateNotes();
}

void Sequencer::playDueEvents()
{
    const auto& events = song_.events();
    const double position = position_.load(std::memory_order_relaxed);
    size_t cursor = cursor_.load(std::memory_order_relaxed);
    while (cursor < events.size() && events[cursor]->tick <= position) {
        events[cursor]->play(context_);
        ++cursor;
        cursor_.store(cursor, std::memory_order_relaxed);
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
    cursor_.store(0, std::memory_order_relaxed);
    nextTempo_.store(song_.firstTempo(), std::memory_order_relaxed);
    nextTimeSignature_.store(song_.firstTimeSignature(), std::memory_order_relaxed);
    tempo_.store(500000, std::memory_order_relaxed);
    position_.store(0.0, std::memory_order_relaxed);
    meterTick_.store(0, std::memory_order_relaxed);
    meterNumerator_.store(4, std::memory_order_relaxed);
    meterDenominatorPower_.store(2, std::memory_order_relaxed);
    if (!song_.loaded) {
        return;
    }
    monitor_.gmSeen = false;
    monitor_.gsSeen = false;
    monitor_.xgSeen = false;
    if (!song_.hasResetSysex) {
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
    stopRequest_.store(true);
    if (timerRunning_ && timer_.ticksOnOwnThread()) {
        // The timer thread acknowledges within one tick; a timer that died must not hang the
        // program, so the wait gives up after a second.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (playing_.load() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
    }
    playing_.store(false);
    stopRequest_.store(false);
    stopRoutine();
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
    std::lock_guard guard(lock_);
    for (SoundingNote* note = notes_.first(); note;) {
        monitor_.silence(*note);
        note->released = true;
        note = ChannelMonitor::noteUpdate(*note, tickPeriodMs) ? note->next : notes_.erase(note);
    }
}

void Sequencer::pause()
{
    std::lock_guard guard(lock_);
    for (SoundingNote* note = notes_.first(); note; note = note->next) {
        if (!note->released) {
            monitor_.silence(*note);
        }
    }
    state_.store(PlayState::Paused);
}

void Sequencer::resume()
{
    std::lock_guard guard(lock_);
    for (SoundingNote* note = notes_.first(); note; note = note->next) {
        if (!note->released) {
            monitor_.restrike(*note);
        }
    }
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
    const bool ok = song_.load(path);
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

void Sequencer::noteStarted(uint8_t channel, uint8_t note, uint8_t velocity)
{
    auto record = std::make_unique<SoundingNote>();
    record->channel = channel;
    record->note = note;
    record->velocity = velocity;
    record->level = record->startLevel = velocity;
    record->holdLevel = static_cast<float>(velocity * 100 / 120);
    std::lock_guard guard(lock_);
    notes_.append(std::move(record));
}

void Sequencer::noteReleased(uint8_t channel, uint8_t note)
{
    std::lock_guard guard(lock_);
    for (SoundingNote* record = notes_.first(); record; record = record->next) {
        if (record->channel == channel && record->note == note && !record->released) {
            record->released = true;
        }
    }
}

uint32_t Sequencer::elapsedMs() const
{
    if (!playing_.load() || song_.division == 0) {
        return 0;
    }
    const uint32_t p = truncToU32(position_.load(std::memory_order_relaxed));
    const TempoEvent* next = nextTempo_.load(std::memory_order_relaxed);
    uint32_t baseTick = 0;
    uint32_t baseTempo = 500000;
    uint32_t baseMs = 0;
    const TempoEvent* applied = next ? next->previous : nullptr;
    if (!next) {
        applied = song_.lastTempo();
    }
    if (applied) {
        baseTick = applied->tick;
        baseTempo = applied->tempo;
        baseMs = applied->startMs;
    }
    return truncToU32(static_cast<double>(p - baseTick) * baseTempo / (song_.division * 1000.0) + baseMs);
}

uint32_t Sequencer::currentMeasure() const
{
    if (!playing_.load() || song_.division == 0) {
        return 0;
    }
    const uint32_t p = truncToU32(position_.load(std::memory_order_relaxed));
    const TimeSignatureEvent* next = nextTimeSignature_.load(std::memory_order_relaxed);
    const TimeSignatureEvent* applied = next ? next->previous : nullptr;
    if (!next) {
        applied = song_.lastTimeSignature();
    }
    if (!applied) {
        return p / (4 * song_.division);
    }
    const uint32_t length = song_.measureLength(applied->numerator, applied->denominatorPower);
    return (p - applied->tick) / length + applied->measure;
}

uint32_t Sequencer::currentBeat() const
{
    if (!playing_.load() || song_.division == 0) {
        return 0;
    }
    const uint32_t p = truncToU32(position_.load(std::memory_order_relaxed));
    const double power = powerOfTwo(meterDenominatorPower_.load(std::memory_order_relaxed));
    const uint32_t beatLength = power > 4.0 * song_.division ? 1 : std::max<uint32_t>(1, 4 * song_.division / truncToU32(power));
    const uint32_t numerator = std::max<uint32_t>(1, meterNumerator_.load(std::memory_order_relaxed));
    return ((p - meterTick_.load(std::memory_order_relaxed)) / beatLength) % numerator + 1;
}

}  // namespace quorva
