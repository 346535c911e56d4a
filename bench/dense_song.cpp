// bench_dense_song: writes the dense General MIDI song the renderer comparison plays
// (16 channels with drums, pitch bends and controllers, about 45 notes sounding at once,
// 3 minutes), and optionally a stand-in FM tone file covering every program.
//   bench_dense_song SONG.mid [TONES.dat]
// Or, with --notes, a song of that many short notes (see bench/many_notes_song.h), spread
// over the tracks (16 unless given) at the notes per second (5000 unless given):
//   bench_dense_song --notes N [--tracks T] [--notes-per-second R] SONG.mid
// e.g. 1,000,000 notes in 3 minutes: --notes 1000000 --tracks 16 --notes-per-second 5556
#include "bench/many_notes_song.h"
#include "render/smf_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t division = 480;
constexpr uint32_t beats = 360;  // 3 minutes at 120 beats per minute

using Track = quorva::SmfTrackWriter;

uint32_t nextRandom(uint32_t& seed)
{
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

void melodicChannel(Track& track, uint8_t channel, uint8_t program, uint32_t& seed)
{
    static constexpr std::array<int, 7> scale = {0, 2, 4, 5, 7, 9, 11};
    const uint8_t status = static_cast<uint8_t>(channel);
    track.add(0, {static_cast<uint8_t>(0xC0 | status), program});
    track.add(0, {static_cast<uint8_t>(0xB0 | status), 7, static_cast<uint8_t>(80 + channel * 2)});
    track.add(0, {static_cast<uint8_t>(0xB0 | status), 10, static_cast<uint8_t>(8 * channel)});
    const int base = 36 + 12 * (channel % 4);
    // A new note every half beat, each 1.5 beats long: three notes sounding per channel.
    for (uint32_t step = 0; step < beats * 2; ++step) {
        const uint32_t tick = step * division / 2;
        const uint8_t key = static_cast<uint8_t>(base + scale[nextRandom(seed) % 7] + 12 * (nextRandom(seed) % 2));
        const uint8_t velocity = static_cast<uint8_t>(60 + nextRandom(seed) % 60);
        track.add(tick, {static_cast<uint8_t>(0x90 | status), key, velocity});
        track.add(tick + division * 3 / 2 - 10, {static_cast<uint8_t>(0x80 | status), key, 0});
    }
    // Pitch-bend sweeps on every third channel, modulation on the others, every 16th note.
    for (uint32_t tick = 0; tick < beats * division; tick += division / 4) {
        if (channel % 3 == 0) {
            const uint32_t bend = 8192 + static_cast<uint32_t>((tick / (division / 4)) % 32) * 128 - 2048;
            track.add(tick, {static_cast<uint8_t>(0xE0 | status), static_cast<uint8_t>(bend & 0x7F),
                             static_cast<uint8_t>(bend >> 7)});
        } else {
            track.add(tick, {static_cast<uint8_t>(0xB0 | status), 1, static_cast<uint8_t>((tick / 120) % 64)});
        }
    }
}

void drumChannel(Track& track, uint32_t& seed)
{
    for (uint32_t eighth = 0; eighth < beats * 2; ++eighth) {
        const uint32_t tick = eighth * division / 2;
        auto hit = [&](uint8_t key, uint8_t velocity) {
            track.add(tick, {0x99, key, velocity});
            track.add(tick + 60, {0x89, key, 0});
        };
        hit(eighth % 8 == 6 ? 46 : 42, 90);
        if (eighth % 4 == 0) {
            hit(36, 120);
        }
        if (eighth % 4 == 2) {
            hit(38, 110);
        }
        if (nextRandom(seed) % 8 == 0) {
            hit(static_cast<uint8_t>(45 + nextRandom(seed) % 6), 100);
        }
        if (eighth % 32 == 0) {
            hit(49, 110);
        }
    }
}

std::vector<uint8_t> denseSong()
{
    std::vector<Track> tracks(17);
    tracks[0].add(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});  // 500000 us per beat
    tracks[0].add(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
    uint32_t seed = 12345;
    static constexpr std::array<uint8_t, 16> programs = {0, 4, 24, 32, 40, 48, 56, 61, 65, 0, 73, 80, 88, 19, 11, 33};
    for (uint8_t channel = 0; channel < 16; ++channel) {
        if (channel == 9) {
            drumChannel(tracks[1 + channel], seed);
        } else {
            melodicChannel(tracks[1 + channel], channel, programs[channel], seed);
        }
    }
    return quorva::smfFile(tracks, static_cast<uint16_t>(division));
}

// Four-operator tones (two modulated carriers) for every program, two-operator drums.
std::string standInTones()
{
    std::string text = "quorvatone 0.7\r\n";
    for (int family = 0; family < 16; ++family) {
        const double ratio = 1.0 + family % 4;
        text += "tone[" + std::to_string(family) + "]{ on(4) con(5) lfo{dpt(0.3) dly(0.2)}\r\n";
        text += "  op[0]{ con(2) tl(0.8) al(0.8) at1(0.005) dt1(0.2) dl(0.6) st(3.0) rt(0.2) }\r\n";
        text += "  op[1]{ con(2) mul(" + std::to_string(ratio) + ") ml(0.8) tl(0.6) al(0.6) st(1.0) rt(0.2) }\r\n";
        text += "  op[2]{ con(8) mul(2.0) det(0.07) tl(0.5) al(0.5) st(2.0) rt(0.3) }\r\n";
        text += "  op[3]{ mul(3.0) ml(0.5) tl(0.5) al(0.5) st(0.8) rt(0.3) } }\r\n";
    }
    text += "tone[100]{ on(2) con(1) op[0]{ con(2) tl(0.9) al(0.9) st(0.15) rt(0.05) }"
            " op[1]{ mul(1.5) ml(2.0) tl(0.8) al(0.8) st(0.05) rt(0.05) } }\r\n";
    text += "tone[101]{ on(2) con(1) op[0]{ con(2) mul(4.0) tl(0.5) al(0.5) st(0.3) rt(0.05) }"
            " op[1]{ con(2) mul(7.3) ml(3.0) tl(0.9) al(0.9) st(0.2) rt(0.05) } }\r\n";
    text += "tonemap{";
    for (int program = 0; program < 128; ++program) {
        text += " tone[" + std::to_string(program) + "]{tn(" + std::to_string(program / 8) + ")}";
    }
    text += " }\r\ndrumset[0]{";
    for (int key = 35; key <= 81; ++key) {
        const bool metal = key == 42 || key == 44 || key == 46 || key == 49 || key == 51 || key >= 52;
        text += " note[" + std::to_string(key) + "]{tn(" + (metal ? "101" : "100") + ") sc(" +
                std::to_string(metal ? 72 : key) + ") pan(" + std::to_string(32 + (key * 7) % 64) + ")" +
                (key == 42 || key == 44 ? " alt(46)" : "") + "}";
    }
    text += " }\r\n";
    return text;
}

bool writeFile(const std::string& path, const void* data, size_t size)
{
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

constexpr const char* usage =
    "usage: bench_dense_song SONG.mid [TONES.dat]\n"
    "       bench_dense_song --notes N [--tracks T] [--notes-per-second R] SONG.mid\n";

// The whole word as a number, or false.
bool parseNumber(const char* word, double& value)
{
    char* end = nullptr;
    value = std::strtod(word, &end);
    return end != word && *end == '\0';
}

int writeManyNotes(int argc, char** argv)
{
    quorva::ManyNotesSong shape;
    std::string path;
    bool notesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        double value = 0;
        if (option.rfind("--", 0) != 0) {
            if (!path.empty()) {
                std::fputs(usage, stderr);
                return 1;
            }
            path = option;
            continue;
        }
        if (i + 1 >= argc || !parseNumber(argv[i + 1], value) || value < 0) {
            std::fprintf(stderr, "bench_dense_song: %s needs a number\n%s", option.c_str(), usage);
            return 1;
        }
        ++i;
        if (option == "--notes" && value == std::floor(value) && value <= 1e15) {
            shape.notes = static_cast<uint64_t>(value);
            notesGiven = true;
        } else if (option == "--tracks" && value == std::floor(value) && value <= 0xFFFF) {
            shape.tracks = static_cast<uint32_t>(value);
        } else if (option == "--notes-per-second") {
            shape.notesPerSecond = value;
        } else {
            std::fprintf(stderr, "bench_dense_song: bad option %s %s\n%s", option.c_str(), argv[i], usage);
            return 1;
        }
    }
    if (!notesGiven || path.empty()) {
        std::fputs(usage, stderr);
        return 1;
    }
    std::string error;
    if (!quorva::writeManyNotesSong(path, shape, error)) {
        std::fprintf(stderr, "bench_dense_song: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]).rfind("--", 0) == 0) {
        return writeManyNotes(argc, argv);
    }
    if (argc < 2 || argc > 3) {
        std::fputs(usage, stderr);
        return 1;
    }
    const auto song = denseSong();
    if (!writeFile(argv[1], song.data(), song.size())) {
        std::fprintf(stderr, "bench_dense_song: cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 3) {
        const std::string tones = standInTones();
        if (!writeFile(argv[2], tones.data(), tones.size())) {
            std::fprintf(stderr, "bench_dense_song: cannot write %s\n", argv[2]);
            return 1;
        }
    }
    return 0;
}
