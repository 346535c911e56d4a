#include "synth/fm_synth.h"

#include <algorithm>

namespace quorva {

FmSynth::FmSynth()
{
    for (uint32_t i = 0; i < channelCount; ++i) {
        channels_[i].number = i;
    }
}

FmSynth::~FmSynth()
{
    close();
}

bool FmSynth::open(uint32_t voiceCount, const std::string& toneFilePath)
{
    close();
    slots_.assign(voiceCount, FmVoice{});
    pool_.fillFree(slots_.data(), voiceCount);
    group_.assign(voiceCount, nullptr);
    groupControls_.assign(voiceCount, nullptr);
    groupAlive_ = std::make_unique<bool[]>(voiceCount);
    voiceOut_.assign(static_cast<size_t>(voiceCount) * chunkFrames, 0);
    groupOutputs_.resize(voiceCount);
    for (uint32_t i = 0; i < voiceCount; ++i) {
        groupOutputs_[i] = voiceOut_.data() + static_cast<size_t>(i) * chunkFrames;
    }
    bank_.clearBank();
    buildTables();
    panTable_ = buildPanTable();
    allVoices_.clear();
    releasedVoices_.clear();
    if (!bank_.loadToneFile(toneFilePath)) {
        return false;
    }
    for (SynthChannel& channel : channels_) {
        channel.voices.clear();
        channel.controls.rhythm = channel.number == rhythmChannel;
        channel.resetChannel();
        programChange(channel, 0);
    }
    return true;
}

void FmSynth::close()
{
    killAllVoices();
    for (SynthChannel& channel : channels_) {
        channel.voices.clear();
        channel.tone = nullptr;
        channel.drumSet = nullptr;
    }
    slots_.clear();
    slots_.shrink_to_fit();
    group_.clear();
    groupControls_.clear();
    groupOutputs_.clear();
    groupAlive_.reset();
    voiceOut_.clear();
    voiceOut_.shrink_to_fit();
    pool_.release();
    bank_.clearBank();
}

void FmSynth::handleMessage(uint32_t message)
{
    const uint32_t status = message & 0xF0;
    SynthChannel& channel = channels_[message & 0x0F];
    const uint32_t data1 = (message >> 8) & 0xFF;
    const uint32_t data2 = (message >> 16) & 0xFF;
    switch (status) {
    case 0x80:
        noteOff(channel, data1);
        break;
    case 0x90:
        if (data2 == 0) {
            noteOff(channel, data1);
        } else {
            startNote(channel, data1, data2);
        }
        break;
    case 0xB0:
        controlChange(channel, data1, static_cast<int32_t>(data2));
        break;
    case 0xC0:
        programChange(channel, static_cast<int32_t>(data1));
        break;
    case 0xE0:
        channel.rawBend = (static_cast<int32_t>(data2) - 64) * 128 + static_cast<int32_t>(data1);
        break;
    default:
        break;
    }
}

void FmSynth::handleCommand(const SynthCommand& command)
{
    if (command.command == SynthCommandKind::ResetAll) {
        for (SynthChannel& channel : channels_) {
            channel.controls.rhythm = channel.number == rhythmChannel;
            channel.resetChannel();
            programChange(channel, 0);
        }
        killAllVoices();
    } else if (command.command == SynthCommandKind::SetRhythm && command.channel < channelCount) {
        channels_[command.channel].controls.rhythm = command.value != 0;
    }
}

void FmSynth::controlChange(SynthChannel& channel, uint32_t controller, int32_t value)
{
    switch (controller) {
    case 1: channel.controls.modulation = value; break;
    case 6: dataEntry(channel, value); break;
    case 7: channel.volume = value; break;
    case 10: channel.pan = value; break;
    case 11: channel.expression = value; break;
    case 64: channel.controls.sustain = value >= 64; break;
    case 71: channel.setResonance(value); break;
    case 74: channel.setCutoff(value); break;
    case 98: channel.paramMode = 0; channel.nrpnLsb = value; break;
    case 99: channel.paramMode = 0; channel.nrpnMsb = value; break;
    case 100: channel.paramMode = 1; channel.rpnLsb = value; break;
    case 101: channel.paramMode = 1; channel.rpnMsb = value; break;
    case 120:
        for (FmVoice* voice = channel.voices.front(); voice;) {
            FmVoice* next = ChannelVoiceList::next(*voice);
            killVoice(*voice);
            voice = next;
        }
        break;
    case 121: channel.resetChannel(); break;
    case 123:
        for (FmVoice* voice = channel.voices.front(); voice; voice = ChannelVoiceList::next(*voice)) {
            releaseVoice(*voice);
        }
        break;
    default: break;
    }
}

void FmSynth::dataEntry(SynthChannel& channel, int32_t value)
{
    if (channel.paramMode == 1 && channel.rpnMsb == 0) {
        switch (channel.rpnLsb) {
        case 0: channel.bendRange = value; break;
        case 1: channel.controls.fineTune = value; break;
        case 2: channel.controls.coarseTune = value; break;
        default: break;
        }
    } else if (channel.paramMode == 0 && channel.nrpnMsb == 1) {
        if (channel.nrpnLsb == 0x20) {
            channel.setCutoff(value);
        } else if (channel.nrpnLsb == 0x21) {
            channel.setResonance(value);
        }
    }
}

void FmSynth::programChange(SynthChannel& channel, int32_t program)
{
    channel.program = program;
    channel.tone = bank_.toneForProgram(program, 0, 0);
    channel.drumSet = bank_.drumSetForProgram(program);
}

void FmSynth::noteOff(SynthChannel& channel, uint32_t key)
{
    for (FmVoice* voice = channel.voices.front(); voice; voice = ChannelVoiceList::next(*voice)) {
        if (voice->key == key) {
            noteOffVoice(*voice);
        }
    }
}

FmVoice* FmSynth::takeVoice()
{
    if (FmVoice* voice = pool_.take()) {
        return voice;
    }
    FmVoice* victim = releasedVoices_.front() ? releasedVoices_.front() : allVoices_.front();
    if (!victim) {
        return nullptr;  // a pool of no voices
    }
    killVoice(*victim);
    return pool_.take();
}

void FmSynth::startNote(SynthChannel& channel, uint32_t key, uint32_t velocity)
{
    const bool rhythm = channel.controls.rhythm;
    const DrumEntry* drum = nullptr;
    if (rhythm) {
        // Keys above 127 only come from malformed input; they are silent.
        if (key > 127 || !channel.drumSet || !channel.drumSet->entries[key].tone) {
            return;
        }
        drum = &channel.drumSet->entries[key];
    } else if (!channel.tone) {
        return;
    }
    FmVoice* voice = takeVoice();
    if (!voice) {
        return;
    }
    *voice = FmVoice{};
    uint32_t note = key;
    uint32_t pan = 64;
    const Tone* tone = channel.tone;
    if (drum) {
        if (drum->cutKey < 0x80) {
            for (FmVoice* other = channel.voices.front(); other; other = ChannelVoiceList::next(*other)) {
                if (other->key == drum->cutKey) {
                    releaseVoice(*other);
                    break;
                }
            }
        }
        note = drum->note;
        pan = drum->pan;
        tone = drum->tone;
    }
    if (tone->operatorCount == 0 || tone->carrierMask == 0) {
        pool_.give(voice);
        return;
    }
    bool absorb = false;
    for (FmVoice* other = channel.voices.front(); other; other = ChannelVoiceList::next(*other)) {
        if (other->key != key) {
            continue;
        }
        if (!other->keyUp) {
            releaseVoice(*other);
            absorb = true;
            break;
        }
        if (other->oneShot) {
            releaseVoice(*other);
        }
    }
    allVoices_.append(*voice);
    channel.voices.append(*voice);
    initVoice(*voice, &channel, channel.controls, key, note, velocity, pan, *tone);
    voice->absorbNoteOff = absorb;
}

void FmSynth::noteOffVoice(FmVoice& voice)
{
    voice.keyUp = true;
    if (voice.absorbNoteOff) {
        voice.absorbNoteOff = false;
        return;
    }
    SynthChannel& channel = *voice.channel;
    if (channel.controls.sustain) {
        voice.sustained = true;
        return;
    }
    if (!channel.controls.rhythm && !ReleasedVoiceList::contains(voice)) {
        releasedVoices_.append(voice);
    }
    if (!voice.oneShot) {
        releaseVoice(voice);
    }
}

void FmSynth::releaseVoice(FmVoice& voice)
{
    if (voice.released) {
        return;
    }
    voice.released = true;
    releaseOperators(voice);
    if (!ReleasedVoiceList::contains(voice)) {
        releasedVoices_.append(voice);
    }
}

void FmSynth::killVoice(FmVoice& voice)
{
    allVoices_.remove(voice);
    releasedVoices_.remove(voice);
    if (voice.channel) {
        voice.channel->voices.remove(voice);
    }
    pool_.give(&voice);
}

void FmSynth::killAllVoices()
{
    while (FmVoice* voice = allVoices_.front()) {
        killVoice(*voice);
    }
    allVoices_.clear();
    releasedVoices_.clear();
}

}  // namespace quorva
