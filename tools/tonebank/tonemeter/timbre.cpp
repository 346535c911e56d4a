#include "tools/tonebank/tonemeter/timbre.h"

#include "render/render_wav.h"
#include "tools/tonebank/tonemeter/reference_synth.h"
#include "tools/tonebank/tonemeter/style_songs.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <thread>

namespace quorva::tonemeter {

namespace {

constexpr uint8_t noteVelocity = 100;
constexpr double fmSilentDb = -90.0;  // an FM note this quiet where the reference sounds counts as silent
constexpr int rhythmChannel = 9;
constexpr double noteSeconds = noteStartSeconds + static_cast<double>(noteWindow) / sampleRate + 0.01;
constexpr double drumHoldSeconds = 0.1;
constexpr double hitSeconds = static_cast<double>(noteWindow) / sampleRate + 0.01;

void appendf(std::string& out, const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out += line;
}

// One note through the FM synthesizer: the program (or kit) change, note-on at 0, note-off
// after `hold` seconds.
std::vector<float> fmNote(MeterRender& render, int channel, int program, int key, double hold, double total)
{
    render.reset();
    render.send(packMessage(static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)));
    render.send(packMessage(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), noteVelocity));
    std::vector<float> out;
    const uint32_t holdFrames = secondsToFrames(hold);
    render.renderMono(holdFrames, out);
    render.send(packMessage(static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0));
    render.renderMono(secondsToFrames(total) - holdFrames, out);
    return out;
}

// Runs `work(index, synth, reference)` for indexes 0..count-1 on `threads` threads, each
// with a synthesizer and a reference of its own.
bool runParallel(const TimbreOptions& options, size_t count,
                 const std::function<void(size_t, MeterRender&, ReferenceSynth&)>& work, std::string& error)
{
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    auto worker = [&] {
        MeterRender render;
        ReferenceSynth reference;
        if (!render.open(options.tones, 64, options.levelShift)) {
            std::lock_guard lock(errorLock);
            error = "cannot load the tone file " + options.tones;
            failed = true;
            return;
        }
        if (!reference.open(options.soundFont)) {
            std::lock_guard lock(errorLock);
            error = "cannot load the SoundFont " + options.soundFont;
            failed = true;
            return;
        }
        for (size_t index = next++; index < count && !failed; index = next++) {
            work(index, render, reference);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < std::max(1u, options.threads); ++i) {
        pool.emplace_back(worker);
    }
    worker();
    for (std::thread& thread : pool) {
        thread.join();
    }
    return !failed;
}

std::filesystem::path uniqueTemporary(const std::string& stem)
{
    std::random_device random;
    return std::filesystem::temp_directory_path() / (stem + std::to_string(random()));
}

// The FM synthesizer's render of a song, as quorva-render --wav makes it.
bool fmSong(const TimbreOptions& options, const std::string& path, std::vector<float>& out)
{
    const std::filesystem::path wav = uniqueTemporary("quorva-tonemeter-song-").string() + ".wav";
    const int status = renderWav({path, "--wav", wav.string(), "--tones", options.tones, "--voices",
                                  std::to_string(options.voices), "--level-shift", std::to_string(options.levelShift)});
    const bool read = status == 0 && readWavMono(wav.string(), out);
    std::error_code ignored;
    std::filesystem::remove(wav, ignored);
    return read;
}

bool writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string percent(double share)
{
    char text[16];
    std::snprintf(text, sizeof text, "%5.2f%%", 100.0 * share);
    return text;
}

const char* mark(bool miss) { return miss ? "!" : " "; }

}  // namespace

bool isBellProgram(int program)
{
    return (program >= 8 && program <= 15) || (program >= 112 && program <= 114);
}

Misses judgeNote(const Comparison& note, int program, int key)
{
    Misses misses;
    if (!note.compared()) {
        return misses;
    }
    if (note.fm.silent() || toDb(note.fm.rms * 32768.0) < fmSilentDb) {
        misses.silent = true;
        return misses;
    }
    misses.dc = note.fm.dcDb >= dcLimitDb;
    misses.above16k = note.fm.above16k >= above16kLimit;
    misses.above12k = note.fm.above12k >= above12kLimit;
    // A reference whose centroid lies below half the key's frequency (a sample that has died
    // down to its body's resonance or to a low rumble) is out of reach of any tone that
    // sounds the key: its centroid is no target there.
    const double ratio = note.centroidRatio();
    misses.referenceOffKey = program <= lastPitchedProgram && note.reference.centroidHz * centroidHigh < keyHz(key);
    misses.centroid = !misses.referenceOffKey && (ratio < centroidLow || ratio > centroidHigh);
    if (program <= lastPitchedProgram) {
        misses.tonal = note.fm.peakShare < tonalLimit;
        misses.partial = !onPartial(note.fm.strongestHz, keyHz(key), isBellProgram(program));
    }
    return misses;
}

Misses judgeDrum(const Comparison& hit)
{
    Misses misses;
    if (!hit.compared()) {
        return misses;
    }
    if (hit.fm.silent() || toDb(hit.fm.rms * 32768.0) < fmSilentDb) {
        misses.silent = true;
        return misses;
    }
    misses.dc = hit.fm.dcDb >= drumDcLimitDb;
    const double ratio = hit.centroidRatio();
    misses.centroid = ratio < drumCentroidLow || ratio > drumCentroidHigh;
    return misses;
}

Misses judgeSong(const Comparison& song)
{
    Misses misses;
    if (song.fm.silent() || song.reference.silent()) {
        misses.silent = true;
        return misses;
    }
    misses.above8k = song.fm.above8k > 2.0 * song.reference.above8k + 0.01;
    const double ratio = song.centroidRatio();
    misses.centroid = ratio < songCentroidLow || ratio > songCentroidHigh;
    return misses;
}

bool readWavMono(const std::string& path, std::vector<float>& out)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    constexpr size_t headerBytes = 44;
    if (bytes.size() < headerBytes || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 36, "data", 4) != 0 || bytes[34] != 16 || bytes[22] != 2) {
        return false;
    }
    const size_t frames = (bytes.size() - headerBytes) / 4;
    out.reserve(out.size() + frames);
    for (size_t i = 0; i < frames; ++i) {
        int16_t side[2];
        std::memcpy(side, bytes.data() + headerBytes + 4 * i, 4);
        out.push_back(static_cast<float>((side[0] + side[1]) / 65536.0));
    }
    return true;
}

bool measureTimbre(const TimbreOptions& options, TimbreResults& results, std::string& error)
{
    results.firstProgram = options.firstProgram;
    results.lastProgram = options.lastProgram;
    results.programs.assign(128, {});
    results.kits.assign(options.notesOnly ? 0 : kitPrograms.size(), {});
    const size_t start = secondsToFrames(noteStartSeconds);
    const size_t notes = static_cast<size_t>(options.lastProgram - options.firstProgram + 1) * timbreKeys.size();
    const size_t hits = results.kits.size() * drumKeyCount;
    const bool rendered = runParallel(
        options, notes + hits,
        [&](size_t index, MeterRender& render, ReferenceSynth& reference) {
            if (index < notes) {
                const int program = options.firstProgram + static_cast<int>(index / timbreKeys.size());
                const int key = timbreKeys[index % timbreKeys.size()];
                Comparison& note = results.programs[program][index % timbreKeys.size()];
                note.fm = analyseNote(fmNote(render, 0, program, key, noteHoldSeconds, noteSeconds), start);
                note.reference = analyseNote(reference.note(0, program, key, noteVelocity, noteHoldSeconds, noteSeconds), start);
                return;
            }
            const size_t kit = (index - notes) / drumKeyCount;
            const int key = firstDrumKey + static_cast<int>((index - notes) % drumKeyCount);
            Comparison& hit = results.kits[kit][key - firstDrumKey];
            const int program = kitPrograms[kit].program;
            hit.fm = analyseNote(fmNote(render, rhythmChannel, program, key, drumHoldSeconds, hitSeconds), 0, noteWindow,
                                 Window::Rectangular);
            hit.reference = analyseNote(reference.note(rhythmChannel, program, key, noteVelocity, drumHoldSeconds, hitSeconds), 0,
                                        noteWindow, Window::Rectangular);
        },
        error);
    if (!rendered) {
        return false;
    }
    // Songs: the generated ones written to files (kept when a directory is given, even for a
    // look at notes alone), then those given.
    std::filesystem::path directory = options.songDirectory;
    const bool temporary = directory.empty();
    if (options.notesOnly && temporary) {
        return true;
    }
    if (temporary) {
        directory = uniqueTemporary("quorva-tonemeter-songs-");
    }
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    std::vector<std::pair<std::string, std::string>> songs;  // name, path
    for (const StyleSong& song : styleSongs()) {
        std::string file = song.name;
        std::replace(file.begin(), file.end(), ' ', '_');
        const std::filesystem::path path = directory / (file + ".mid");
        if (!writeFile(path, song.file)) {
            error = "cannot write " + path.string();
            return false;
        }
        songs.emplace_back(song.name, path.string());
    }
    if (options.notesOnly) {
        return true;
    }
    for (const std::string& path : options.songs) {
        songs.emplace_back(std::filesystem::path(path).filename().string(), path);
    }
    results.songs.assign(songs.size(), {});
    std::mutex renderLock;  // one FM song render at a time; the references run beside it
    const bool played = runParallel(
        options, songs.size(),
        [&](size_t index, MeterRender&, ReferenceSynth& reference) {
            SongComparison& song = results.songs[index];
            song.name = songs[index].first;
            std::vector<float> fm;
            bool fmRendered;
            {
                std::lock_guard lock(renderLock);
                fmRendered = fmSong(options, songs[index].second, fm);
            }
            const std::vector<float> ref = reference.song(songs[index].second);
            if (!fmRendered || ref.empty()) {
                song.error = "cannot render " + songs[index].second;
                return;
            }
            song.figures.fm = analyseSong(fm);
            song.figures.reference = analyseSong(ref);
        },
        error);
    if (temporary) {
        std::filesystem::remove_all(directory, ignored);
    }
    return played;
}

bool writeTimbreReport(const TimbreResults& results, std::string& out)
{
    appendf(out, "\nTimbre against the reference (FluidSynth, General MIDI SoundFont): one note per program and key, "
                 "velocity 100, held %.0f s,\n", noteHoldSeconds);
    appendf(out, "measured from %.1f s over %zu samples. dc: mean to RMS (below %.0f dB); >16k, >12k: energy shares "
                 "(below %.0f%%, %.0f%%);\n", noteStartSeconds, noteWindow, dcLimitDb, 100 * above16kLimit, 100 * above12kLimit);
    appendf(out, "cent: spectral centroid, FM/reference Hz and ratio (%.1f-%.1f); tonal: strongest 1%% of 30 Hz-8 kHz "
                 "bins' share (at least %.2f, programs 0-%.0f);\n", centroidLow, centroidHigh, tonalLimit, lastPitchedProgram);
    appendf(out, "partial: strongest below 2 kHz, Hz and its ratio to the key (a harmonic, or a bell's partial for 8-15 "
                 "and 112-114);\nFM/ref dBFS: RMS of the stretch. ! marks a miss; - a key the reference does not sound "
                 "(below %.0f dBFS).\n", Comparison::referenceSoundsDb);
    appendf(out, "  prg key     dc   >16k    >12k       cent FM/ref      ratio  tonal  partial          FM/ref dBFS  result\n");
    bool pass = true;
    std::array<int, 8> counts{};
    int offKey = 0;
    std::vector<int> failing;
    for (size_t program = static_cast<size_t>(results.firstProgram); program <= static_cast<size_t>(results.lastProgram);
         ++program) {
        bool programPass = true;
        for (size_t k = 0; k < timbreKeys.size(); ++k) {
            const Comparison& note = results.programs[program][k];
            const int key = timbreKeys[k];
            if (!note.compared()) {
                appendf(out, "  %3zu %3d  -\n", program, key);
                continue;
            }
            const Misses misses = judgeNote(note, static_cast<int>(program), key);
            const bool pitched = static_cast<double>(program) <= lastPitchedProgram;
            char tonal[16] = "    ";
            char partial[32] = "               ";
            if (pitched) {
                std::snprintf(tonal, sizeof tonal, "%4.2f", note.fm.peakShare);
                std::snprintf(partial, sizeof partial, "%7.1f x%5.2f", note.fm.strongestHz, note.fm.strongestHz / keyHz(key));
            }
            appendf(out, "  %3zu %3d %6.1f%s %s%s %s%s %6.0f/%-6.0f %5.2f%s %s%s %s%s  %5.1f/%5.1f  %s\n", program, key, note.fm.dcDb,
                    mark(misses.dc), percent(note.fm.above16k).c_str(), mark(misses.above16k),
                    percent(note.fm.above12k).c_str(), mark(misses.above12k), note.fm.centroidHz, note.reference.centroidHz,
                    note.centroidRatio(), mark(misses.centroid), tonal, mark(misses.tonal), partial, mark(misses.partial),
                    toDb(note.fm.rms * 32768.0), toDb(note.reference.rms * 32768.0),
                    misses.silent ? "FAIL (silent)" : (misses.any() ? "FAIL" : "pass"));
            if (misses.referenceOffKey) {
                out.pop_back();
                appendf(out, " (reference centroid below half the key's %.0f Hz, its strongest partial %.0f Hz: "
                             "centroid out of reach)\n",
                        keyHz(key), note.reference.strongestHz);
                ++offKey;
            }
            counts[0] += misses.silent, counts[1] += misses.dc, counts[2] += misses.above16k, counts[3] += misses.above12k;
            counts[4] += misses.centroid, counts[5] += misses.tonal, counts[6] += misses.partial;
            programPass = programPass && !misses.any();
        }
        if (!programPass) {
            failing.push_back(static_cast<int>(program));
        }
        pass = pass && programPass;
    }
    appendf(out, "Program notes missing a goal: silent %d, dc %d, >16k %d, >12k %d, centroid %d, tonal %d, partial %d; ",
            counts[0], counts[1], counts[2], counts[3], counts[4], counts[5], counts[6]);
    appendf(out, "%d notes with the reference's centroid out of reach; ", offKey);
    if (failing.empty()) {
        appendf(out, "every program meets every timbre goal\n");
    } else {
        appendf(out, "%zu programs fail:", failing.size());
        for (int program : failing) {
            appendf(out, " %d", program);
        }
        appendf(out, "\n");
    }

    if (results.kits.empty()) {
        appendf(out, "\nTimbre goals: programs %d-%d %s (drum kits and songs not measured)\n", results.firstProgram,
                results.lastProgram, pass ? "PASS" : "FAIL");
        return pass;
    }
    appendf(out, "\nDrum kits against the reference kits: one hit per key, velocity 100, measured from the hit over "
                 "%zu samples\n(no window taper);"
                 " dc below %.0f dB, centroid ratio FM/reference %.2f-%.0f.\n",
            noteWindow, drumDcLimitDb, drumCentroidLow, drumCentroidHigh);
    bool drumsPass = true;
    for (size_t kit = 0; kit < results.kits.size(); ++kit) {
        appendf(out, "  program %2d %s: key dc/centroid ratio/level FM-reference dB", kitPrograms[kit].program,
                kitPrograms[kit].name);
        std::string misses;
        for (int index = 0; index < drumKeyCount; ++index) {
            const Comparison& hit = results.kits[kit][index];
            if (index % 5 == 0) {
                appendf(out, "\n   ");
            }
            if (!hit.compared()) {
                appendf(out, "  %2d      -             ", firstDrumKey + index);
                continue;
            }
            const Misses miss = judgeDrum(hit);
            appendf(out, "  %2d %6.1f%s/%5.2f%s/%+5.1f", firstDrumKey + index, hit.fm.dcDb, mark(miss.dc), hit.centroidRatio(),
                    mark(miss.centroid || miss.silent), toDb(hit.fm.rms * 32768.0) - toDb(hit.reference.rms * 32768.0));
            if (miss.any()) {
                appendf(misses, " %d", firstDrumKey + index);
            }
        }
        appendf(out, "\n   %s%s\n", misses.empty() ? "every key passes" : "FAIL at keys", misses.c_str());
        drumsPass = drumsPass && misses.empty();
    }

    appendf(out, "\nSongs against the reference: energy above 8 kHz at most twice the reference's + 1 point, centroid "
                 "ratio %.1f-%.1f\n",
            songCentroidLow, songCentroidHigh);
    appendf(out, "  %-24s  >8k FM  >8k ref   cent FM/ref Hz   ratio  result\n", "song");
    bool songsPass = true;
    for (const SongComparison& song : results.songs) {
        if (!song.error.empty()) {
            appendf(out, "  %-24s  FAILED: %s\n", song.name.c_str(), song.error.c_str());
            songsPass = false;
            continue;
        }
        const Misses misses = judgeSong(song.figures);
        appendf(out, "  %-24s %s%s %s  %6.0f/%-6.0f  %5.2f%s  %s\n", song.name.c_str(),
                percent(song.figures.fm.above8k).c_str(), mark(misses.above8k), percent(song.figures.reference.above8k).c_str(),
                song.figures.fm.centroidHz, song.figures.reference.centroidHz, song.figures.centroidRatio(),
                mark(misses.centroid), misses.any() ? "FAIL" : "pass");
        songsPass = songsPass && !misses.any();
    }
    appendf(out, "\nTimbre goals: programs %s; drum kits %s; songs %s\n", pass ? "PASS" : "FAIL", drumsPass ? "PASS" : "FAIL",
            songsPass ? "PASS" : "FAIL");
    return pass && drumsPass && songsPass;
}

}  // namespace quorva::tonemeter
