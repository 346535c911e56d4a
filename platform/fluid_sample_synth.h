#pragma once
#include "ports/master_volume.h"
#include "ports/midi_mapper.h"
#include "ports/sample_limiter.h"
#include "ports/sample_synth.h"

#include <cstdint>
#include <string>
#include <vector>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace quorva {

// The SoundFont to play: the one QUORVA_SOUNDFONT names, else the system's default General
// MIDI SoundFont (default-GM.sf2, else default-GM.sf3, in /usr/share/sounds/sf2). Empty when
// there is none.
std::string soundFontPath();

// FluidSynth with one SoundFont, the General MIDI synthesizer. Its presets are the collection:
// bank 128 holds the drum kits. Reverb and chorus are the effects. Its output goes through a
// peak limiter, so the gain that matches the FM synthesizer's loudness never clips.
class FluidSampleSynth final : public SampleSynth {
public:
    // FluidSynth's own default, 0.2, plays General MIDI songs about 8 dB below the FM
    // synthesizer at its default level shift (docs/soft-synth-measurements.md). This gain, at
    // full master volume, decides the level of every output that plays FluidSynth, live and
    // rendered.
    static constexpr double baseGain = 0.5;
    // Voices at most (FluidSynth's own default is 256). Each note on and note off walks every
    // voice, so under a flood of notes the audio callback's time grows with this limit: at
    // 100,000 notes a second 256 voices take 9.6 ms of an 11.6 ms block (p99), 128 take 4.8 ms,
    // under half the block (docs/benchmarks.md). 128 voices are 64 stereo notes, five times
    // General MIDI's 24; past them FluidSynth ends the quietest released voices first.
    static constexpr int polyphony = 128;

    // Plays at baseGain times the master volume, when one is given.
    explicit FluidSampleSynth(std::string soundFont, const MasterVolume* volume = nullptr)
        : soundFont_(std::move(soundFont)), volume_(volume)
    {
    }
    ~FluidSampleSynth() override;

    bool open(int32_t sampleRate, bool effects) override;
    void close() override;
    std::vector<SoftSynthPreset> presets() const override;
    void handleShort(uint32_t message) override;
    void handleSysex(const uint8_t* bytes, uint32_t length) override;
    void render(int16_t* frames, uint32_t count) override;

private:
    std::string soundFont_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    int fontId_ = -1;
    SampleLimiter limiter_;
    const MasterVolume* volume_;
    int32_t appliedPercent_ = MasterVolume::full;  // the audio thread's once open
};

// The presets of a SoundFont without playing it; empty when it cannot be loaded.
std::vector<SoftSynthPreset> soundFontPresets(const std::string& path);

}  // namespace quorva
