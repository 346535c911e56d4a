#include "tools/tonebank/tonemeter/reference_synth.h"

#include "tools/tonebank/tonemeter/meter_render.h"

#include <fluidsynth.h>

#include <mutex>

namespace quorva::tonemeter {

namespace {

constexpr size_t blockFrames = 1024;

void quietLogs()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
    });
}

// FluidSynth sets up its shared tables and default modulators when the first synthesizer of
// the process is made, behind a flag but without waiting: a synthesizer made on another
// thread at that moment can copy half-made modulators and play every note several dB
// louder. The meter's threads make theirs one at a time.
std::mutex creationLock;

}  // namespace

ReferenceSynth::~ReferenceSynth()
{
    if (synth_) {
        delete_fluid_synth(synth_);
    }
    if (settings_) {
        delete_fluid_settings(settings_);
    }
}

bool ReferenceSynth::open(const std::string& soundFontPath)
{
    quietLogs();
    std::unique_lock creating(creationLock);
    settings_ = new_fluid_settings();
    if (!settings_) {
        return false;
    }
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    fluid_settings_setint(settings_, "synth.reverb.active", 0);
    fluid_settings_setint(settings_, "synth.chorus.active", 0);
    fluid_settings_setint(settings_, "synth.polyphony", 256);
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    synth_ = new_fluid_synth(settings_);
    creating.unlock();
    return synth_ && fluid_synth_sfload(synth_, soundFontPath.c_str(), 1) != FLUID_FAILED;
}

void ReferenceSynth::reset()
{
    // Sounds off, a stretch of silence so that nothing of the last note remains, a reset, and
    // the next note on a block boundary.
    fluid_synth_all_sounds_off(synth_, -1);
    std::vector<float> ignored;
    render(secondsToFrames(0.2), ignored);
    fluid_synth_system_reset(synth_);
    render((eventBlock - rendered_ % eventBlock) % eventBlock, ignored);
}

void ReferenceSynth::render(size_t frames, std::vector<float>& out)
{
    float left[blockFrames], right[blockFrames];
    while (frames > 0) {
        const size_t count = std::min(frames, blockFrames);
        fluid_synth_write_float(synth_, static_cast<int>(count), left, 0, 1, right, 0, 1);
        rendered_ += count;
        for (size_t i = 0; i < count; ++i) {
            out.push_back(0.5f * (left[i] + right[i]));
        }
        frames -= count;
    }
}

std::vector<float> ReferenceSynth::note(int channel, int program, int key, int velocity, double holdSeconds,
                                        double totalSeconds)
{
    reset();
    fluid_synth_program_change(synth_, channel, program);
    std::vector<float> out;
    const size_t hold = secondsToFrames(holdSeconds), total = secondsToFrames(totalSeconds);
    out.reserve(total);
    fluid_synth_noteon(synth_, channel, key, velocity);
    render(hold, out);
    fluid_synth_noteoff(synth_, channel, key);
    render(total - hold, out);
    return out;
}

std::vector<float> ReferenceSynth::song(const std::string& path)
{
    reset();
    std::vector<float> out;
    fluid_player_t* player = new_fluid_player(synth_);
    if (!player) {
        return out;
    }
    if (fluid_player_add(player, path.c_str()) == FLUID_OK && fluid_player_play(player) == FLUID_OK) {
        // The player advances with the synthesizer's samples; a ten-minute cap guards against a file that never ends.
        const size_t limit = secondsToFrames(600.0);
        while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING && out.size() < limit) {
            render(blockFrames, out);
        }
        render(secondsToFrames(1.0), out);
    }
    delete_fluid_player(player);
    return out;
}

}  // namespace quorva::tonemeter
