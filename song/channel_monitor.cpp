#include "song/channel_monitor.h"

#include "ports/port_selector.h"
#include "song/note_messages.h"
#include "song/sequencer.h"

namespace quorva {

void ChannelMonitor::fullReset()
{
    gmSeen = false;
    gsSeen = false;
    xgSeen = false;
    speed = 1.0f;
    transpose = 0;
    viewShift = 0;
    flowScale = 64.0f;
    flowScaleBase = 64;
    flowScaleTarget = 64;
    muteLevel = 6;
    for (int channel = 0; channel < channelCount; ++channel) {
        ChannelState& state = channels[channel];
        state.number = static_cast<uint8_t>(channel);
        state.muted = false;
        state.keyboardShown = channel < 4;
        state.drumFlowShown = channel == 9;
        resetChannel(channel);
    }
}

void ChannelMonitor::resetChannel(int channel)
{
    clearChannel(channel);
    if (channels[channel].muted) {
        sendVolume(channel, 100u * muteLevel / 12);
    }
}

void ChannelMonitor::clearChannel(int channel)
{
    ChannelState& state = channels[channel];
    state.rhythm = channel == 9;
    state.program = 1;
    state.bankMsb = 0;
    state.bankLsb = 0;
    state.volume = 100;
    state.expression = 127;
    state.pan = 64;
    state.modulation = 0;
    state.pitchBend = 64;
    state.reverb = 40;
    state.chorus = 0;
    state.controller94 = 0;
    state.hold = false;
    state.sostenuto = false;
    state.soft = false;
    state.portamento = false;
}

void ChannelMonitor::resetAllChannels()
{
    for (int channel = 0; channel < channelCount; ++channel) {
        resetChannel(channel);
    }
}

void ChannelMonitor::sendVolume(int channel, uint32_t value)
{
    if (ports_.hasPort()) {
        ports_.port().sendShort((0xB0u + static_cast<uint32_t>(channel)) | 7u << 8 | (value & 0xFF) << 16);
    }
}

void ChannelMonitor::setMuted(int channel, bool muted)
{
    ChannelState& state = channels[channel];
    if (state.muted == muted) {
        return;
    }
    state.muted = muted;
    sendVolume(channel, muted ? static_cast<uint32_t>(state.volume) * muteLevel / 12 : state.volume.load());
}

void ChannelMonitor::setMuteLevel(uint8_t level)
{
    muteLevel = level;
    for (int channel = 0; channel < channelCount; ++channel) {
        if (channels[channel].muted) {
            sendVolume(channel, static_cast<uint32_t>(channels[channel].volume) * level / 12);
        }
    }
}

uint32_t ChannelMonitor::mutedVolume(int channel, uint32_t message) const
{
    if (!channels[channel].muted) {
        return message;
    }
    const uint32_t value = (message >> 16 & 0xFF) * muteLevel / 12 & 0xFF;
    return (message & 0xFF00FFFFu) | value << 16;
}

int ChannelMonitor::shiftedNote(int channel, int note) const
{
    const int shifted = channels[channel].rhythm ? note : note + transpose;
    return shifted >= 0 && shifted <= 127 ? shifted : -1;
}

void ChannelMonitor::silence(const SoundingNote& note, NoteMessages& messages) const
{
    const int n = shiftedNote(note.channel, note.note);
    if (n >= 0) {
        messages.add(packShort(static_cast<uint8_t>(0x80 + note.channel), static_cast<uint8_t>(n), 0));
    }
}

void ChannelMonitor::restrike(const SoundingNote& note, NoteMessages& messages) const
{
    if (channels[note.channel].rhythm) {
        return;
    }
    const int n = shiftedNote(note.channel, note.note);
    if (n >= 0) {
        messages.add(packShort(static_cast<uint8_t>(0x90 + note.channel), static_cast<uint8_t>(n), note.velocity));
    }
}

void ChannelMonitor::setTranspose(int8_t semitones, Sequencer& sequencer)
{
    NoteMessages messages;
    {
        std::lock_guard guard(sequencer.lock());
        const bool playing = sequencer.state() == PlayState::Playing;
        if (playing) {
            for (const SoundingNote* note = sequencer.notes().first(); note; note = note->next) {
                if (!note->released) {
                    silence(*note, messages);
                }
            }
        }
        transpose = semitones;
        if (playing) {
            for (const SoundingNote* note = sequencer.notes().first(); note; note = note->next) {
                if (!note->released) {
                    restrike(*note, messages);
                }
            }
        }
    }
    messages.send(ports_);
}

void ChannelMonitor::updateFlowScale(float frameFactorF)
{
    const float scale = flowScale;
    flowScale = scale + (static_cast<float>(flowScaleTarget) - scale) * frameFactorF * 0.2f;
}

bool ChannelMonitor::noteUpdate(SoundingNote& note, uint32_t periodMs)
{
    note.ageMs += periodMs;
    note.phaseMs += periodMs;
    if (note.released && note.phase != NotePhase::Release) {
        note.phase = NotePhase::Release;
        note.phaseMs = 0;
    }
    if (note.phase == NotePhase::Attack) {
        if (note.phaseMs > 128) {
            note.phase = NotePhase::Hold;
            note.phaseMs = 0;
        } else {
            const float elapsed = static_cast<float>(note.phaseMs);
            note.level = ((128.0f - elapsed) * note.startLevel + elapsed * note.holdLevel) * (1.0f / 128.0f);
        }
    }
    if (note.phase == NotePhase::Release) {
        note.level -= static_cast<float>(periodMs) * 0.33333334f;
        if (note.level < 0) {
            note.level = 0;
        }
    }
    return !(note.released && note.phaseMs > 500);
}

}  // namespace quorva
