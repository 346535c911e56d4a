// quorva-tonemeter [--tones FILE] [--song FILE.mid | --no-song] [--voices N] [--level-shift S]
//                  [--dense-seconds N] [--report-only] [--no-timbre] [--sound-font FILE.sf2]
//                  [--compare-song FILE.mid]... [--write-songs DIR] [--threads N]
//                  [--timbre-programs FIRST-LAST]
// Loads a tone file into the FM synthesizer, renders in memory at 44100 Hz and reports the
// bank's loudness figures: a standard phrase per program, every drum key of the General MIDI
// kits, and the clipping of a dense generated song and of a song file (by default demo.mid
// beside the program). Then, unless --no-timbre, it compares the bank's timbre with
// FluidSynth playing the General MIDI SoundFont: every program at five keys, every drum key of
// the kits, and generated songs in five styles plus the --compare-song files. Exit status 0
// when every goal is met, 1 when one fails (0 with --report-only), 2 on a bad option or a
// tone file or SoundFont that does not load. --timbre-programs measures the timbre of those
// programs only, without drum kits and songs (a quick look while voicing).
#include "tools/tonebank/tonemeter/meter_report.h"
#include "tools/tonebank/tonemeter/reference_synth.h"
#include "tools/tonebank/tonemeter/timbre.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace quorva::tonemeter;

constexpr uint32_t mostVoices = 64;

struct Options {
    std::string tones;
    std::string song;
    bool reportOnly = false;
    uint32_t voices = 24;
    uint32_t levelShift = 6;
    double denseSeconds = 60.0;
    bool timbre = true;
    std::string soundFont = ReferenceSynth::defaultSoundFont;
    std::vector<std::string> compareSongs;
    std::string songDirectory;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    int firstProgram = 0;
    int lastProgram = 127;
    bool notesOnly = false;
};

int usage(const std::string& problem)
{
    std::fprintf(stderr,
                 "quorva-tonemeter: %s\nusage: quorva-tonemeter [--tones FILE] [--song FILE.mid | --no-song] "
                 "[--voices N] [--level-shift 4..8] [--dense-seconds N] [--report-only]\n"
                 "       [--no-timbre] [--sound-font FILE.sf2] [--compare-song FILE.mid]... [--write-songs DIR] "
                 "[--threads N]\n       [--timbre-programs FIRST-LAST]\n",
                 problem.c_str());
    return 2;
}

bool parse(int argc, char** argv, Options& options, std::string& problem)
{
    const std::filesystem::path home = std::filesystem::path(argv[0]).parent_path();
    options.tones = (home / "fmstone.dat").string();
    options.song = (home / "demo.mid").string();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool last = i + 1 >= argc;
        if (arg == "--report-only") {
            options.reportOnly = true;
        } else if (arg == "--no-song") {
            options.song.clear();
        } else if (arg == "--no-timbre") {
            options.timbre = false;
        } else if (last) {
            problem = "unknown option or missing value: " + arg;
            return false;
        } else if (arg == "--tones") {
            options.tones = argv[++i];
        } else if (arg == "--song") {
            options.song = argv[++i];
        } else if (arg == "--voices") {
            options.voices = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--level-shift") {
            options.levelShift = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--dense-seconds") {
            options.denseSeconds = std::strtod(argv[++i], nullptr);
        } else if (arg == "--sound-font") {
            options.soundFont = argv[++i];
        } else if (arg == "--compare-song") {
            options.compareSongs.push_back(argv[++i]);
        } else if (arg == "--write-songs") {
            options.songDirectory = argv[++i];
        } else if (arg == "--threads") {
            options.threads = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--timbre-programs") {
            char dash = 0;
            char end = 0;
            if (std::sscanf(argv[++i], "%d%c%d%c", &options.firstProgram, &dash, &options.lastProgram, &end) != 3 ||
                dash != '-' || options.firstProgram < 0 || options.lastProgram > 127 ||
                options.firstProgram > options.lastProgram) {
                problem = "--timbre-programs must be FIRST-LAST within 0-127";
                return false;
            }
            options.notesOnly = true;
        } else {
            problem = "unknown option: " + arg;
            return false;
        }
    }
    if (options.levelShift < 4 || options.levelShift > 8) {
        problem = "--level-shift must be 4 to 8";
        return false;
    }
    if (options.voices != 8 && options.voices != 16 && options.voices != 24 && options.voices != 32 && options.voices != 64) {
        problem = "--voices must be one of 8 16 24 32 64";
        return false;
    }
    if (options.threads < 1 || options.threads > 64) {
        problem = "--threads must be 1 to 64";
        return false;
    }
    if (!(options.denseSeconds >= 1.0 && options.denseSeconds <= 600.0)) {
        problem = "--dense-seconds must be 1 to 600";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string problem;
    if (!parse(argc, argv, options, problem)) {
        return usage(problem);
    }
    MeterResults results;
    results.toneFilePath = options.tones;
    results.levelShift = options.levelShift;
    {
        // Phrases and single hits never need more than a few voices; 64 rules out stealing.
        MeterRender render;
        if (!render.open(options.tones, 64, options.levelShift)) {
            return usage("cannot load the tone file " + options.tones);
        }
        results.programs = measurePrograms(render);
        results.drums = measureDrums(render);
    }
    // The dense song with the chosen voice count and with the most voices, where the fewest
    // notes are stolen and the mix is loudest.
    const auto song = denseSong(options.denseSeconds);
    for (uint32_t voices : {options.voices, mostVoices}) {
        if (voices == mostVoices && options.voices == mostVoices && !results.songs.empty()) {
            break;
        }
        MeterRender render;
        render.open(options.tones, voices, options.levelShift);
        char name[64];
        std::snprintf(name, sizeof name, "dense song %.0f s, %u v.", options.denseSeconds, voices);
        results.songs.push_back({name, render.play(song, secondsToFrames(options.denseSeconds)), ""});
    }
    if (!options.song.empty()) {
        SongResult song;
        song.name = std::filesystem::path(options.song).filename().string() + ", " + std::to_string(options.voices) + " v.";
        song.levels = measureSongFile(options.song, options.tones, options.voices, options.levelShift, song.error);
        results.songs.push_back(song);
    }
    std::string report;
    bool pass = writeReport(results, report);
    if (options.timbre) {
        TimbreOptions timbre;
        timbre.tones = options.tones;
        timbre.soundFont = options.soundFont;
        timbre.songs = options.compareSongs;
        timbre.songDirectory = options.songDirectory;
        timbre.threads = options.threads;
        timbre.voices = options.voices;
        timbre.levelShift = options.levelShift;
        timbre.firstProgram = options.firstProgram;
        timbre.lastProgram = options.lastProgram;
        timbre.notesOnly = options.notesOnly;
        TimbreResults measured;
        std::string error;
        if (!measureTimbre(timbre, measured, error)) {
            std::fputs(report.c_str(), stdout);
            return usage(error);
        }
        pass = writeTimbreReport(measured, report) && pass;
    }
    std::fputs(report.c_str(), stdout);
    return pass || options.reportOnly ? 0 : 1;
}
