// Plays the demo song (or the song named) on the real 5 ms timer thread through the NULL
// port for 30 s (or the seconds given) and reports how late each tick ran against its ideal
// time: when it started, and when its work (the events played, the notes aged) was done;
// median, 99th percentile and maximum, in microseconds. The ideal times lie on a 5 ms grid
// through the tick that started earliest against it. Before each tick it also takes and drops
// the sequencer's lock and reports how long that took: what a tick waits while another thread
// (a frame's drawing, a control's sending) holds the lock.
// With --page MODE the real main screen (skin and data files from beside the executable)
// updates and draws that page (the tabs' modes: 1 KB.FULL, 2 KB.HALF, 3 KB.FLOW7, 4 KB.FLOW12,
// 5 DRUM FLOW, 6 OPTION) at 60 fps on the main thread meanwhile, as the program does. The
// frames come at 59.94 Hz (a common display rate), so that they drift across the 5 ms ticks and
// meet them at every phase, once every 5 s: at exactly 60 Hz three frames take exactly ten
// ticks, and a run would keep whatever phase it started with.
// Each frame's cost is reported twice: the wall time from its start to its end, and the CPU
// time of the frame's thread meanwhile (the wall time less the time the thread was not running,
// which on a shared machine is often most of a slow frame); and the frames that started a
// whole frame period or more after their deadline, as the display would have shown the
// previous picture again.
// With --load MS SONG2 (and --page) the song loader is asked for SONG2 at MS milliseconds, as
// a drop or a hand-off asks it; the frames meanwhile are reported apart, with the load's time.
// With --seek-every MS the main thread (the frames' thread with --page) moves playback to a
// pseudo-random point of the song every MS milliseconds, as a user releasing the progress bar
// again and again does, and the seeks' durations are reported too.
//   bench_tick_lateness [--page MODE] [--seek-every MS] [--load MS SONG2] [SONG] [SECONDS]
#include "app/song_loader.h"
#include "platform/background_thread.h"
#include "platform/posix_clock.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"
#include "render/screen_session.h"

#if QUORVA_BENCH_TTF
#include "platform/ttf_text.h"
#endif

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace quorva {
namespace {

using Steady = std::chrono::steady_clock;

class NullFactory final : public PortFactory {
public:
    std::unique_ptr<MidiPort> makeMidiOut() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return makeNull(); }
};

double microseconds(Steady::duration duration) { return std::chrono::duration<double, std::micro>(duration).count(); }

double threadCpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Forwards ticks to the sequencer on the real timer thread and records, for each, when it
// started and when it was done against a 5 ms grid through the first tick's start, and how long
// the sequencer's lock took to take just before.
class MeasuredTimer final : public PeriodicTimer {
public:
    explicit MeasuredTimer(size_t capacity)
    {
        started.reserve(capacity);
        done.reserve(capacity);
        lockWait.reserve(capacity);
    }
    bool start(uint32_t periodMs, std::function<void()> tick) override
    {
        return timer_.start(periodMs, [this, periodMs, tick = std::move(tick)] {
            const auto now = Steady::now();
            if (count_ == 0) {
                first_ = now;
                int policy = 0;
                sched_param param{};
                realTime_.store(pthread_getschedparam(pthread_self(), &policy, &param) == 0 && policy == SCHED_FIFO);
            }
            const auto ideal = first_ + std::chrono::milliseconds(static_cast<int64_t>(periodMs) * static_cast<int64_t>(count_));
            ++count_;
            sequencerLock->lock();
            const auto locked = Steady::now();
            sequencerLock->unlock();
            tick();
            if (started.size() < started.capacity()) {
                started.push_back(microseconds(now - ideal));
                done.push_back(microseconds(Steady::now() - ideal));
                lockWait.push_back(microseconds(locked - now));
            }
        });
    }
    void stop() override { timer_.stop(); }
    bool realTime() const { return realTime_.load(); }

    // Read after stop().
    std::vector<double> started;
    std::vector<double> done;
    std::vector<double> lockWait;
    std::mutex* sequencerLock = nullptr;  // set before start()

private:
    ThreadPeriodicTimer timer_;
    Steady::time_point first_;
    uint64_t count_ = 0;
    std::atomic<bool> realTime_{false};
};

void printQuantiles(const char* what, std::vector<double> values);

struct Options {
    std::string song = "data/demo.mid";
    int seconds = 30;
    int page = 0;  // 0: no frames
    int seekEveryMs = 0;  // 0: no seeks
    int loadAtMs = -1;    // -1: no load
    std::string loadSong;
};

// Asks the song loader for the second song when its time comes, and keeps the frames drawn
// while it loads.
class LoadWatch {
public:
    LoadWatch(const Options& options, ScreenSession& session)
        : options_(options), spare_(&session.messages), loader_(session.sequencer, spare_, nullptr)
    {
        loader_.setThreadStart(lowerThreadPriority);
        loader_.setAfterClear(returnFreedMemory);
        session.mainScreen.setSongLoader(&loader_);
        frames.reserve(static_cast<size_t>(options.seconds) * 60 + 10);
        frameCpu.reserve(frames.capacity());
    }
    // Before a frame: asks for the song when due, and plays it once loaded.
    void beforeFrame(Steady::time_point start)
    {
        if (options_.loadAtMs >= 0 && !asked_ && Steady::now() - start >= std::chrono::milliseconds(options_.loadAtMs)) {
            asked_ = true;
            askedAt_ = Steady::now();
            if (loader_.load(options_.loadSong)) {
                loadedMs_ = 0;  // loaded at once, on this thread
            }
        }
        if (const auto outcome = loader_.finish()) {
            loadedMs_ = *outcome ? microseconds(Steady::now() - askedAt_) / 1000 : -1;
        }
        during_ = loader_.loading();
    }
    void afterFrame(double wallUs, double cpuUs, bool late)
    {
        if (during_) {
            frames.push_back(wallUs);
            frameCpu.push_back(cpuUs);
            lateFrames += late ? 1 : 0;
        }
    }
    void report() const
    {
        if (options_.loadAtMs < 0) {
            return;
        }
        std::printf("load of %s: %s\n", options_.loadSong.c_str(),
                    loadedMs_ > 0    ? ("played after " + std::to_string(static_cast<int>(loadedMs_)) + " ms").c_str()
                    : loadedMs_ == 0 ? "loaded at once on the frame's thread"
                                     : "failed or unfinished");
        std::printf("frames while loading: %zu, %zu started a period or more late\n", frames.size(), lateFrames);
        if (!frames.empty()) {
            printQuantiles("frame while loading us", frames);
            printQuantiles("frame thread CPU while loading us", frameCpu);
        }
    }

    std::vector<double> frames;
    std::vector<double> frameCpu;
    size_t lateFrames = 0;

private:
    const Options& options_;
    SmfFile spare_;
    SongLoader loader_;
    bool asked_ = false;
    bool during_ = false;
    Steady::time_point askedAt_;
    double loadedMs_ = -1;
};

// Seeks to pseudo-random points of the song (the same ones on every run) when their time
// comes, and keeps how long each took.
class Seeker {
public:
    Seeker(const Options& options, Steady::time_point start)
        : everyMs_(options.seekEveryMs), next_(start + std::chrono::milliseconds(options.seekEveryMs))
    {
        durations.reserve(everyMs_ > 0 ? static_cast<size_t>(options.seconds) * 1000 / static_cast<size_t>(everyMs_) + 10 : 0);
    }
    void seekIfDue(Sequencer& sequencer, uint32_t endMs)
    {
        if (everyMs_ <= 0 || Steady::now() < next_) {
            return;
        }
        next_ += std::chrono::milliseconds(everyMs_);
        const uint32_t target = std::uniform_int_distribution<uint32_t>(0, endMs > 0 ? endMs - 1 : 0)(random_);
        const auto before = Steady::now();
        sequencer.seekToMs(target);
        durations.push_back(microseconds(Steady::now() - before));
    }
    void report() const
    {
        if (everyMs_ <= 0) {
            return;
        }
        std::printf("seeks every %d ms: %zu\n", everyMs_, durations.size());
        if (!durations.empty()) {
            printQuantiles("seek us", durations);
        }
    }

    std::vector<double> durations;

private:
    int everyMs_;
    Steady::time_point next_;
    std::mt19937 random_{20261208};
};

void printQuantiles(const char* what, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    auto at = [&](double q) { return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1))]; };
    std::printf("%s: median %.1f  p99 %.1f  max %.1f\n", what, at(0.5), at(0.99), values.back());
}

int report(const Options& options, const MeasuredTimer& timer)
{
    if (timer.started.empty()) {
        std::fprintf(stderr, "bench_tick_lateness: no tick ran\n");
        return 1;
    }
    // The first tick may itself have started late; the earliest one is taken as on time.
    const double onTime = *std::min_element(timer.started.begin(), timer.started.end());
    auto lateness = [onTime](std::vector<double> times) {
        for (double& time : times) {
            time -= onTime;
        }
        return times;
    };
    std::printf("ticks: %zu over %d s (timer thread %s)\n", timer.started.size(), options.seconds,
                timer.realTime() ? "at real-time priority" : "at normal priority");
    printQuantiles("lateness us, tick started", lateness(timer.started));
    printQuantiles("lateness us, tick done", lateness(timer.done));
    printQuantiles("lock wait us", timer.lockWait);
    return 0;
}

// The sequencer on the measured timer, nothing else running.
int runAlone(const Options& options)
{
    NullFactory factory;
    PortSelector ports(factory);
    ports.selectNull();
    ChannelMonitor monitor(ports);
    SmfFile song;
    MeasuredTimer timer(static_cast<size_t>(options.seconds) * 200 + 10);
    Sequencer sequencer(song, monitor, ports, timer);
    timer.sequencerLock = &sequencer.lock();
    if (!sequencer.startTimer() || !sequencer.load(options.song)) {
        std::fprintf(stderr, "cannot start the timer or load %s\n", options.song.c_str());
        return 1;
    }
    sequencer.play();
    const auto start = Steady::now();
    const auto until = start + std::chrono::seconds(options.seconds);
    Seeker seeker(options, start);
    while (Steady::now() < until) {
        if (sequencer.state() != PlayState::Playing) {
            sequencer.play();  // loop the song for the whole run
        }
        seeker.seekIfDue(sequencer, song.endMs());
        std::this_thread::sleep_for(std::chrono::milliseconds(options.seekEveryMs > 0 ? 5 : 50));
    }
    sequencer.shutdown();
    const int result = report(options, timer);
    if (result == 0) {
        seeker.report();
    }
    return result;
}

std::string executableDirectory()
{
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path().string();
}

// The screen session's sequencer, fired by the measured timer's thread, while this thread
// runs the session's frames at 60 fps on the session's clock set to the time since the start.
int runWithScreen(const Options& options)
{
    std::unique_ptr<TextRenderer> text;
#if QUORVA_BENCH_TTF
    auto ttf = std::make_unique<TtfTextRenderer>();
    if (ttf->open()) {
        text = std::move(ttf);
    }
#endif
    auto session = std::make_unique<ScreenSession>(executableDirectory(), text.get());
    std::string error;
    if (!session->open(error) || !session->loadAndPlay(options.song, error)) {
        std::fprintf(stderr, "bench_tick_lateness: %s\n", error.c_str());
        return 1;
    }
    session->mainScreen.setMode(static_cast<uint8_t>(options.page));
    MeasuredTimer timer(static_cast<size_t>(options.seconds) * 200 + 10);
    timer.sequencerLock = &session->sequencer.lock();
    ManualTimer& sessionTimer = session->timer;
    // The ticks come from the measured timer's thread: a seek here must halt them as it halts
    // the real timer's.
    sessionTimer.firedOnAnotherThread = true;
    if (!timer.start(Sequencer::tickPeriodMs, [&sessionTimer] { sessionTimer.fire(); })) {
        std::fprintf(stderr, "bench_tick_lateness: cannot start the timer\n");
        return 1;
    }
    const auto framePeriod = std::chrono::nanoseconds(1001000000 / 60);
    const auto start = Steady::now();
    const auto until = start + std::chrono::seconds(options.seconds);
    std::vector<double> frames;
    std::vector<double> frameCpu;
    frames.reserve(static_cast<size_t>(options.seconds) * 60 + 10);
    frameCpu.reserve(frames.capacity());
    size_t lateFrames = 0;
    Seeker seeker(options, start);
    LoadWatch load(options, *session);
    for (auto deadline = start; deadline < until; deadline += framePeriod) {
        std::this_thread::sleep_until(deadline);
        const auto frameStart = Steady::now();
        const double cpuStart = threadCpuMicroseconds();
        const bool late = frameStart - deadline >= framePeriod;
        lateFrames += late ? 1 : 0;
        load.beforeFrame(start);
        const auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(frameStart - start);
        session->clock.set(static_cast<uint32_t>(sinceStart.count()));
        if (session->sequencer.state() != PlayState::Playing) {
            session->sequencer.play();  // loop the song for the whole run
        }
        seeker.seekIfDue(session->sequencer, session->sequencer.song().endMs());
        session->frame();
        frames.push_back(microseconds(Steady::now() - frameStart));
        frameCpu.push_back(threadCpuMicroseconds() - cpuStart);
        load.afterFrame(frames.back(), frameCpu.back(), late);
    }
    timer.stop();
    sessionTimer.firedOnAnotherThread = false;
    const int result = report(options, timer);
    if (result == 0) {
        std::printf("frames of page %d: %zu, %zu started a period or more late\n", options.page, frames.size(),
                    lateFrames);
        printQuantiles("frame (update and draw) us", frames);
        printQuantiles("frame thread CPU us", frameCpu);
        seeker.report();
        load.report();
    }
    return result;
}

}  // namespace
}  // namespace quorva

int main(int argc, char** argv)
{
    using namespace quorva;
    Options options;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--page" && i + 1 < argc) {
            options.page = std::atoi(argv[++i]);
            if (options.page < 1 || options.page > 6) {
                std::fprintf(stderr, "bench_tick_lateness: --page takes a tab's mode, 1 to 6\n");
                return 1;
            }
        } else if (word == "--seek-every" && i + 1 < argc) {
            options.seekEveryMs = std::atoi(argv[++i]);
            if (options.seekEveryMs < 1) {
                std::fprintf(stderr, "bench_tick_lateness: --seek-every takes milliseconds, 1 or more\n");
                return 1;
            }
        } else if (word == "--load" && i + 2 < argc) {
            options.loadAtMs = std::max(0, std::atoi(argv[++i]));
            options.loadSong = argv[++i];
        } else {
            rest.push_back(word);
        }
    }
    if (rest.size() > 2) {
        std::fprintf(stderr, "usage: bench_tick_lateness [--page MODE] [--seek-every MS] [--load MS SONG2] [SONG] [SECONDS]\n");
        return 1;
    }
    if (!rest.empty()) {
        options.song = rest[0];
    }
    if (rest.size() > 1) {
        options.seconds = std::max(1, std::atoi(rest[1].c_str()));
    }
    return options.page == 0 ? runAlone(options) : runWithScreen(options);
}
