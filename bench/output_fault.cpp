// What a lost MIDI destination costs the frame loop and the 5 ms timer thread. The program's
// own system MIDI out (RtMidi to a JACK destination, the built-in General MIDI synthesizer
// behind it) plays the song on the real timer thread, the main thread runs 60 frames a second
// that do what the program's frames do for the output (OutputWatch::betweenFrames), and after
// SECONDS_BEFORE the JACK server of the benchmark is killed with SIGKILL (with --close-client:
// the destination's jack_midi_dump client is ended instead, the server stays). Reported, before
// and after the fault: the frames' time in betweenFrames (median, p99, max, in µs), the longest
// gap between two frames, and the ticks' lateness against their 5 ms grid (when they started,
// when their work was done); then how long after the fault the user was told and the song
// went on elsewhere. Needs jackd2, and SDL's dummy audio driver for the built-in synthesizer.
//   bench_output_fault [--close-client] [SONG] [SECONDS_BEFORE] [SECONDS_AFTER]
#include "app/output_watch.h"
#include "platform/posix_clock.h"
#include "platform/rtmidi_port.h"
#include "ports/midi_mapper.h"
#include "ports/port_selector.h"
#include "program/general_midi_synth.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quorva {
namespace {

using Steady = std::chrono::steady_clock;

double microseconds(Steady::duration duration) { return std::chrono::duration<double, std::micro>(duration).count(); }

struct Options {
    std::string song = "data/demo.mid";
    int secondsBefore = 10;
    int secondsAfter = 10;
    bool closeClient = false;
};

// Ticks forwarded to the sequencer on the real timer thread; each one's start and end are
// kept against a 5 ms grid through the first tick, with the time it ran at.
class MeasuredTimer final : public PeriodicTimer {
public:
    struct Tick {
        double at;  // µs since the first tick
        double started;
        double done;
    };
    explicit MeasuredTimer(size_t capacity) { ticks.reserve(capacity); }
    bool start(uint32_t periodMs, std::function<void()> tick) override
    {
        return timer_.start(periodMs, [this, periodMs, tick = std::move(tick)] {
            const auto now = Steady::now();
            if (count_ == 0) {
                first_ = now;
            }
            const auto ideal = first_ + std::chrono::milliseconds(static_cast<int64_t>(periodMs) * static_cast<int64_t>(count_));
            ++count_;
            tick();
            if (ticks.size() < ticks.capacity()) {
                ticks.push_back({microseconds(now - first_), microseconds(now - ideal), microseconds(Steady::now() - ideal)});
            }
        });
    }
    void stop() override { timer_.stop(); }
    Steady::time_point first() const { return first_; }

    std::vector<Tick> ticks;  // read after stop()

private:
    ThreadPeriodicTimer timer_;
    Steady::time_point first_;
    uint64_t count_ = 0;
};

class MapperFactory final : public PortFactory {
public:
    explicit MapperFactory(Clock& clock) : clock_(clock) {}
    std::unique_ptr<MidiPort> makeMidiOut() override
    {
        auto mapper = std::make_unique<MidiMapperPort>(
            std::make_unique<RtMidiOutPort>(), std::make_unique<ImmediateSynthPort>(makeGeneralMidiSynth(clock_, nullptr)));
        mapper->setDeviceMaker([] { return std::make_unique<RtMidiOutPort>(false); });
        return mapper;
    }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return makeNull(); }

private:
    Clock& clock_;
};

// A process of the benchmark's, started by the shell and ended by its id.
pid_t launch(const std::string& command, const std::string& pidFile)
{
    const std::string line = "(" + command + " >/dev/null 2>&1 & echo $! >'" + pidFile + "')";
    if (std::system(line.c_str()) != 0) {
        return -1;
    }
    std::ifstream in(pidFile);
    long pid = -1;
    in >> pid;
    return static_cast<pid_t>(pid);
}

bool waitForPort(const std::string& server, const std::string& port)
{
    const std::string command = "JACK_DEFAULT_SERVER=" + server + " jack_lsp 2>/dev/null | grep -q '^" + port + "$'";
    for (int i = 0; i < 100; ++i) {
        if (std::system(command.c_str()) == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void printQuantiles(const char* what, std::vector<double> values)
{
    if (values.empty()) {
        std::printf("%s: none\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    auto at = [&](double q) { return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1))]; };
    std::printf("%s: median %.1f  p99 %.1f  max %.1f  (%zu)\n", what, at(0.5), at(0.99), values.back(), values.size());
}

struct Frame {
    Steady::time_point at;
    double workUs;
};

int run(const Options& options)
{
    const std::string server = "quorva-bench-" + std::to_string(getpid());
    const std::string client = "quorva-bench-dump-" + std::to_string(getpid());
    const std::string pidFile = "/tmp/" + server + ".pid";
    const pid_t jackd = launch("JACK_NO_AUDIO_RESERVATION=1 exec jackd -n " + server + " -d dummy -r 48000 -p 256", pidFile);
    if (jackd <= 0 || !waitForPort(server, "system:playback_1")) {
        std::fprintf(stderr, "bench_output_fault: jackd -d dummy did not start\n");
        return 1;
    }
    const pid_t dump = launch("JACK_DEFAULT_SERVER=" + server + " exec jack_midi_dump " + client, pidFile);
    if (dump <= 0 || !waitForPort(server, client + ":input")) {
        std::fprintf(stderr, "bench_output_fault: jack_midi_dump did not start\n");
        kill(jackd, SIGKILL);
        return 1;
    }
    setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    setenv(midiOutVariable, client.c_str(), 1);

    SystemClock clock;
    MapperFactory factory(clock);
    PortSelector ports(factory);
    ChannelMonitor monitor(ports);
    SmfFile song;
    const int seconds = options.secondsBefore + options.secondsAfter;
    MeasuredTimer timer(static_cast<size_t>(seconds) * 200 + 200);
    Sequencer sequencer(song, monitor, ports, timer);
    std::FILE* told = std::tmpfile();
    OutputWatch watch(ports, sequencer, clock, told);
    if (!ports.selectMidiOut() || static_cast<MidiMapperPort&>(ports.port()).route() != MidiMapperPort::Route::Device) {
        std::fprintf(stderr, "bench_output_fault: the JACK destination did not open\n");
        kill(dump, SIGKILL);
        kill(jackd, SIGKILL);
        return 1;
    }
    if (!sequencer.startTimer() || !sequencer.load(options.song)) {
        std::fprintf(stderr, "bench_output_fault: cannot start the timer or load %s\n", options.song.c_str());
        return 1;
    }
    sequencer.play();

    std::vector<Frame> frames;
    frames.reserve(static_cast<size_t>(seconds) * 70);
    const auto start = Steady::now();
    const auto faultAt = start + std::chrono::seconds(options.secondsBefore);
    const auto until = start + std::chrono::seconds(seconds);
    auto nextFrame = start;
    bool faulted = false;
    Steady::time_point toldAt{};
    while (Steady::now() < until) {
        if (!faulted && Steady::now() >= faultAt) {
            kill(options.closeClient ? dump : jackd, options.closeClient ? SIGTERM : SIGKILL);
            faulted = true;
        }
        if (sequencer.state() != PlayState::Playing) {
            sequencer.play();  // loop the song for the whole run
        }
        const long toldBefore = std::ftell(told);
        const auto before = Steady::now();
        watch.betweenFrames();
        const auto after = Steady::now();
        if (toldAt == Steady::time_point{} && std::ftell(told) != toldBefore) {
            toldAt = after;
        }
        frames.push_back({before, microseconds(after - before)});
        nextFrame += std::chrono::microseconds(16683);  // 59.94 Hz
        std::this_thread::sleep_until(nextFrame);
    }
    const std::string route = ports.port().outputName();
    sequencer.shutdown();
    ports.release();
    kill(dump, SIGKILL);
    kill(jackd, SIGKILL);

    std::vector<double> workBefore, workAfter, ticksStartedBefore, ticksStartedAfter, ticksDoneBefore, ticksDoneAfter;
    double gapBefore = 0, gapAfter = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const bool after = frames[i].at >= faultAt;
        (after ? workAfter : workBefore).push_back(frames[i].workUs);
        if (i > 0) {
            double& gap = after ? gapAfter : gapBefore;
            gap = std::max(gap, microseconds(frames[i].at - frames[i - 1].at));
        }
    }
    const double faultUs = microseconds(faultAt - timer.first());
    for (const auto& tick : timer.ticks) {
        const bool after = tick.at >= faultUs;
        (after ? ticksStartedAfter : ticksStartedBefore).push_back(tick.started);
        (after ? ticksDoneAfter : ticksDoneBefore).push_back(tick.done);
    }
    std::printf("fault: %s after %d s; %d s after it\n", options.closeClient ? "jack_midi_dump closed" : "jackd killed",
                options.secondsBefore, options.secondsAfter);
    printQuantiles("before: frame betweenFrames us", workBefore);
    std::printf("before: longest gap between frames: %.1f ms\n", gapBefore / 1000);
    printQuantiles("before: tick started late us", ticksStartedBefore);
    printQuantiles("before: tick done late us", ticksDoneBefore);
    printQuantiles("after:  frame betweenFrames us", workAfter);
    std::printf("after:  longest gap between frames: %.1f ms\n", gapAfter / 1000);
    printQuantiles("after:  tick started late us", ticksStartedAfter);
    printQuantiles("after:  tick done late us", ticksDoneAfter);
    if (toldAt != Steady::time_point{}) {
        std::printf("told %.0f ms after the fault; playing on: %s\n", microseconds(toldAt - faultAt) / 1000, route.c_str());
    } else {
        std::printf("nothing told; playing on: %s\n", route.c_str());
    }
    std::fclose(told);
    std::remove(pidFile.c_str());
    return 0;
}

}  // namespace
}  // namespace quorva

int main(int argc, char** argv)
{
    quorva::Options options;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--close-client") {
            options.closeClient = true;
        } else {
            rest.push_back(word);
        }
    }
    if (!rest.empty()) {
        options.song = rest[0];
    }
    if (rest.size() > 1) {
        options.secondsBefore = std::max(1, std::atoi(rest[1].c_str()));
    }
    if (rest.size() > 2) {
        options.secondsAfter = std::max(1, std::atoi(rest[2].c_str()));
    }
    return quorva::run(options);
}
