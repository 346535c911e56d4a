// quorva-render: plays a song through the real sequencer in simulated time and prints what
// it sends, the song's values, or (with --wav) what the FM synthesizer makes of it.
#include "base/program_version.h"
#include "render/render_screen.h"
#include "render/render_session.h"

#if __has_include("render/render_wav.h")
#include "render/render_wav.h"
#define QUORVA_HAS_WAV 1
#endif

#ifdef QUORVA_HAS_SOFT_SYNTH
#include "program/general_midi_synth.h"
#include "render/render_soft_synth.h"
#endif

#ifdef QUORVA_HAS_VIDEO
#include "render/render_video.h"
#endif

#if QUORVA_RENDER_TTF
#include "platform/ttf_text.h"
#endif
#if QUORVA_RENDER_GDI
#include "platform/win32/gdi_text.h"
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorva {
namespace {

// Prints every message as "ms hex hex ...", the time relative to the start of play.
class PrintingPort final : public MidiPort {
public:
    PrintingPort(Clock& clock, uint32_t startMs, std::FILE* out) : clock_(clock), startMs_(startMs), out_(out) {}

    void sendShort(uint32_t message) override
    {
        const int length = shortMessageLength(message);
        const uint8_t bytes[3] = {static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8),
                                  static_cast<uint8_t>(message >> 16)};
        print(bytes, length);
    }
    void sendLong(const LongMessage& message) override
    {
        if (message.data && message.length > 0) {
            print(message.data, message.length);
        }
    }

private:
    void print(const uint8_t* bytes, int length)
    {
        std::fprintf(out_, "%u", clock_.nowMs() - startMs_);
        for (int i = 0; i < length; ++i) {
            std::fprintf(out_, " %02x", bytes[i]);
        }
        std::fputc('\n', out_);
    }

    Clock& clock_;
    uint32_t startMs_;
    std::FILE* out_;
};

// Makes printing ports for every kind; `clock` is the playback's, set once it exists.
class PrintingFactory final : public PortFactory {
public:
    explicit PrintingFactory(std::FILE* out) : out_(out) {}
    std::unique_ptr<MidiPort> makeMidiOut() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeSoftSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeFmSynth() override { return makeNull(); }
    std::unique_ptr<MidiPort> makeNull() override { return std::make_unique<PrintingPort>(*clock, 0, out_); }

    Clock* clock = nullptr;

private:
    std::FILE* out_;
};

std::string escaped(const char* text)
{
    std::string out;
    for (const char* c = text ? text : ""; *c; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            out += static_cast<char>(byte);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    return out;
}

void printInfo(const SmfFile& song)
{
    std::printf("format: %u\ndivision: %u\nevents: %zu\nendMs: %u\nendTick: %u\nmeasureCount: %u\n", song.format(),
                song.division(), song.events().size(), song.endMs(), song.endTick(), song.measureCount());
    std::printf("title: %s\nnotice: %s\n", escaped(song.title()).c_str(), escaped(song.notice()).c_str());
    for (const TempoEvent* tempo = song.firstTempo(); tempo; tempo = tempo->next) {
        std::printf("tempo: %u %u %u\n", tempo->tick, tempo->tempo, tempo->startMs);
    }
    for (const TimeSignatureEvent* meter = song.firstTimeSignature(); meter; meter = meter->next) {
        std::printf("timesig: %u %u %u %u\n", meter->tick, meter->numerator, meter->denominatorPower, meter->measure);
    }
}

// Asked for with --help, the usage goes to standard output; otherwise it tells of an error.
void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: quorva-render SONG (--info | --events [--seek MS]) [--speed X] [--transpose N]\n"
                 "       quorva-render (SONG | --events-in LOG) --wav OUT.wav [--output fm] [--tones FILE] [--voices N]\n"
                 "                     [--level-shift S] [--buffer-ms M] [--speed X] [--transpose N]\n"
                 "       quorva-render (SONG | --events-in LOG) --output ms-ss --wav OUT.wav\n"
                 "                     [--sample-rate 11025|22050|44100] [--effects 0|1] [--speed X] [--transpose N]\n"
                 "       quorva-render SONG --output ms-ss --port-log [--speed X] [--transpose N]\n"
                 "       quorva-render SONG --output mm-out [--wav OUT.wav] [--speed X] [--transpose N]\n"
                 "       quorva-render --list-midi-out\n"
                 "       quorva-render SONG --screen OUT.bmp --at MS [--mode N] [--input SCRIPT] [--speed X]\n"
                 "                     [--transpose N]\n"
                 "       quorva-render SONG --video OUT.mp4|.mkv|.webm [--mode N] [--output fm|ms-ss] [--fps 30|60]\n"
                 "                     [--scale 1|2|3] [--from MS] [--to MS] [--input SCRIPT] [--speed X]\n"
                 "                     [--transpose N]\n"
                 "       quorva-render --help | --version\n");
}

int usage()
{
    printUsage(stderr);
    return 1;
}

// The song texts of --screen are drawn with the player's font (TrueType on Linux, GDI on Windows) where the build has
// it and the font is installed.
std::unique_ptr<TextRenderer> openTextFont()
{
#if QUORVA_RENDER_TTF
    auto ttf = std::make_unique<TtfTextRenderer>();
    if (ttf->open()) {
        return ttf;
    }
#endif
#if QUORVA_RENDER_GDI
    auto gdi = std::make_unique<GdiTextRenderer>();
    if (gdi->open()) {
        return gdi;
    }
#endif
    return nullptr;
}

[[maybe_unused]] int unavailable(const char* what)
{
    std::fprintf(stderr, "quorva-render: this build has no %s\n", what);
    return 1;
}

// Takes "--output KIND" out of `args`; empty when not given, "?" when malformed.
std::string takeOutput(std::vector<std::string>& args)
{
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--output") {
            output = i + 1 < args.size() ? args[i + 1] : "?";
            args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(std::min(i + 2, args.size())));
            break;
        }
    }
    return output;
}

int run(std::vector<std::string> args)
{
    const auto has = [&](const char* flag) { return std::find(args.begin(), args.end(), flag) != args.end(); };
    if (has("--help")) {
        printUsage(stdout);
        return 0;
    }
    if (has("--version")) {
        std::fputs(versionText("quorva-render").c_str(), stdout);
        return 0;
    }
    if (has("--screen")) {
        return renderScreen(args, openTextFont);
    }
    if (has("--video")) {
#ifdef QUORVA_HAS_VIDEO
        return renderVideo(args, openTextFont);
#else
        return unavailable("video export");
#endif
    }
    if (has("--list-midi-out")) {
#ifdef QUORVA_HAS_SOFT_SYNTH
        return args.size() == 1 ? listMidiOut() : usage();
#else
        return unavailable("MIDI out");
#endif
    }
    const std::string output = takeOutput(args);
    if (output != "" && output != "fm" && output != "ms-ss" && output != "mm-out" && output != "null") {
        std::fprintf(stderr, "quorva-render: --output must be one of fm ms-ss mm-out null\n");
        return 1;
    }
    const bool wav = has("--wav");
    const bool portLog = has("--port-log");
    if (portLog && output != "ms-ss") {
        std::fprintf(stderr, "quorva-render: --port-log needs --output ms-ss\n");
        return 1;
    }
    if (output == "ms-ss" || output == "mm-out") {
#ifdef QUORVA_HAS_SOFT_SYNTH
        if (portLog) {
            return wav ? usage() : printPortLog(args);
        }
        if (output == "ms-ss") {
            return wav ? renderSoftSynthWav(args, false) : usage();
        }
        return wav ? renderSoftSynthWav(args, true) : playThroughMidiOut(args, [](Clock& clock) { return makeGeneralMidiSynth(clock, nullptr); });
#else
        return unavailable("General MIDI synthesizer or MIDI out");
#endif
    }
    if (wav) {
        if (output == "null") {
            std::fprintf(stderr, "quorva-render: --wav takes --output fm, ms-ss or mm-out\n");
            return 1;
        }
#ifdef QUORVA_HAS_WAV
        return renderWav(args);
#else
        return unavailable("FM synthesizer");
#endif
    }
    if (output == "fm") {
        std::fprintf(stderr, "quorva-render: --output fm needs --wav\n");
        return 1;
    }
    std::string error;
    const auto options = takeCommonOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "quorva-render: %s\n", error.c_str());
        return 1;
    }
    bool info = false;
    bool events = false;
    std::optional<uint32_t> seekMs;
    std::string songPath;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--seek") {
            char* end = nullptr;
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            const unsigned long ms = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || value[0] == '-' || ms > 0xFFFFFFFFul) {
                std::fprintf(stderr, "quorva-render: --seek needs a time in milliseconds\n");
                return 1;
            }
            seekMs = static_cast<uint32_t>(ms);
        } else if (arg == "--info") {
            info = true;
        } else if (arg == "--events") {
            events = true;
        } else if (arg.rfind("--", 0) == 0 || !songPath.empty()) {
            std::fprintf(stderr, "quorva-render: unexpected argument %s\n", arg.c_str());
            return usage();
        } else {
            songPath = arg;
        }
    }
    if (songPath.empty() || (!info && !events) || (seekMs && !events)) {
        return usage();
    }

    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    PrintingFactory factory(stdout);
    SimulatedPlayback playback(factory, 0);
    factory.clock = &playback.clock;
    if (!playback.load(songPath, error)) {
        std::fprintf(stderr, "quorva-render: %s\n", error.c_str());
        return 1;
    }
    if (info) {
        printInfo(playback.song);
    }
    if (events) {
        playback.ports.selectNull();
        playback.applyOptions(*options);
        playback.play();
        if (seekMs) {
            playback.sequencer.seekToMs(*seekMs);
        }
        while (!playback.stopped()) {
            playback.tick();
        }
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace
}  // namespace quorva

int main(int argc, char** argv)
{
    return quorva::run(std::vector<std::string>(argv + 1, argv + argc));
}
