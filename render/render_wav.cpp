#include "render/render_wav.h"

#include "render/render_session.h"
#include "render/render_wav_options.h"
#include "render/wav_writer.h"
#include "synth/fm_synth.h"
#include "synth/fm_synth_port.h"

#include <cstdio>

namespace quorva {
namespace {

// Simulated system time at which the port opens and the song starts.
constexpr uint32_t simulatedStartMs = 1000000;
// The render ends at the latest this long after the song's stop.
constexpr uint32_t tailLimitMs = 10000;

// Makes the FM synth port on the WAV device; the other kinds are never chosen here.
class WavPortFactory final : public PortFactory {
public:
    WavPortFactory(WavAudioDevice& device, std::string tonesPath) : device_(device), tonesPath_(std::move(tonesPath)) {}
    std::unique_ptr<MidiPort> makeMidiOut() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeFmSynth() override
    {
        auto port = std::make_unique<FmSynthPort>(device_, *clock, std::make_unique<FmSynth>(), tonesPath_);
        made = port.get();
        return port;
    }

    Clock* clock = nullptr;
    FmSynthPort* made = nullptr;

private:
    WavAudioDevice& device_;
    std::string tonesPath_;
};

int fail(const std::string& message)
{
    std::fprintf(stderr, "quorva-render: %s\n", message.c_str());
    return 1;
}

// Where the messages come from: the sequencer's ticks, or a log of timed messages.
class MessageSource {
public:
    virtual ~MessageSource() = default;
    // Sends everything due at or before `clockMs`.
    virtual void runUntil(uint32_t clockMs) = 0;
    virtual bool stopped() const = 0;
    virtual uint32_t stopMs() const = 0;
};

class SongSource final : public MessageSource {
public:
    explicit SongSource(SimulatedPlayback& playback) : playback_(playback) {}
    void runUntil(uint32_t clockMs) override
    {
        while (!stopped_ && !timeBefore(clockMs, nextTick_)) {
            playback_.clock.set(nextTick_ - Sequencer::tickPeriodMs);
            playback_.tick();
            if (playback_.stopped()) {
                stopped_ = true;
                stopMs_ = nextTick_;
            }
            nextTick_ += Sequencer::tickPeriodMs;
        }
    }
    bool stopped() const override { return stopped_; }
    uint32_t stopMs() const override { return stopMs_; }

private:
    SimulatedPlayback& playback_;
    uint32_t nextTick_ = simulatedStartMs + Sequencer::tickPeriodMs;
    bool stopped_ = false;
    uint32_t stopMs_ = 0;
};

class LogSource final : public MessageSource {
public:
    LogSource(std::vector<LoggedMessage> messages, ManualClock& clock, MidiPort& port)
        : messages_(std::move(messages)), clock_(clock), port_(port)
    {
    }
    void runUntil(uint32_t clockMs) override
    {
        for (; next_ < messages_.size(); ++next_) {
            const LoggedMessage& message = messages_[next_];
            const uint32_t time = simulatedStartMs + message.timeMs;
            if (timeBefore(clockMs, time)) {
                break;
            }
            lastMs_ = time;
            clock_.set(time);
            send(message.bytes);
        }
    }
    bool stopped() const override { return next_ == messages_.size(); }
    uint32_t stopMs() const override { return lastMs_; }

private:
    void send(const std::vector<uint8_t>& bytes)
    {
        if (bytes.front() == 0xF0) {
            port_.sendLong(LongMessage{bytes.data(), static_cast<int32_t>(bytes.size())});
        } else {
            port_.sendShort(packShort(bytes[0], bytes[1], bytes.size() > 2 ? bytes[2] : 0));
        }
    }

    std::vector<LoggedMessage> messages_;
    ManualClock& clock_;
    MidiPort& port_;
    size_t next_ = 0;
    uint32_t lastMs_ = simulatedStartMs;
};

// Fills halves until the source has stopped, its last messages were applied and no voice
// sounds, or the stream's clock has run tailLimitMs past the stop.
bool pumpUntilSilent(MessageSource& source, FmSynthPort& port, ManualClock& clock, WavAudioDevice& device)
{
    SynthStream* stream = port.scheduler().stream();
    for (;;) {
        const uint32_t streamClock = stream->clock();
        source.runUntil(streamClock);
        clock.set(streamClock);  // the stream's clock keeps its own pace
        if (!device.pumpHalf()) {
            return false;
        }
        if (!source.stopped()) {
            continue;
        }
        const bool settled = port.scheduler().pendingCount() == 0 && !port.engine().sounding();
        if (settled || stream->clock() - source.stopMs() > tailLimitMs) {
            return true;
        }
    }
}

}  // namespace

int renderWav(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    std::string error;
    const auto common = takeCommonOptions(args, error);
    if (!common) {
        return fail(error);
    }
    const auto options = parseWavOptions(args, error);
    if (!options) {
        return fail(error);
    }
    std::optional<std::vector<LoggedMessage>> log;
    if (!options->eventsPath.empty()) {
        log = readEventLog(options->eventsPath, error);
        if (!log) {
            return fail(error);
        }
    }

    WavWriter writer;
    WavAudioDevice device(writer);
    WavPortFactory factory(device, options->tonesPath);
    SimulatedPlayback playback(factory, simulatedStartMs);
    factory.clock = &playback.clock;
    if (log == std::nullopt && !playback.load(options->songPath, error)) {
        return fail(error);
    }
    if (!writer.open(options->wavPath)) {
        return fail("cannot write " + options->wavPath);
    }
    playback.clock.set(simulatedStartMs);
    if (!playback.ports.selectFmSynth(options->bufferMs, options->voices, options->levelShift) || !factory.made) {
        return fail("cannot open the FM synthesizer with the tones of " + options->tonesPath);
    }
    FmSynthPort& port = *factory.made;

    std::unique_ptr<MessageSource> source;
    if (log) {
        source = std::make_unique<LogSource>(std::move(*log), playback.clock, port);
    } else {
        playback.applyOptions(*common);
        playback.play();
        source = std::make_unique<SongSource>(playback);
    }
    const bool written = pumpUntilSilent(*source, port, playback.clock, device);
    playback.sequencer.shutdown();
    playback.ports.release();
    if (!written || !writer.finish()) {
        return fail("cannot write " + options->wavPath);
    }
    return 0;
}

}  // namespace quorva
