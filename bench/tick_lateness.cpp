// Plays the demo song (or the song named) on the real 5 ms timer thread through the NULL
// port for 30 s (or the seconds given) and reports how late each tick ran against its ideal
// time: median, 99th percentile and maximum, in microseconds.
//   bench_tick_lateness [SONG] [SECONDS]
#include "platform/posix_clock.h"
#include "ports/port_selector.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "song/smf_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace quorva {

class NullFactory final : public PortFactory {
public:
    std::unique_ptr<MidiPort> makeMidiOut() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return makeNull(); }
};

// Forwards ticks to the sequencer and records when each one ran.
class MeasuredTimer final : public PeriodicTimer {
public:
    explicit MeasuredTimer(size_t capacity) { lateness.reserve(capacity); }
    bool start(uint32_t periodMs, std::function<void()> tick) override
    {
        return timer_.start(periodMs, [this, periodMs, tick = std::move(tick)] {
            const auto now = std::chrono::steady_clock::now();
            if (count_ == 0) {
                first_ = now;
            }
            const auto ideal = first_ + std::chrono::milliseconds(static_cast<int64_t>(periodMs) * static_cast<int64_t>(count_));
            ++count_;
            if (lateness.size() < lateness.capacity()) {
                lateness.push_back(std::chrono::duration<double, std::micro>(now - ideal).count());
            }
            tick();
        });
    }
    void stop() override { timer_.stop(); }

    std::vector<double> lateness;

private:
    ThreadPeriodicTimer timer_;
    std::chrono::steady_clock::time_point first_;
    uint64_t count_ = 0;
};

}  // namespace quorva

int main(int argc, char** argv)
{
    using namespace quorva;
    const std::string path = argc > 1 ? argv[1] : "data/demo.mid";
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    NullFactory factory;
    PortSelector ports(factory);
    ports.selectNull();
    ChannelMonitor monitor(ports);
    SmfFile song;
    MeasuredTimer timer(static_cast<size_t>(seconds) * 200 + 10);
    Sequencer sequencer(song, monitor, ports, timer);
    if (!sequencer.startTimer() || !sequencer.load(path)) {
        std::fprintf(stderr, "cannot start the timer or load %s\n", path.c_str());
        return 1;
    }
    sequencer.play();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (sequencer.state() != PlayState::Playing) {
            sequencer.play();  // loop the song for the whole run
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    sequencer.shutdown();
    auto lateness = timer.lateness;
    std::sort(lateness.begin(), lateness.end());
    if (lateness.empty()) {
        return 1;
    }
    auto at = [&](double q) { return lateness[static_cast<size_t>(q * static_cast<double>(lateness.size() - 1))]; };
    std::printf("ticks: %zu over %d s\nlateness us: median %.1f  p99 %.1f  max %.1f\n", lateness.size(), seconds, at(0.5),
                at(0.99), lateness.back());
    return 0;
}
