#include "tools/tonebank/tonemeter/meter_report.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace quorva::tonemeter {

namespace {

constexpr std::array<const char*, 16> families = {"piano",   "chromatic perc.", "organ",  "guitar",    "bass",     "strings",
                                                  "ensemble", "brass",          "reed",   "pipe",      "synth lead", "synth pad",
                                                  "synth fx", "ethnic",         "percussive", "sound fx"};

void appendf(std::string& out, const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out += line;
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return Levels::silentDb;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

bool sounds(const Levels& levels)
{
    return levels.peakDb > soundThresholdDb;
}

// Per-program lines and the family summary; true when every program sounds within tolerance.
bool reportPrograms(const std::vector<Levels>& programs, std::string& out)
{
    const double middle = programMedianDb(programs);
    appendf(out, "Programs: standard phrase on channel 0 (C3, C4 triad, C5; velocity 100; 3 s), RMS and peak in dBFS\n");
    bool pass = true;
    std::string ringing;
    double worst = 0.0;
    int worstProgram = -1;
    std::vector<int> outside;
    for (int program = 0; program < static_cast<int>(programs.size()); ++program) {
        const Levels& levels = programs[program];
        const double deviation = levels.rmsDb - middle;
        const bool silent = !sounds(levels);
        const bool off = silent || std::fabs(deviation) > programToleranceDb;
        appendf(out, "  %3d %-16s rms %7.1f  peak %7.1f  %+6.1f%s%s\n", program, families[program / 8], levels.rmsDb,
                levels.peakDb, deviation, silent ? "  SILENT" : (off ? "  OUTSIDE" : ""), levels.endless ? "  RINGS ON" : "");
        if (levels.endless) {
            appendf(ringing, " %d", program);
        }
        if (off) {
            outside.push_back(program);
            pass = false;
        }
        if (std::fabs(deviation) > std::fabs(worst) || worstProgram < 0) {
            worst = deviation;
            worstProgram = program;
        }
    }
    appendf(out, "\nFamilies (phrase RMS dBFS):       min    mean     max\n");
    for (size_t family = 0; family < families.size() && family * 8 < programs.size(); ++family) {
        double low = 0.0, high = -1000.0, sum = 0.0;
        for (size_t program = family * 8; program < family * 8 + 8; ++program) {
            const double db = programs[program].rmsDb;
            low = std::min(low, db);
            high = std::max(high, db);
            sum += db;
        }
        appendf(out, "  %-28s %7.1f %7.1f %7.1f\n", families[family], low, sum / 8, high);
    }
    appendf(out, "Median %.1f dBFS; worst deviation %+.1f dB (program %d); tolerance +/-%.0f dB: ", middle, worst,
            worstProgram, programToleranceDb);
    if (outside.empty()) {
        appendf(out, "all 128 within\n");
    } else {
        appendf(out, "%zu outside or silent:", outside.size());
        for (int program : outside) {
            appendf(out, " %d", program);
        }
        appendf(out, "\n");
    }
    if (!ringing.empty()) {
        appendf(out, "Still sounding %.0f s after the phrase:%s\n", ringLimitSeconds, ringing.c_str());
    }
    return pass && ringing.empty();
}

bool reportDrums(const std::vector<std::array<Levels, drumKeyCount>>& drums, std::string& out)
{
    appendf(out, "\nDrum kits: one hit per key %d-%d on channel 9 (velocity 100, 1 s); peak and RMS in dBFS\n",
            firstDrumKey, lastDrumKey);
    bool pass = true;
    for (size_t kit = 0; kit < drums.size(); ++kit) {
        int sounding = 0;
        double lowPeak = 0.0, highPeak = -1000.0, lowRms = 0.0, highRms = -1000.0;
        std::string silentKeys;
        std::string ringingKeys;
        for (int index = 0; index < drumKeyCount; ++index) {
            const Levels& levels = drums[kit][index];
            if (levels.endless) {
                appendf(ringingKeys, " %d", firstDrumKey + index);
            }
            if (!sounds(levels)) {
                appendf(silentKeys, " %d", firstDrumKey + index);
                continue;
            }
            ++sounding;
            lowPeak = std::min(lowPeak, levels.peakDb);
            highPeak = std::max(highPeak, levels.peakDb);
            lowRms = std::min(lowRms, levels.rmsDb);
            highRms = std::max(highRms, levels.rmsDb);
        }
        appendf(out, "  program %2d %-11s %2d/%d keys sound; peak %6.1f..%5.1f, rms %6.1f..%5.1f%s%s%s%s\n",
                kitPrograms[kit].program, kitPrograms[kit].name, sounding, drumKeyCount, lowPeak, highPeak, lowRms, highRms,
                silentKeys.empty() ? "" : "; SILENT:", silentKeys.c_str(), ringingKeys.empty() ? "" : "; RINGS ON:",
                ringingKeys.c_str());
        pass = pass && silentKeys.empty() && ringingKeys.empty();
    }
    if (!drums.empty()) {
        appendf(out, "  standard kit per key (peak/rms):");
        for (int index = 0; index < drumKeyCount; ++index) {
            if (index % 6 == 0) {
                appendf(out, "\n   ");
            }
            appendf(out, " %2d:%5.1f/%5.1f", firstDrumKey + index, drums[0][index].peakDb, drums[0][index].rmsDb);
        }
        appendf(out, "\n");
    }
    return pass;
}

bool reportSongs(const std::vector<SongResult>& songs, uint32_t levelShift, std::string& out)
{
    appendf(out, "\nSongs at level shift %u (v. = voices): clipped samples (at 32767 or -32768) of all samples\n",
            levelShift);
    bool pass = true;
    for (const SongResult& song : songs) {
        if (!song.levels) {
            appendf(out, "  %-28s FAILED: %s\n", song.name.c_str(), song.error.c_str());
            pass = false;
            continue;
        }
        const Levels& levels = *song.levels;
        const bool ok = levels.clipRatio() < clipRatioLimit;
        appendf(out, "  %-28s peak %6.1f  rms %6.1f dBFS  clipped %llu of %llu (%.4f%%)%s\n", song.name.c_str(),
                levels.peakDb, levels.rmsDb, static_cast<unsigned long long>(levels.clipped),
                static_cast<unsigned long long>(levels.samples), 100.0 * levels.clipRatio(), ok ? "" : "  TOO MANY");
        pass = pass && ok;
    }
    return pass;
}

}  // namespace

double programMedianDb(const std::vector<Levels>& programs)
{
    std::vector<double> values;
    for (const Levels& levels : programs) {
        if (sounds(levels)) {
            values.push_back(levels.rmsDb);
        }
    }
    return median(values);
}

bool writeReport(const MeterResults& results, std::string& out)
{
    appendf(out, "quorva-tonemeter: %s, 44100 Hz, level shift %u\n\n", results.toneFilePath.c_str(), results.levelShift);
    const bool programs = reportPrograms(results.programs, out);
    const bool drums = reportDrums(results.drums, out);
    const bool songs = reportSongs(results.songs, results.levelShift, out);
    appendf(out, "\nGoals: programs sound within +/-%.0f dB of the median and end: %s; every drum key sounds and ends: %s; "
                 "songs clip below %.2f%%: %s\n",
            programToleranceDb, programs ? "PASS" : "FAIL", drums ? "PASS" : "FAIL", 100.0 * clipRatioLimit,
            songs ? "PASS" : "FAIL");
    return programs && drums && songs;
}

}  // namespace quorva::tonemeter
