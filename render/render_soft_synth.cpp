#include "render/render_soft_synth.h"

#include "platform/fluid_sample_synth.h"
#include "platform/posix_clock.h"
#include "platform/rtmidi_port.h"
#include "ports/midi_mapper.h"
#include "ports/direct_music_port.h"
#include "render/render_session.h"
#include "render/render_wav_options.h"
#include "render/wav_writer.h"
#include "song/midi_event.h"
#include "synth/streamed_soft_synth.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace quorva {
namespace {

// Simulated time at which the port opens and the song starts in a WAV render.
constexpr uint32_t startMs = 1000000;
// After the song, the render goes on until this much silence, or at most tailLimitMs.
constexpr uint32_t silenceMs = 500;
constexpr uint32_t tailLimitMs = 10000;

int fail(const std::string& message)
{
    std::fprintf(stderr, "quorva-render: %s\n", message.c_str());
    return 1;
}

struct SoftSynthOptions {
    RenderOptions common;
    std::string songPath;
    std::string eventsPath;
    std::string wavPath;
    bool portLog = false;
    int32_t sampleRate = 22050;
    bool effects = false;
    bool rateOrEffectsGiven = false;
};

std::optional<SoftSynthOptions> parse(std::vector<std::string> args, std::string& error)
{
    SoftSynthOptions options;
    const auto common = takeCommonOptions(args, error);
    if (!common) {
        return std::nullopt;
    }
    options.common = *common;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--wav" || arg == "--sample-rate" || arg == "--effects" || arg == "--events-in";
        if (takesValue && i + 1 >= args.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string value = takesValue ? args[++i] : std::string();
        if (arg == "--wav") {
            options.wavPath = value;
        } else if (arg == "--events-in") {
            options.eventsPath = value;
        } else if (arg == "--port-log") {
            options.portLog = true;
        } else if (arg == "--sample-rate") {
            if (value != "11025" && value != "22050" && value != "44100") {
                error = "--sample-rate must be one of 11025 22050 44100";
                return std::nullopt;
            }
            options.sampleRate = std::stoi(value);
            options.rateOrEffectsGiven = true;
        } else if (arg == "--effects") {
            if (value != "0" && value != "1") {
                error = "--effects must be 0 or 1";
                return std::nullopt;
            }
            options.effects = value == "1";
            options.rateOrEffectsGiven = true;
        } else if (arg.rfind("--", 0) == 0 || !options.songPath.empty()) {
            error = "unexpected argument " + arg;
            return std::nullopt;
        } else {
            options.songPath = arg;
        }
    }
    if (options.songPath.empty() && options.eventsPath.empty()) {
        error = "no song given";
        return std::nullopt;
    }
    if (!options.songPath.empty() && !options.eventsPath.empty()) {
        error = "give either a song or --events-in LOG";
        return std::nullopt;
    }
    return options;
}

// Makes the port under test for the kind the selection asks for; nothing for the others.
class OneKindFactory final : public PortFactory {
public:
    using Maker = std::function<std::unique_ptr<MidiPort>()>;
    Maker softSynth;
    Maker midiOut;
    std::unique_ptr<MidiPort> makeMidiOut() override { return midiOut ? midiOut() : makeNull(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return softSynth ? softSynth() : makeNull(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return makeNull(); }
};

// Prints what the port hands over instead of playing it. Its latency clock is the
// simulated clock; its collection is the SoundFont's.
class LoggingSoftSynth final : public SoftSynth {
public:
    LoggingSoftSynth(Clock& clock, std::string soundFont) : clock_(clock), soundFont_(std::move(soundFont)) {}
    bool open(int32_t, bool) override
    {
        presets_ = soundFontPresets(soundFont_);
        return !presets_.empty();
    }
    void close() override {}
    std::vector<SoftSynthPreset> presets() const override { return presets_; }
    uint32_t latencyClockMs() override { return clock_.nowMs(); }
    void playShort(uint32_t stampMs, uint32_t message) override
    {
        const uint8_t bytes[3] = {static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8),
                                  static_cast<uint8_t>(message >> 16)};
        print(stampMs, 1, bytes, static_cast<uint32_t>(shortMessageLength(message)));
    }
    void playLong(uint32_t stampMs, const uint8_t* bytes, uint32_t length) override { print(stampMs, 0, bytes, length); }

private:
    static void print(uint32_t stamp, int group, const uint8_t* bytes, uint32_t length)
    {
        std::printf("%u %d", stamp, group);
        for (uint32_t i = 0; i < length; ++i) {
            std::printf(" %02x", bytes[i]);
        }
        std::putchar('\n');
    }

    Clock& clock_;
    std::string soundFont_;
    std::vector<SoftSynthPreset> presets_;
};

std::string noSoundFont()
{
    const std::string path = soundFontPath();
    return path.empty() ? "no General MIDI SoundFont (install fluid-soundfont-gm or set " +
                              std::string(soundFontVariable) + ")"
                        : "cannot open the SoundFont " + path;
}

// Sends every message due at or before a time; true once nothing more will come, with the
// time of the last one in `stopMs`.
using MessageFeed = std::function<bool(uint32_t untilMs, uint32_t& stopMs)>;

// The song's ticks, as the sequencer plays them.
MessageFeed songFeed(SimulatedPlayback& playback)
{
    return [&playback, nextTick = startMs + Sequencer::tickPeriodMs](uint32_t untilMs, uint32_t& stopMs) mutable {
        while (!timeBefore(untilMs, nextTick)) {
            playback.clock.set(nextTick - Sequencer::tickPeriodMs);
            playback.tick();
            if (playback.stopped()) {
                stopMs = nextTick;
                return true;
            }
            nextTick += Sequencer::tickPeriodMs;
        }
        return false;
    };
}

// The messages of an --events log, each sent at startMs + its time.
MessageFeed logFeed(std::vector<LoggedMessage> log, SimulatedPlayback& playback)
{
    return [&playback, log = std::move(log), next = size_t{0}](uint32_t untilMs, uint32_t& stopMs) mutable {
        for (; next < log.size() && !timeBefore(untilMs, startMs + log[next].timeMs); ++next) {
            const std::vector<uint8_t>& bytes = log[next].bytes;
            stopMs = startMs + log[next].timeMs;
            playback.clock.set(stopMs);
            if (bytes.front() == 0xF0) {
                // The port knows a reset by the kind the song's decoder gives it.
                playback.ports.port().sendLong(LongMessage{bytes.data(), static_cast<int32_t>(bytes.size()),
                                                           classifySysex(bytes.data(), bytes.size())});
            } else {
                playback.ports.port().sendShort(packShort(bytes[0], bytes[1], bytes.size() > 2 ? bytes[2] : 0));
            }
        }
        return next == log.size();
    };
}

// Sends the messages up to each block's time, then renders the block, until the feed has
// stopped, its messages have played and the sound has died away.
bool pumpSong(const MessageFeed& feed, ManualClock& clock, StreamedSoftSynth& synth, WavAudioDevice& device)
{
    uint32_t stopMs = startMs;
    uint32_t silentSince = 0;
    bool stopped = false;
    for (;;) {
        const uint32_t end = synth.renderedUntilMs();
        stopped = stopped || feed(end, stopMs);
        clock.set(end);
        if (!device.pumpHalf()) {
            return false;
        }
        if (!stopped || synth.pendingCount() > 0) {
            continue;
        }
        silentSince = device.lastHalfSilent() ? (silentSince ? silentSince : end) : 0;
        const uint32_t now = synth.renderedUntilMs();
        if ((silentSince && now - silentSince >= silenceMs) || now - stopMs > tailLimitMs) {
            return true;
        }
    }
}

}  // namespace

int renderSoftSynthWav(const std::vector<std::string>& args, bool mapper)
{
    std::string error;
    auto options = parse(args, error);
    if (!options) {
        return fail(error);
    }
    if (mapper && options->rateOrEffectsGiven) {
        return fail("--sample-rate and --effects apply to --output ms-ss");
    }
    std::optional<std::vector<LoggedMessage>> log;
    if (!options->eventsPath.empty()) {
        log = readEventLog(options->eventsPath, error);
        if (!log) {
            return fail(error);
        }
    }
    WavWriter writer;
    auto ownedDevice = std::make_unique<WavAudioDevice>(writer);
    WavAudioDevice& device = *ownedDevice;
    OneKindFactory factory;
    SimulatedPlayback playback(factory, startMs);
    auto synth = std::make_unique<StreamedSoftSynth>(std::make_unique<FluidSampleSynth>(soundFontPath()),
                                                     std::move(ownedDevice), playback.clock);
    StreamedSoftSynth& stream = *synth;
    if (mapper) {
        factory.midiOut = [&] { return std::make_unique<ImmediateSynthPort>(std::move(synth)); };
    } else {
        factory.softSynth = [&] { return std::make_unique<DirectMusicPort>(std::move(synth)); };
    }
    if (!log && !playback.load(options->songPath, error)) {
        return fail(error);
    }
    if (!writer.open(options->wavPath)) {
        return fail("cannot write " + options->wavPath);
    }
    playback.clock.set(startMs);
    const bool opened = mapper ? playback.ports.selectMidiOut()
                               : playback.ports.selectDirectMusic(options->sampleRate, options->effects);
    if (!opened) {
        return fail(noSoundFont());
    }
    MessageFeed feed;
    if (log) {
        feed = logFeed(std::move(*log), playback);
    } else {
        playback.applyOptions(options->common);
        playback.play();
        feed = songFeed(playback);
    }
    const bool written = pumpSong(feed, playback.clock, stream, device);
    playback.sequencer.shutdown();
    playback.ports.release();
    if (!written || !writer.finish()) {
        return fail("cannot write " + options->wavPath);
    }
    return 0;
}

int printPortLog(const std::vector<std::string>& args)
{
    std::string error;
    auto options = parse(args, error);
    if (!options) {
        return fail(error);
    }
    if (!options->eventsPath.empty()) {
        return fail("--events-in needs --wav");
    }
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    OneKindFactory factory;
    SimulatedPlayback playback(factory, 0);
    factory.softSynth = [&] {
        return std::make_unique<DirectMusicPort>(std::make_unique<LoggingSoftSynth>(playback.clock, soundFontPath()));
    };
    if (!playback.load(options->songPath, error)) {
        return fail(error);
    }
    if (!playback.ports.selectDirectMusic(options->sampleRate, options->effects)) {
        return fail(noSoundFont());
    }
    playback.applyOptions(options->common);
    playback.play();
    while (!playback.stopped()) {
        playback.tick();
    }
    playback.sequencer.shutdown();
    playback.ports.release();
    std::fflush(stdout);
    return 0;
}

int playThroughMidiOut(const std::vector<std::string>& args, const GeneralMidiSynthMaker& makeGeneralMidiSynth)
{
    std::string error;
    auto options = parse(args, error);
    if (!options) {
        return fail(error);
    }
    if (options->rateOrEffectsGiven || !options->wavPath.empty() || options->portLog || !options->eventsPath.empty()) {
        return fail("--output mm-out plays in real time; it takes only --speed and --transpose");
    }
    SystemClock clock;
    OneKindFactory factory;
    MidiMapperPort* mapper = nullptr;
    factory.midiOut = [&] {
        auto port = std::make_unique<MidiMapperPort>(std::make_unique<RtMidiOutPort>(),
                                                     std::make_unique<ImmediateSynthPort>(makeGeneralMidiSynth(clock)));
        mapper = port.get();
        return port;
    };
    SimulatedPlayback playback(factory, 0);
    if (!playback.load(options->songPath, error)) {
        return fail(error);
    }
    if (!playback.ports.selectMidiOut()) {
        return fail("midiport create error: no MIDI destination and no General MIDI synthesizer");
    }
    playback.applyOptions(options->common);
    playback.play();
    // The sequencer's clock is simulated; the ticks are paced by the real one.
    auto deadline = std::chrono::steady_clock::now();
    while (!playback.stopped()) {
        deadline += std::chrono::milliseconds(Sequencer::tickPeriodMs);
        std::this_thread::sleep_until(deadline);
        playback.tick();
    }
    playback.sequencer.shutdown();
    // Let the last notes ring (built-in synthesizer) or the last bytes leave (device).
    std::this_thread::sleep_for(std::chrono::milliseconds(mapper->route() == MidiMapperPort::Route::BuiltIn ? 1500 : 300));
    playback.ports.release();
    return 0;
}

int listMidiOut()
{
    for (const MidiDestination& destination : listMidiDestinations(true)) {
        std::printf("%s: %s\n", destination.service.c_str(), destination.name.c_str());
    }
    std::string wanted;
    bool wantedFound = false;
    const auto chosen = chosenMidiDestination(wanted, wantedFound);
    if (!wanted.empty() && !wantedFound) {
        std::printf("%s=\"%s\" matches no destination\n", midiOutVariable, wanted.c_str());
    }
    if (chosen) {
        std::printf("chosen: %s: %s\n", chosen->service.c_str(), chosen->name.c_str());
    } else if (const std::string path = soundFontPath(); !path.empty()) {
        std::printf("chosen: built-in General MIDI synthesizer (%s)\n", path.c_str());
    } else {
        std::printf("chosen: none (no destination and no SoundFont)\n");
    }
    return 0;
}

}  // namespace quorva
