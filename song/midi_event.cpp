#include "song/midi_event.h"

#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/lyric_lines.h"
#include "song/sequencer.h"
#include "song/smf_file.h"

#include <cstring>

namespace quorva {

namespace {

constexpr uint8_t gmSystemOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr uint8_t xgSystemOn[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
constexpr uint8_t gsResets[3][11] = {
    {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},
    {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7},
    {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x01, 0x00, 0xF7},
};
constexpr uint8_t gsPartPrefix[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40};

ShortVariant controllerVariant(uint8_t controller)
{
    switch (controller) {
    case 0: return ShortVariant::BankMsb;
    case 1: return ShortVariant::Modulation;
    case 7: return ShortVariant::Volume;
    case 10: return ShortVariant::Pan;
    case 11: return ShortVariant::Expression;
    case 32: return ShortVariant::BankLsb;
    case 64: return ShortVariant::Hold;
    case 65: return ShortVariant::Portamento;
    case 66: return ShortVariant::Sostenuto;
    case 67: return ShortVariant::Soft;
    case 91: return ShortVariant::Reverb;
    case 93: return ShortVariant::Chorus;
    case 94: return ShortVariant::Controller94;
    default: return ShortVariant::Send;
    }
}

uint32_t withNote(uint32_t message, int note)
{
    return (message & 0xFFFF00FFu) | static_cast<uint32_t>(note) << 8;
}

}  // namespace

ShortVariant shortVariantOf(uint32_t message)
{
    const uint8_t data1 = static_cast<uint8_t>(message >> 8);
    const uint8_t data2 = static_cast<uint8_t>(message >> 16);
    switch (message & 0xF0) {
    case 0x90: return data2 > 0 ? ShortVariant::NoteOn : ShortVariant::NoteOff;
    case 0x80: return ShortVariant::NoteOff;
    case 0xB0: return controllerVariant(data1);
    case 0xC0: return ShortVariant::ProgramChange;
    case 0xE0: return ShortVariant::PitchBend;
    default: return ShortVariant::Send;
    }
}

SysexKind classifySysex(const uint8_t* data, size_t length)
{
    if (length == sizeof gmSystemOn && std::memcmp(data, gmSystemOn, length) == 0) {
        return sysex::GmSystemOn;
    }
    if (length == sizeof xgSystemOn && std::memcmp(data, xgSystemOn, length) == 0) {
        return sysex::XgSystemOn;
    }
    if (length != 11) {
        return sysex::Other;
    }
    for (const auto& reset : gsResets) {
        if (std::memcmp(data, reset, 11) == 0) {
            return sysex::GsReset;
        }
    }
    if (std::memcmp(data, gsPartPrefix, sizeof gsPartPrefix) == 0 && (data[6] & 0xF0) == 0x10 && data[7] == 0x15 &&
        data[10] == 0xF7) {
        const int block = data[6] & 0x0F;
        const int channel = block == 0 ? 9 : block <= 9 ? block - 1 : block;
        return static_cast<SysexKind>((data[8] == 0 ? sysex::RhythmOffBase : sysex::RhythmOnBase) + channel);
    }
    return sysex::Other;
}

void ShortEvent::store(ChannelMonitor& monitor) const
{
    ChannelState& state = monitor.channels[status() & 0x0F];
    const uint8_t value = data2();
    switch (variant) {
    case ShortVariant::Volume: state.volume = value; break;
    case ShortVariant::BankMsb: state.bankMsb = value; break;
    case ShortVariant::Modulation: state.modulation = value; break;
    case ShortVariant::Pan: state.pan = value; break;
    case ShortVariant::Expression: state.expression = value; break;
    case ShortVariant::BankLsb: state.bankLsb = value; break;
    case ShortVariant::Hold: state.hold = value >= 64; break;
    case ShortVariant::Portamento: state.portamento = value >= 64; break;
    case ShortVariant::Sostenuto: state.sostenuto = value >= 64; break;
    case ShortVariant::Soft: state.soft = value >= 64; break;
    case ShortVariant::Reverb: state.reverb = value; break;
    case ShortVariant::Chorus: state.chorus = value; break;
    case ShortVariant::Controller94: state.controller94 = value; break;
    case ShortVariant::ProgramChange: state.program = static_cast<uint8_t>(data1() + 1); break;
    case ShortVariant::PitchBend: state.pitchBend = value; break;
    case ShortVariant::NoteOn:
    case ShortVariant::NoteOff:
    case ShortVariant::Send: break;
    }
}

void ShortEvent::play(PlayContext& context)
{
    ChannelMonitor& monitor = context.monitor;
    const int channel = status() & 0x0F;
    MidiPort& port = context.ports.port();
    switch (variant) {
    case ShortVariant::NoteOn: {
        context.sequencer.noteStarted(static_cast<uint8_t>(channel), data1(), data2());
        const int note = monitor.shiftedNote(channel, data1());
        if (note >= 0) {
            port.sendShort(withNote(message, note));
        }
        return;
    }
    case ShortVariant::NoteOff: {
        context.sequencer.noteReleased(static_cast<uint8_t>(channel), data1());
        const int note = monitor.shiftedNote(channel, data1());
        if (note >= 0) {
            port.sendShort(withNote(message, note));
        }
        return;
    }
    case ShortVariant::Volume:
        store(monitor);
        port.sendShort(monitor.mutedVolume(channel, message));
        return;
    default:
        store(monitor);
        port.sendShort(message);
        return;
    }
}

void SysexEvent::play(PlayContext& context)
{
    ChannelMonitor& monitor = context.monitor;
    const LongMessage message{data, static_cast<int32_t>(length), sysexKind};
    if (sysexKind >= sysex::GmSystemOn && sysexKind <= sysex::XgSystemOn) {
        (sysexKind == sysex::GmSystemOn ? monitor.gmSeen : sysexKind == sysex::GsReset ? monitor.gsSeen : monitor.xgSeen) = true;
        context.ports.port().sendLong(message);
        monitor.resetAllChannels();
        return;
    }
    if (sysexKind >= sysex::RhythmOnBase) {
        monitor.channels[sysexKind - sysex::RhythmOnBase].rhythm = true;
    } else if (sysexKind >= sysex::RhythmOffBase) {
        monitor.channels[sysexKind - sysex::RhythmOffBase].rhythm = false;
    }
    context.ports.port().sendLong(message);
}

void SysexEvent::prepare(SmfFile& song, size_t)
{
    if (sysexKind >= sysex::GmSystemOn && sysexKind <= sysex::XgSystemOn) {
        song.noteResetSysex();
    }
}

void TextEvent::play(PlayContext& context)
{
    if (syllable != LyricLines::noSyllable) {
        context.song.showLyric(text);
        context.song.singSyllable(syllable);
    } else if (kind == TextKind::Text && !karaokeTag) {
        context.song.showText(text);
    } else if (kind == TextKind::Lyric) {
        context.song.showLyric(text);
    }
}

void TextEvent::prepare(SmfFile& song, size_t)
{
    const std::string_view bytes(text, length);
    // In a karaoke file the text events are tag lines and syllables (of its words track),
    // and a title may be a tag line too. Lyric events beside karaoke syllables are a second
    // copy of the words at most: the syllables are the ones shown.
    if (song.karaoke() && (kind == TextKind::Text || kind == TextKind::Title) && isKaraokeTag(bytes)) {
        karaokeTag = true;
        song.offerKaraokeTag(bytes);
        return;
    }
    switch (kind) {
    case TextKind::Notice: song.offerNotice(text); break;
    case TextKind::Title: song.offerTitle(text); break;
    case TextKind::Text:
        if (song.karaokeWordsTrack() == track) {
            syllable = song.addSyllable(bytes, tick, true);
        }
        break;
    case TextKind::Lyric:
        if (!song.karaokeWordsTrack()) {
            syllable = song.addSyllable(bytes, tick, false);
        }
        break;
    }
}

void TempoEvent::prepare(SmfFile& song, size_t) { song.appendTempo(*this); }

void TimeSignatureEvent::prepare(SmfFile& song, size_t) { song.appendTimeSignature(*this); }

}  // namespace quorva
