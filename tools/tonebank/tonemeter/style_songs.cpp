#include "tools/tonebank/tonemeter/style_songs.h"

#include "render/smf_writer.h"

#include <algorithm>
#include <array>

namespace quorva::tonemeter {

namespace {

constexpr uint32_t ticksPerBeat = 480;
constexpr uint32_t songBars = 8;
constexpr uint8_t drumChannel = 9;

class Track : public SmfTrackWriter {
public:
    explicit Track(uint8_t channel) : channel_(channel) {}
    Track& program(uint8_t program, uint8_t volume = 100, uint8_t pan = 64)
    {
        add(0, {static_cast<uint8_t>(0xC0 | channel_), program});
        add(0, {static_cast<uint8_t>(0xB0 | channel_), 7, volume});
        add(0, {static_cast<uint8_t>(0xB0 | channel_), 10, pan});
        return *this;
    }
    Track& programAt(uint32_t tick, uint8_t program)
    {
        add(tick, {static_cast<uint8_t>(0xC0 | channel_), program});
        return *this;
    }
    Track& note(uint32_t tick, uint32_t length, int key, uint8_t velocity)
    {
        add(tick, {static_cast<uint8_t>(0x90 | channel_), static_cast<uint8_t>(key), velocity});
        add(tick + length, {static_cast<uint8_t>(0x80 | channel_), static_cast<uint8_t>(key), 0});
        return *this;
    }
    Track& chord(uint32_t tick, uint32_t length, std::initializer_list<int> keys, uint8_t velocity)
    {
        for (int key : keys) {
            note(tick, length, key, velocity);
        }
        return *this;
    }

private:
    uint8_t channel_;
};

std::vector<uint8_t> smf(std::vector<Track>& tracks)
{
    Track tempo(0);
    tempo.add(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});  // 500000 us per beat
    tempo.add(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
    tracks.insert(tracks.begin(), tempo);
    return smfFile(tracks, static_cast<uint16_t>(ticksPerBeat));
}

// Roots of the progression per bar (two bars each chord): A minor, F, C, G.
constexpr std::array<int, songBars> rockRoots = {45, 45, 41, 41, 48, 48, 43, 43};

uint32_t bar(uint32_t index) { return index * 4 * ticksPerBeat; }

std::vector<uint8_t> rockSong()
{
    std::vector<Track> tracks;
    Track guitar(0), crunch(1), bass(2), lead(3), drums(drumChannel);
    guitar.program(30, 100, 40);
    crunch.program(29, 90, 90);
    bass.program(38, 110);
    lead.program(81, 95, 70);
    static constexpr std::array<int, 16> melody = {69, 72, 74, 76, 74, 72, 69, 67, 65, 69, 72, 77, 76, 74, 72, 71};
    for (uint32_t b = 0; b < songBars; ++b) {
        const int root = rockRoots[b] - 12;
        for (uint32_t e = 0; e < 8; ++e) {
            const uint32_t at = bar(b) + e * ticksPerBeat / 2;
            guitar.chord(at, ticksPerBeat / 2 - 20, {root + 12, root + 19, root + 24}, e % 2 ? 90 : 110);
            bass.note(at, ticksPerBeat / 2 - 30, root, e % 2 ? 95 : 115);
        }
        crunch.chord(bar(b), 2 * ticksPerBeat - 20, {root + 24, root + 31}, 90).chord(bar(b) + 2 * ticksPerBeat, 2 * ticksPerBeat - 20, {root + 24, root + 31}, 85);
        for (uint32_t q = 0; q < 2; ++q) {
            lead.note(bar(b) + q * 2 * ticksPerBeat, 2 * ticksPerBeat - 40, melody[(2 * b + q) % melody.size()], 100);
        }
        for (uint32_t e = 0; e < 8; ++e) {
            const uint32_t at = bar(b) + e * ticksPerBeat / 2;
            drums.note(at, 60, 42, 90);
            if (e == 0 || e == 3 || e == 4) {
                drums.note(at, 60, 36, 120);
            }
            if (e == 2 || e == 6) {
                drums.note(at, 60, 38, 115);
            }
        }
        if (b % 4 == 0) {
            drums.note(bar(b), 60, 49, 110);
        }
    }
    drums.note(bar(songBars - 1) + 3 * ticksPerBeat, 60, 45, 110).note(bar(songBars - 1) + 3 * ticksPerBeat + ticksPerBeat / 2, 60, 41, 110);
    tracks = {guitar, crunch, bass, lead, drums};
    return smf(tracks);
}

std::vector<uint8_t> orchestraSong()
{
    std::vector<Track> tracks;
    Track strings(0), violin(1), cello(2), horn(3), flute(4), trumpet(5), harp(6), timpani(7), kit(drumChannel);
    strings.program(48, 90, 50);
    violin.program(40, 95, 40);
    cello.program(42, 95, 80);
    horn.program(60, 85, 70);
    flute.program(73, 85, 30);
    trumpet.program(56, 80, 90);
    harp.program(46, 90, 20);
    timpani.program(47, 100);
    kit.program(48, 100);
    static constexpr std::array<int, 8> theme = {76, 77, 79, 81, 79, 77, 76, 74};
    for (uint32_t b = 0; b < songBars; ++b) {
        const int root = rockRoots[b];
        const bool minor = b < 2;
        const int third = root + (minor ? 3 : 4);
        strings.chord(bar(b), 4 * ticksPerBeat - 20, {root + 12, third + 12, root + 19}, 85);
        cello.note(bar(b), 2 * ticksPerBeat - 20, root - 12, 95).note(bar(b) + 2 * ticksPerBeat, 2 * ticksPerBeat - 20, root - 5, 90);
        violin.note(bar(b), 2 * ticksPerBeat - 20, theme[b], 95).note(bar(b) + 2 * ticksPerBeat, 2 * ticksPerBeat - 20, theme[(b + 3) % 8], 90);
        horn.note(bar(b), 4 * ticksPerBeat - 40, third, 85);
        if (b >= 4) {
            flute.note(bar(b), ticksPerBeat - 20, theme[b] + 12, 85).note(bar(b) + ticksPerBeat, ticksPerBeat - 20, theme[(b + 1) % 8] + 12, 85);
            trumpet.note(bar(b) + 2 * ticksPerBeat, 2 * ticksPerBeat - 20, root + 19, 90);
        }
        for (uint32_t e = 0; e < 8; ++e) {
            static constexpr std::array<int, 4> arpeggio = {0, 7, 12, 16};
            harp.note(bar(b) + e * ticksPerBeat / 2, ticksPerBeat, root + arpeggio[e % 4] + (minor && e % 4 == 3 ? -1 : 0), 80);
        }
        timpani.note(bar(b), ticksPerBeat, root - 12, 100);
        if (b % 2 == 1) {
            kit.note(bar(b) + 3 * ticksPerBeat, 60, 57, 90);
        }
        kit.note(bar(b), 60, 35, 90);
    }
    tracks = {strings, violin, cello, horn, flute, trumpet, harp, timpani, kit};
    return smf(tracks);
}

std::vector<uint8_t> jazzSong()
{
    std::vector<Track> tracks;
    Track piano(0), bass(1), sax(2), guitar(3), vibes(4), drums(drumChannel);
    piano.program(0, 90, 44);
    bass.program(32, 110);
    sax.program(66, 95, 80);
    guitar.program(26, 80, 96);
    vibes.program(11, 75, 30);
    drums.program(32, 100);
    // ii-V-I-VI in C: D minor 7, G7, C major 7, A7.
    static constexpr std::array<int, 4> roots = {50, 43, 48, 45};
    static constexpr std::array<std::array<int, 3>, 4> voicings = {{{65, 69, 72}, {65, 71, 74}, {64, 67, 71}, {61, 67, 72}}};
    static constexpr std::array<int, 16> line = {77, 76, 74, 72, 71, 72, 74, 77, 76, 72, 67, 69, 73, 76, 79, 77};
    for (uint32_t b = 0; b < songBars; ++b) {
        const int root = roots[b % 4];
        const auto& chord = voicings[b % 4];
        piano.chord(bar(b) + ticksPerBeat + ticksPerBeat / 2, ticksPerBeat / 2, {chord[0], chord[1], chord[2]}, 80);
        piano.chord(bar(b) + 3 * ticksPerBeat, ticksPerBeat, {chord[0], chord[1], chord[2]}, 75);
        guitar.chord(bar(b), ticksPerBeat - 40, {chord[0] - 12, chord[2] - 12}, 70);
        static constexpr std::array<int, 4> walk = {0, 4, 7, 9};
        for (uint32_t q = 0; q < 4; ++q) {
            bass.note(bar(b) + q * ticksPerBeat, ticksPerBeat - 40, root - 12 + walk[q], 105);
            sax.note(bar(b) + q * ticksPerBeat, ticksPerBeat - 30, line[(4 * b + q) % line.size()] - 12, 95);
            drums.note(bar(b) + q * ticksPerBeat, 60, 51, 85);
            if (q % 2 == 1) {
                drums.note(bar(b) + q * ticksPerBeat, 60, 44, 80).note(bar(b) + q * ticksPerBeat + ticksPerBeat * 2 / 3, 60, 51, 70);
            }
        }
        if (b % 2 == 1) {
            vibes.note(bar(b) + 2 * ticksPerBeat, 2 * ticksPerBeat, chord[2] + 12, 80);
        }
        drums.note(bar(b), 60, 36, 80).note(bar(b) + 3 * ticksPerBeat + ticksPerBeat * 2 / 3, 60, 38, 70);
    }
    tracks = {piano, bass, sax, guitar, vibes, drums};
    return smf(tracks);
}

std::vector<uint8_t> pianoSong()
{
    std::vector<Track> tracks;
    Track piano(0);
    piano.program(0, 100);
    piano.add(0, {0xB0, 64, 0});
    for (uint32_t b = 0; b < songBars; ++b) {
        const int root = rockRoots[b] - 12;
        const int third = root + (b < 2 ? 3 : 4);
        piano.add(bar(b), {0xB0, 64, 127});
        piano.add(bar(b) + 4 * ticksPerBeat - 10, {0xB0, 64, 0});
        static constexpr std::array<int, 8> pattern = {0, 7, 12, 16, 24, 16, 12, 7};
        for (uint32_t e = 0; e < 8; ++e) {
            const int step = pattern[e];
            piano.note(bar(b) + e * ticksPerBeat / 2, ticksPerBeat / 2, step == 16 ? third + 12 : root + step, 70 + (e == 0 ? 20 : 0));
        }
        piano.note(bar(b), 2 * ticksPerBeat, root + 36, 95).note(bar(b) + 2 * ticksPerBeat, ticksPerBeat, third + 36, 85);
        piano.note(bar(b) + 3 * ticksPerBeat, ticksPerBeat, root + 43 + (b % 2 ? 5 : 0), 85);
        if (b % 2 == 1) {
            piano.chord(bar(b) + 2 * ticksPerBeat, 2 * ticksPerBeat, {root + 48, third + 48}, 80);
        }
    }
    tracks = {piano};
    return smf(tracks);
}

std::vector<uint8_t> drumSong()
{
    std::vector<Track> tracks;
    Track drums(drumChannel);
    drums.program(0, 110);
    // Two bars per kit: standard rock beat, power funk, electronic, analog with hand percussion.
    static constexpr std::array<uint8_t, 4> kits = {0, 16, 24, 25};
    for (uint32_t b = 0; b < songBars; ++b) {
        if (b % 2 == 0) {
            drums.programAt(bar(b), kits[b / 2]);
        }
        for (uint32_t s = 0; s < 16; ++s) {
            const uint32_t at = bar(b) + s * ticksPerBeat / 4;
            if (s % 2 == 0) {
                drums.note(at, 60, b % 4 == 3 ? 51 : 42, s % 4 ? 75 : 95);
            } else if (b % 2 == 1) {
                drums.note(at, 60, 44, 60);
            }
            if (s == 0 || s == 7 || s == 10) {
                drums.note(at, 60, 36, 120);
            }
            if (s == 4 || s == 12) {
                drums.note(at, 60, 38, 115);
            }
            if (b >= 6 && s % 4 == 2) {
                drums.note(at, 60, 62 + static_cast<int>(s / 4) % 3, 90).note(at, 60, 70, 70);
            }
            if (b >= 4 && s == 14) {
                drums.note(at, 60, 39, 100);
            }
        }
        if (b % 2 == 1) {
            drums.note(bar(b) + 3 * ticksPerBeat, 60, 48, 105).note(bar(b) + 3 * ticksPerBeat + ticksPerBeat / 4, 60, 45, 105);
            drums.note(bar(b) + 3 * ticksPerBeat + ticksPerBeat / 2, 60, 43, 105).note(bar(b) + 3 * ticksPerBeat + 3 * ticksPerBeat / 4, 60, 41, 105);
        } else {
            drums.note(bar(b), 60, b == 0 ? 49 : 57, 105);
        }
        if (b == 5) {
            drums.note(bar(b) + 2 * ticksPerBeat, 60, 56, 90).note(bar(b) + 2 * ticksPerBeat, 60, 54, 80);
        }
    }
    drums.note(bar(songBars), 60, 49, 110).note(bar(songBars), 60, 36, 110);
    tracks = {drums};
    return smf(tracks);
}

}  // namespace

std::vector<StyleSong> styleSongs()
{
    return {{"rock band", rockSong()},   {"orchestra", orchestraSong()}, {"jazz combo", jazzSong()},
            {"solo piano", pianoSong()}, {"drum grooves", drumSong()}};
}

}  // namespace quorva::tonemeter
