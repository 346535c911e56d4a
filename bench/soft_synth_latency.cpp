// bench_soft_synth_latency: measures the time from a port's send to the moment the note's
// first sound is handed to the audio device, for the "[MS-SS]" port and for the system MIDI
// out's built-in synthesizer, on FluidSynth with the default SoundFont and the SDL audio
// device (run it with SDL_AUDIODRIVER=disk to measure without a sound card; a real card adds
// its own buffer, about one period, on top).
//   SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null bench_soft_synth_latency [NOTES]
#include "platform/fluid_sample_synth.h"
#include "platform/posix_clock.h"
#include "platform/sdl_audio.h"
#include "ports/midi_mapper.h"
#include "ports/direct_music_port.h"
#include "synth/streamed_soft_synth.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

namespace quorva {
namespace {

using Steady = std::chrono::steady_clock;

// Passes everything to FluidSynth and notes when the first loud sample after arming leaves
// a render call: the time of the call plus the sample's place in the block.
class OnsetWatch final : public SampleSynth {
public:
    OnsetWatch(std::unique_ptr<SampleSynth> inner, int32_t rate) : inner_(std::move(inner)), rate_(rate) {}
    bool open(int32_t sampleRate, bool effects) override
    {
        rate_ = sampleRate;
        return inner_->open(sampleRate, effects);
    }
    void close() override { inner_->close(); }
    std::vector<SoftSynthPreset> presets() const override { return inner_->presets(); }
    void handleShort(uint32_t message) override { inner_->handleShort(message); }
    void handleSysex(const uint8_t* bytes, uint32_t length) override { inner_->handleSysex(bytes, length); }
    void render(int16_t* frames, uint32_t count) override
    {
        // The render calls of one fill follow each other within microseconds; a gap means a
        // new fill, whose first frame leaves the device now.
        const auto now = Steady::now();
        if (now - lastRender_ > std::chrono::milliseconds(2)) {
            blockOffset_ = 0;
            blockStart_ = now;
        }
        lastRender_ = now;
        inner_->render(frames, count);
        for (uint32_t i = 0; armed.load() && i < count; ++i) {
            if (std::abs(frames[2 * i]) > 300 || std::abs(frames[2 * i + 1]) > 300) {
                onset = blockStart_ + std::chrono::microseconds(1000000LL * (blockOffset_ + i) / rate_);
                armed.store(false);
            }
        }
        blockOffset_ += count;
    }

    std::atomic<bool> armed{false};
    Steady::time_point onset;

private:
    std::unique_ptr<SampleSynth> inner_;
    int32_t rate_;
    uint32_t blockOffset_ = 0;
    Steady::time_point blockStart_;
    Steady::time_point lastRender_;
};

struct Figures {
    double mean = 0, low = 0, high = 0;
};

Figures measure(MidiPort& port, OnsetWatch& watch, int notes)
{
    std::mt19937 random(7);
    std::vector<double> latencies;
    port.sendShort(packShort(0xC0, 0));
    for (int i = 0; i < notes; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + random() % 23));  // any phase of the block
        watch.armed.store(true);
        const auto sent = Steady::now();
        port.sendShort(packShort(0x90, 60, 127));
        for (int wait = 0; wait < 500 && watch.armed.load(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!watch.armed.load()) {
            latencies.push_back(std::chrono::duration<double, std::milli>(watch.onset - sent).count());
        }
        port.sendShort(packShort(0x80, 60, 0));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    Figures figures;
    if (latencies.empty()) {
        return figures;
    }
    figures.low = *std::min_element(latencies.begin(), latencies.end());
    figures.high = *std::max_element(latencies.begin(), latencies.end());
    for (double l : latencies) {
        figures.mean += l / static_cast<double>(latencies.size());
    }
    return figures;
}

int run(int notes)
{
    SystemClock clock;
    const std::string font = soundFontPath();
    if (font.empty()) {
        std::fprintf(stderr, "bench_soft_synth_latency: no General MIDI SoundFont\n");
        return 1;
    }
    for (bool mapper : {false, true}) {
        auto watched = std::make_unique<OnsetWatch>(std::make_unique<FluidSampleSynth>(font), 44100);
        OnsetWatch& watch = *watched;
        auto synth = std::make_unique<StreamedSoftSynth>(std::move(watched), std::make_unique<SdlAudioDevice>(), clock);
        std::unique_ptr<MidiPort> port;
        bool opened = false;
        if (mapper) {
            port = std::make_unique<ImmediateSynthPort>(std::move(synth));
            opened = port->open();
        } else {
            port = std::make_unique<DirectMusicPort>(std::move(synth));
            opened = port->openSoftSynth(44100, false);
        }
        if (!opened) {
            std::fprintf(stderr, "bench_soft_synth_latency: cannot open the synthesizer\n");
            return 1;
        }
        const Figures f = measure(*port, watch, notes);
        std::printf("%-36s mean %6.1f ms  min %6.1f ms  max %6.1f ms  (%d notes, blocks of %u frames at 44100 Hz)\n",
                    mapper ? "system MIDI out, built-in synth:" : "[MS-SS] (50 ms scheduling latency):", f.mean,
                    f.low, f.high, notes, StreamedSoftSynth::blockFrames(44100));
        port->close();
    }
    return 0;
}

}  // namespace
}  // namespace quorva

int main(int argc, char** argv) { return quorva::run(argc > 1 ? std::atoi(argv[1]) : 20); }
