#pragma once
#include "synth/fm_synth.h"
#include "synth/synth_engine.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorva::tonemeter {

constexpr uint32_t sampleRate = 44100;

// Loudness figures of a stretch of 16-bit stereo output.
struct Levels {
    double rmsDb = 0.0;   // RMS over every sample of both sides, dB relative to full scale 32768
    double peakDb = 0.0;  // largest magnitude, same scale
    uint64_t clipped = 0;  // samples that sit at 32767 or -32768
    uint64_t samples = 0;
    bool endless = false;  // still sounding long after the last note-off
    bool silent() const { return samples == 0 || peakDb <= silentDb; }
    double clipRatio() const { return samples ? static_cast<double>(clipped) / static_cast<double>(samples) : 0.0; }

    static constexpr double silentDb = -200.0;
};

// Converts a linear 16-bit magnitude to dB full scale; 0 gives Levels::silentDb.
double toDb(double magnitude);

// Statistics gathered sample by sample; `levels` reads them out.
class LevelCounter {
public:
    void add(const int16_t* samples, uint64_t count);
    Levels levels() const;

private:
    double sumSquares_ = 0.0;
    int32_t peak_ = 0;
    uint64_t clipped_ = 0;
    uint64_t samples_ = 0;
};

// A message due at a frame of a script.
struct TimedMessage {
    uint32_t frame = 0;
    uint32_t message = 0;  // packed short message
};

uint32_t packMessage(uint8_t status, uint8_t data1, uint8_t data2 = 0);
uint32_t secondsToFrames(double seconds);

// The real synthesizer rendered in memory and converted to 16 bits exactly as the audio
// stream converts it, with the stream's level shift.
class MeterRender {
public:
    bool open(const std::string& toneFilePath, uint32_t voices, uint32_t levelShift);
    // Silences every voice and resets every channel (the synthesizer's reset command).
    void reset();
    void send(uint32_t message) { synth_->handleMessage(message); }
    // Renders `frames` frames into the counter.
    void render(uint32_t frames, LevelCounter& counter);
    // Renders `frames` frames and appends them as mono samples (the mean of both sides of the
    // 16-bit output), full scale 1.0.
    void renderMono(uint32_t frames, std::vector<float>& out);
    // Plays the script from frame 0 and renders `totalFrames` frames in all.
    Levels play(const std::vector<TimedMessage>& script, uint32_t totalFrames);
    // Renders on, unmeasured, until no voice sounds; false if one still sounds after `limitFrames`.
    bool settle(uint32_t limitFrames);
    FmSynth& synth() { return *synth_; }

private:
    std::unique_ptr<FmSynth> synth_ = std::make_unique<FmSynth>();
    uint32_t levelShift_ = 6;
    std::vector<MixFrame> mix_;
    std::vector<int16_t> pcm_;
};

}  // namespace quorva::tonemeter
