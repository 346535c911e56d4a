// Opens the FM synthesizer with the input as its tone file, as the FM port does, then plays
// a few notes of every tone the bank can name (0-255) and of every drum set it defined:
// lowest, middle and highest key, soft and hard, held and released, with the pitch bent and
// the vibrato up on every other channel, more notes than voices so that voices are stolen.
#include "fuzz/fuzz_player.h"
#include "ports/midi_port.h"
#include "synth/fm_synth.h"

#include <array>
#include <vector>

namespace {

using quorva::DrumSet;
using quorva::FmSynth;
using quorva::MixFrame;
using quorva::Tone;
using quorva::packShort;

constexpr uint32_t voices = 16;
constexpr uint32_t heldFrames = 192;
constexpr uint32_t releasedFrames = 192;
constexpr uint8_t rhythmChannel = 9;
// Every channel but the rhythm channel takes one tone per round.
constexpr uint32_t melodicChannels = 15;

uint8_t melodicChannel(uint32_t index) { return static_cast<uint8_t>(index < rhythmChannel ? index : index + 1); }

void mix(FmSynth& synth, uint32_t frames)
{
    std::array<MixFrame, 64> block;
    while (frames > 0) {
        const uint32_t count = std::min<uint32_t>(frames, block.size());
        synth.mixBlock(block.data(), count);
        frames -= count;
    }
}

void send(FmSynth& synth, uint8_t status, uint8_t data1, uint8_t data2 = 0)
{
    synth.handleMessage(packShort(status, data1, data2));
}

// Plays a round of up to 15 tones at once, one per melodic channel.
void playRound(FmSynth& synth, const std::vector<const Tone*>& tones, size_t first)
{
    constexpr uint8_t keys[] = {0, 60, 127};
    constexpr uint8_t velocities[] = {1, 100, 127};
    const size_t count = std::min<size_t>(melodicChannels, tones.size() - first);
    for (size_t i = 0; i < count; ++i) {
        // A map entry of its own sends the tone to the channel by a program change.
        const auto program = static_cast<uint8_t>(i);
        synth.toneBank().addToneMapEntry(program, 0, 0).tone = tones[first + i];
        const uint8_t channel = melodicChannel(static_cast<uint32_t>(i));
        send(synth, 0xC0 | channel, program);
        if (i % 2 == 1) {
            send(synth, 0xE0 | channel, 0x7F, 0x7F);
            send(synth, 0xB0 | channel, 1, 127);
        }
        for (size_t k = 0; k < std::size(keys); ++k) {
            send(synth, 0x90 | channel, keys[k], velocities[k]);
        }
    }
    mix(synth, heldFrames);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t channel = melodicChannel(static_cast<uint32_t>(i));
        for (uint8_t key : keys) {
            send(synth, 0x80 | channel, key, 64);
        }
    }
    mix(synth, releasedFrames);
}

// Plays the first keys of a drum set that have a tone, two by two, on the rhythm channel.
void playDrumSet(FmSynth& synth, int program, const DrumSet& set)
{
    constexpr uint8_t rhythm = rhythmChannel;
    send(synth, 0xC0 | rhythm, static_cast<uint8_t>(program));
    int played = 0;
    for (uint8_t key = 0; key < 128 && played < 8; ++key) {
        if (set.entries[key].tone) {
            send(synth, 0x90 | rhythm, key, 100);
            ++played;
        }
        if (played > 0 && played % 2 == 0) {
            mix(synth, 64);
        }
    }
    mix(synth, heldFrames);
    for (uint8_t key = 0; key < 128; ++key) {
        if (set.entries[key].tone) {
            send(synth, 0x80 | rhythm, key, 0);
        }
    }
    mix(synth, releasedFrames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static quorva::fuzz::ScratchFile file("fmstone.dat");
    FmSynth synth;
    if (!synth.open(voices, file.write(data, size))) {
        return 0;
    }
    mix(synth, 16);  // every channel starts on program 0

    std::vector<const Tone*> tones;
    for (int32_t number = 0; number < 256; ++number) {
        if (const Tone* tone = synth.toneBank().findTone(number)) {
            tones.push_back(tone);
        }
    }
    for (size_t first = 0; first < tones.size(); first += melodicChannels) {
        playRound(synth, tones, first);
    }
    for (int program = 0; program < 128; ++program) {
        const DrumSet* set = synth.toneBank().drumSetForProgram(program);
        if (set && (program == 0 || set != synth.toneBank().drumSetForProgram(0))) {
            playDrumSet(synth, program, *set);
        }
    }
    synth.handleCommand(quorva::SynthCommand{quorva::SynthCommandKind::ResetAll, 0, 0, 0});
    if (synth.sounding()) {
        quorva::fuzz::fail("a voice still sounds after the reset");
    }
    synth.close();
    return 0;
}
