#include "platform/fluid_sample_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace quorva {
namespace {

// FluidSynth reports a SoundFont it cannot load on standard error; the port's own failure
// ("midiport create error") says what matters.
void quietLog(int, const char*, void*) {}

void silenceFluidLog()
{
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
        fluid_set_log_function(level, &quietLog, nullptr);
    }
}

// FluidSynth sets up its shared tables and default modulators when the first synthesizer of
// the process is made, behind a flag but without waiting: a synthesizer made on another
// thread at that moment can copy half-made modulators and play several dB too loud.
// Synthesizers are made one at a time.
std::mutex creationLock;

}  // namespace

std::string soundFontPath()
{
    if (const char* named = std::getenv(soundFontVariable); named && *named) {
        return named;
    }
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/default-GM.sf3"}) {
        std::error_code ignored;
        if (std::filesystem::exists(path, ignored)) {
            return path;
        }
    }
    return {};
}

FluidSampleSynth::~FluidSampleSynth()
{
    close();
}

bool FluidSampleSynth::open(int32_t sampleRate, bool effects)
{
    close();
    silenceFluidLog();
    if (soundFont_.empty() || !std::filesystem::is_regular_file(soundFont_)) {
        return false;
    }
    std::unique_lock creating(creationLock);
    settings_ = new_fluid_settings();
    if (!settings_) {
        return false;
    }
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    fluid_settings_setint(settings_, "synth.reverb.active", effects ? 1 : 0);
    fluid_settings_setint(settings_, "synth.chorus.active", effects ? 1 : 0);
    // Only the audio thread plays it once open.
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    fluid_settings_setnum(settings_, "synth.gain", baseGain);
    fluid_settings_setint(settings_, "synth.polyphony", polyphony);
    appliedPercent_ = MasterVolume::full;
    synth_ = new_fluid_synth(settings_);
    creating.unlock();
    if (!synth_) {
        close();
        return false;
    }
    fontId_ = fluid_synth_sfload(synth_, soundFont_.c_str(), 1);
    if (fontId_ == FLUID_FAILED) {
        close();
        return false;
    }
    limiter_ = SampleLimiter(sampleRate);
    return true;
}

void FluidSampleSynth::close()
{
    if (synth_) {
        delete_fluid_synth(synth_);
        synth_ = nullptr;
    }
    if (settings_) {
        delete_fluid_settings(settings_);
        settings_ = nullptr;
    }
    fontId_ = -1;
}

std::vector<SoftSynthPreset> FluidSampleSynth::presets() const
{
    std::vector<SoftSynthPreset> list;
    fluid_sfont_t* font = synth_ ? fluid_synth_get_sfont_by_id(synth_, fontId_) : nullptr;
    if (!font) {
        return list;
    }
    fluid_sfont_iteration_start(font);
    while (fluid_preset_t* preset = fluid_sfont_iteration_next(font)) {
        const int bank = fluid_preset_get_banknum(preset);
        const int program = fluid_preset_get_num(preset);
        if (program < 0 || program > 127 || bank < 0) {
            continue;
        }
        if (bank == 128) {
            list.push_back({0, static_cast<uint8_t>(program), true});
        } else if (bank < 128) {
            list.push_back({static_cast<uint8_t>(bank), static_cast<uint8_t>(program), false});
        }
    }
    return list;
}

void FluidSampleSynth::handleShort(uint32_t message)
{
    const int channel = message & 0x0F;
    const int data1 = (message >> 8) & 0x7F;
    const int data2 = (message >> 16) & 0x7F;
    switch (message & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth_, channel, data1); break;
    case 0x90: fluid_synth_noteon(synth_, channel, data1, data2); break;
    case 0xA0: fluid_synth_key_pressure(synth_, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(synth_, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth_, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth_, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7); break;
    default: break;
    }
}

void FluidSampleSynth::handleSysex(const uint8_t* bytes, uint32_t length)
{
    // FluidSynth takes the bytes between F0 and F7.
    if (length >= 3 && bytes[0] == 0xF0 && bytes[length - 1] == 0xF7) {
        fluid_synth_sysex(synth_, reinterpret_cast<const char*>(bytes + 1), static_cast<int>(length - 2), nullptr,
                          nullptr, nullptr, 0);
    }
}

void FluidSampleSynth::render(int16_t* frames, uint32_t count)
{
    if (const int32_t percent = volume_ ? volume_->percent() : MasterVolume::full; percent != appliedPercent_) {
        appliedPercent_ = percent;
        fluid_synth_set_gain(synth_, static_cast<float>(baseGain * appliedPercent_ / MasterVolume::full));
    }
    constexpr uint32_t chunkFrames = 256;
    float mixed[2 * chunkFrames];
    while (count > 0) {
        const uint32_t run = std::min(count, chunkFrames);
        fluid_synth_write_float(synth_, static_cast<int>(run), mixed, 0, 2, mixed, 1, 2);
        limiter_.convert(mixed, frames, run);
        frames += 2 * run;
        count -= run;
    }
}

std::vector<SoftSynthPreset> soundFontPresets(const std::string& path)
{
    FluidSampleSynth synth(path);
    if (!synth.open(44100, false)) {
        return {};
    }
    return synth.presets();
}

}  // namespace quorva
