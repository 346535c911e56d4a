#include "ports/direct_music_port.h"

#include <algorithm>

namespace quorva {
namespace {

constexpr uint8_t gsResetBytes[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr uint8_t drumChannel = 9;

bool isReset(SysexKind kind)
{
    return kind == sysex::GmSystemOn || kind == sysex::GsReset || kind == sysex::XgSystemOn;
}

}  // namespace

// Channel 9 starts as the General MIDI drum channel; GS use-for-rhythm-part messages move
// the flags, and resets bring back the start.
DirectMusicPort::DirectMusicPort(std::unique_ptr<SoftSynth> synth) : synth_(std::move(synth))
{
    resetRhythmChannels();
}

DirectMusicPort::~DirectMusicPort()
{
    close();
}

bool DirectMusicPort::openSoftSynth(int32_t sampleRate, bool effects)
{
    close();
    if (!synth_->open(sampleRate, effects)) {
        return false;
    }
    for (const SoftSynthPreset& preset : synth_->presets()) {
        if (preset.drumKit) {
            drumKits_.push_back(preset.program);
        } else if (preset.program < 128) {
            banksByProgram_[preset.program].push_back(preset.bankMsb);
        }
    }
    std::lock_guard guard(lock_);
    recentCount_ = 0;
    return true;
}

void DirectMusicPort::close()
{
    synth_->close();
    for (auto& banks : banksByProgram_) {
        banks.clear();
    }
    drumKits_.clear();
}

bool DirectMusicPort::hasBank(uint8_t program, uint8_t bankMsb) const
{
    const auto& banks = banksByProgram_[program & 0x7F];
    return std::find(banks.begin(), banks.end(), bankMsb) != banks.end();
}

bool DirectMusicPort::hasDrumKit(uint8_t program) const
{
    return std::find(drumKits_.begin(), drumKits_.end(), program) != drumKits_.end();
}

void DirectMusicPort::resetRhythmChannels()
{
    for (uint8_t channel = 0; channel < 16; ++channel) {
        channels_[channel].rhythm = channel == drumChannel;
    }
}

uint32_t DirectMusicPort::extraForRecentNotes(uint32_t message, uint32_t nowMs)
{
    const uint8_t kind = message & 0xF0;
    const uint8_t channel = message & 0x0F;
    const uint8_t key = (message >> 8) & 0xFF;
    const uint8_t velocity = (message >> 16) & 0xFF;
    // Notes older than the previous millisecond are forgotten (unsigned, as the clock wraps).
    const auto expired = [nowMs](const RecentNote& note) { return note.time < nowMs - 1; };
    const auto kept = std::remove_if(recent_.begin(), recent_.begin() + recentCount_, expired);
    recentCount_ = static_cast<uint32_t>(kept - recent_.begin());
    if (kind == 0x90 && velocity > 0) {
        if (recentCount_ == recentNoteCount) {
            // No record free: the oldest one is taken.
            std::move(recent_.begin() + 1, recent_.end(), recent_.begin());
            --recentCount_;
        }
        recent_[recentCount_++] = RecentNote{channel, key, nowMs};
        return 0;
    }
    if (kind == 0x80 || kind == 0x90) {
        const auto sameNote = [&](const RecentNote& note) { return note.channel == channel && note.key == key; };
        return std::any_of(recent_.begin(), recent_.begin() + recentCount_, sameNote) ? 1 : 0;
    }
    return 0;
}

void DirectMusicPort::sendShort(uint32_t message)
{
    std::lock_guard guard(lock_);
    sendShortLocked(message);
}

void DirectMusicPort::sendShortLocked(uint32_t message)
{
    const uint32_t nowMs = synth_->latencyClockMs();
    const uint32_t stamp = nowMs + latencyMs + extraForRecentNotes(message, nowMs);
    const uint8_t kind = message & 0xF0;
    const uint8_t channel = message & 0x0F;
    const uint8_t data1 = (message >> 8) & 0xFF;
    const uint8_t data2 = (message >> 16) & 0xFF;
    ChannelBank& bank = channels_[channel];
    if (kind == 0xB0 && data1 == 32) {
        return;  // Bank Select LSB: the collection is chosen by MSB alone
    }
    if (kind == 0xB0 && data1 == 0) {
        bank.bankMsb = data2;
    } else if (kind == 0xC0 && bank.rhythm) {
        if (!hasDrumKit(data1)) {
            message &= 0xFF;  // the standard kit
        }
    } else if (kind == 0xC0 && !hasBank(data1, bank.bankMsb)) {
        sendShortLocked(packShort(static_cast<uint8_t>(0xB0 | channel), 0, 0));
    }
    synth_->playShort(stamp, message);
}

void DirectMusicPort::sendLong(const LongMessage& message)
{
    if (!message.data || message.length <= 0) {
        return;
    }
    std::lock_guard guard(lock_);
    const bool reset = isReset(message.kind);
    const uint32_t stamp = synth_->latencyClockMs() + latencyMs;
    if (reset) {
        synth_->playLong(stamp, gsResetBytes, sizeof gsResetBytes);
        resetRhythmChannels();
    } else {
        synth_->playLong(stamp, message.data, static_cast<uint32_t>(message.length));
        if (message.kind >= sysex::RhythmOffBase && message.kind < sysex::RhythmOnBase + 16) {
            const bool on = message.kind >= sysex::RhythmOnBase;
            channels_[(message.kind - (on ? sysex::RhythmOnBase : sysex::RhythmOffBase)) & 0x0F].rhythm = on;
        }
        return;
    }
    for (uint8_t channel = 0; channel < 16; ++channel) {
        const auto status = static_cast<uint8_t>(0xB0 | channel);
        sendShortLocked(packShort(status, 101, 0));
        sendShortLocked(packShort(status, 100, 0));
        sendShortLocked(packShort(status, 6, 2));
        sendShortLocked(packShort(status, 38, 0));
    }
}

}  // namespace quorva
