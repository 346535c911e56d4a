#pragma once
#include <string>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

namespace quorva::tonemeter {

// The system's General MIDI SoundFont played by FluidSynth at 44100 Hz, reverb and chorus
// off: the reference the FM bank's timbre is measured against. Renders mono (the mean of
// both sides), full scale 1.0.
class ReferenceSynth {
public:
    static constexpr const char* defaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

    ReferenceSynth() = default;
    ~ReferenceSynth();
    ReferenceSynth(const ReferenceSynth&) = delete;
    ReferenceSynth& operator=(const ReferenceSynth&) = delete;

    bool open(const std::string& soundFontPath);
    // One note on `channel` (9 plays the drum kit `program`), held `holdSeconds`.
    std::vector<float> note(int channel, int program, int key, int velocity, double holdSeconds, double totalSeconds);
    // A Standard MIDI File played whole, with one second of ring-out. Empty if it cannot be played.
    std::vector<float> song(const std::string& path);

private:
    void reset();
    void render(size_t frames, std::vector<float>& out);

    // FluidSynth applies events at the start of its 64-frame blocks; frames rendered so far,
    // so that every note starts on a block boundary whatever was played before.
    static constexpr size_t eventBlock = 64;
    size_t rendered_ = 0;

    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
};

}  // namespace quorva::tonemeter
