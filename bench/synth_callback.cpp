// bench_synth_callback: plays a song through a software synthesizer into an in-memory sound
// card, in simulated time as fast as it goes, and reports the CPU time of each audio callback
// (the queued messages due applied and one block rendered: what the sound card's thread does
// every block) against the block's length. The sequencer ticks every 5 ms of simulated time and
// the callbacks follow as the rendered sound falls behind.
//   bench_synth_callback [--fm] [--rate HZ] [--effects] [--seconds S] SONG
// The General MIDI synthesizer (FluidSynth with the default SoundFont; at the settings' default
// 22050 Hz unless --rate, effects off unless --effects) unless --fm: the FM synthesizer with the
// program's tones and its default settings (100 ms buffer, 24 voices).
#include "platform/fake/fake_audio.h"
#include "platform/fluid_sample_synth.h"
#include "platform/manual_clock.h"
#include "ports/direct_music_port.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "synth/fm_synth.h"
#include "synth/fm_synth_port.h"
#include "synth/streamed_soft_synth.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quorva {
namespace {

struct Options {
    bool fm = false;
    int32_t rate = 22050;
    bool effects = false;
    uint32_t seconds = 60;
    std::string song;
};

double threadCpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

std::string executableDirectory()
{
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path().string();
}

// Makes the one synthesizer port asked for, on the in-memory card, and keeps what the bench
// drives and reads.
class BenchFactory final : public PortFactory {
public:
    BenchFactory(Clock& clock) : clock_(clock) {}
    std::unique_ptr<MidiPort> makeMidiOut() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override
    {
        auto device = std::make_unique<FakeAudioDevice>();
        device_ = device.get();
        auto synth = std::make_unique<StreamedSoftSynth>(std::make_unique<FluidSampleSynth>(soundFontPath()),
                                                         std::move(device), clock_);
        streamed_ = synth.get();
        return std::make_unique<DirectMusicPort>(std::move(synth));
    }
    std::unique_ptr<MidiPort> makeFmSynth() override
    {
        auto device = std::make_unique<FakeAudioDevice>();
        device_ = device.get();
        auto port = std::make_unique<FmSynthPort>(std::move(device), clock_, std::make_unique<FmSynth>(),
                                                  executableDirectory() + "/fmstone.dat");
        fm_ = port.get();
        return port;
    }

    FakeAudioDevice* device_ = nullptr;
    StreamedSoftSynth* streamed_ = nullptr;
    FmSynthPort* fm_ = nullptr;

private:
    Clock& clock_;
};

void printQuantiles(const char* what, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    auto at = [&](double q) { return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1))]; };
    std::printf("%s: median %.1f  p99 %.1f  max %.1f\n", what, at(0.5), at(0.99), values.back());
}

int run(const Options& options)
{
    ManualClock clock(0);
    ManualTimer timer;
    BenchFactory factory(clock);
    PortSelector ports(factory);
    ChannelMonitor monitor(ports);
    SmfFile song;
    Sequencer sequencer(song, monitor, ports, timer);
    const bool opened = options.fm ? ports.selectFmSynth(100, 24, 6) : ports.selectDirectMusic(options.rate, options.effects);
    if (!opened) {
        std::fprintf(stderr, "bench_synth_callback: the %s synthesizer does not open\n", options.fm ? "FM" : "General MIDI");
        return 1;
    }
    if (!sequencer.startTimer() || !sequencer.load(options.song)) {
        std::fprintf(stderr, "bench_synth_callback: cannot load %s\n", options.song.c_str());
        return 1;
    }
    sequencer.play();
    // Where the rendered sound stands, in the synthesizer's own milliseconds.
    const auto renderedMs = [&]() -> uint32_t {
        return options.fm ? factory.fm_->scheduler().stream()->clock() : factory.streamed_->renderedUntilMs();
    };
    std::vector<double> callbacks;
    uint32_t mostQueued = 0;
    const uint32_t endMs = options.seconds * 1000;
    for (uint32_t ms = 0; ms < endMs; ms += Sequencer::tickPeriodMs) {
        clock.set(ms);
        if (sequencer.state() != PlayState::Playing) {
            sequencer.play();  // loop the song for the whole run
        }
        timer.fire();
        if (!options.fm) {
            mostQueued = std::max(mostQueued, factory.streamed_->pendingCount());
        }
        while (static_cast<int32_t>(renderedMs() - ms) < 0) {
            const double before = threadCpuMicroseconds();
            factory.device_->pump(1);
            callbacks.push_back(threadCpuMicroseconds() - before);
        }
    }
    sequencer.shutdown();
    if (callbacks.empty()) {
        std::fprintf(stderr, "bench_synth_callback: no callback ran\n");
        return 1;
    }
    const double blockMs = static_cast<double>(endMs) / static_cast<double>(callbacks.size());
    std::printf("%s, %u s of %s: %zu callbacks of %.1f ms (half: %.1f ms)\n",
                options.fm ? "FM synthesizer, 100 ms buffer, 24 voices"
                           : (std::string("General MIDI synthesizer at ") + std::to_string(options.rate) + " Hz, effects " +
                              (options.effects ? "on" : "off"))
                                 .c_str(),
                options.seconds, options.song.c_str(), callbacks.size(), blockMs, blockMs / 2);
    printQuantiles("callback CPU us", callbacks);
    if (!options.fm) {
        std::printf("most messages queued: %u of %u\n", mostQueued, StreamedSoftSynth::queueCapacity);
    }
    return 0;
}

}  // namespace
}  // namespace quorva

int main(int argc, char** argv)
{
    quorva::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--fm") {
            options.fm = true;
        } else if (word == "--effects") {
            options.effects = true;
        } else if (word == "--rate" && i + 1 < argc) {
            options.rate = std::atoi(argv[++i]);
        } else if (word == "--seconds" && i + 1 < argc) {
            options.seconds = static_cast<uint32_t>(std::max(1, std::atoi(argv[++i])));
        } else if (options.song.empty() && word.rfind("--", 0) != 0) {
            options.song = word;
        } else {
            options.song.clear();
            break;
        }
    }
    if (options.song.empty()) {
        std::fprintf(stderr, "usage: bench_synth_callback [--fm] [--rate HZ] [--effects] [--seconds S] SONG\n");
        return 1;
    }
    return quorva::run(options);
}
