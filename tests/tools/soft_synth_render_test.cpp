#include "support/run_tool.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace quorva {
namespace {

using Result = testing::ToolResult;

Result run(const std::string& arguments) { return testing::runTool("quorva-render", arguments); }

bool haveSoundFont()
{
    return std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2") ||
           std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf3");
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// The 64 control changes that follow a replaced reset: RPN 0 (pitch-bend range) = 2 on
// every channel, all stamped `stamp`.
std::vector<std::string> bendRangeLines(const std::string& stamp)
{
    std::vector<std::string> out;
    const char* hex = "0123456789abcdef";
    for (int channel = 0; channel < 16; ++channel) {
        const std::string status = std::string("b") + hex[channel];
        for (const char* change : {" 65 00", " 64 00", " 06 02", " 26 00"}) {
            out.push_back(stamp + " 1 " + status + change);
        }
    }
    return out;
}

// The collection is the system's General MIDI SoundFont (FluidR3): program 4 exists in
// bank 8, program 0 only in bank 0; drum kit 25 exists, kit 26 does not.
TEST(SoftSynthRender, PortLogShowsEveryRuleOfThePort)
{
    if (!haveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed (fluid-soundfont-gm)";
    }
    testing::TempDir dir;
    testing::TrackBuilder track;
    track.event(0, {0xB0, 32, 3})   // Bank Select LSB: dropped
        .event(0, {0xB0, 0, 8})
        .event(0, {0xC0, 4})        // bank 8 has it
        .event(0, {0xC0, 0})        // bank 8 lacks it: Bank Select MSB 0 first
        .event(0, {0xC9, 26})       // no such kit: the standard kit
        .event(0, {0xC9, 25})
        .event(0, {0x90, 60, 100})
        .event(1, {0x80, 60, 0})    // same millisecond as its note-on: 1 ms later
        .event(0, {0x90, 62, 100})
        .event(480, {0x80, 62, 0})  // half a second later: no extra
        .sysex(0, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7})
        .sysex(0, {0xF0, 0x7D, 0x01, 0xF7})
        .endOfTrack(0);
    // Seventeen note-ons at once on channel 1 at 250 ms (the pool's reuse itself is covered
    // by the port's own tests: nothing of it is visible here but the order).
    testing::TrackBuilder chord;
    for (uint8_t key = 40; key < 57; ++key) {
        chord.event(key == 40 ? 240 : 0, {0x91, key, 90});
    }
    chord.event(960, {0x91, 40, 0}).event(0, {0x81, 41, 0}).endOfTrack(0);
    const auto song = dir.write("rules.mid", testing::buildSmf(1, 480, {track, chord}));

    const Result log = run(song.string() + " --output ms-ss --port-log");
    ASSERT_EQ(log.status, 0) << log.out;
    std::vector<std::string> expected = {
        "55 1 b0 00 08", "55 1 c0 04", "55 1 b0 00 00", "55 1 c0 00", "55 1 c9 00", "55 1 c9 19",
        "55 1 90 3c 64", "56 1 80 3c 00", "55 1 90 3e 64",
    };
    for (uint8_t key = 40; key < 57; ++key) {
        char line[32];
        std::snprintf(line, sizeof line, "300 1 91 %02x 5a", key);
        expected.push_back(line);
    }
    expected.push_back("555 1 80 3e 00");
    expected.push_back("555 0 f0 41 10 42 12 40 00 7f 00 41 f7");
    const auto bends = bendRangeLines("555");
    expected.insert(expected.end(), bends.begin(), bends.end());
    expected.push_back("555 0 f0 7d 01 f7");  // any other: unchanged
    // A second later no note-on is recent any more.
    expected.push_back("1305 1 91 28 00");
    expected.push_back("1305 1 81 29 00");
    const auto got = lines(log.out);
    ASSERT_GE(got.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(got[i], expected[i]) << "line " << i;
    }

    // A song without its own reset starts with the GM System On, replaced.
    testing::TrackBuilder plain;
    plain.event(0, {0x90, 60, 100}).event(0, {0x90, 60, 0}).endOfTrack(0);
    const auto plainSong = dir.write("plain.mid", testing::buildSmf(0, 480, {plain}));
    const auto start = lines(run(plainSong.string() + " --output ms-ss --port-log").out);
    ASSERT_GE(start.size(), 67u);
    EXPECT_EQ(start[0], "50 0 f0 41 10 42 12 40 00 7f 00 41 f7");
    EXPECT_EQ(std::vector<std::string>(start.begin() + 1, start.begin() + 65), bendRangeLines("50"));
    EXPECT_EQ(start[65], "55 1 90 3c 64");
    EXPECT_EQ(start[66], "56 1 90 3c 00");  // a note-on with velocity 0 is a note-off
}

// Reads a 16-bit stereo WAV: its rate, the RMS level of its samples and how many are at
// full scale.
struct WavSummary {
    uint32_t rate = 0;
    double seconds = 0;
    double rms = 0;
    size_t fullScale = 0;
};

WavSummary readWav(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WavSummary summary;
    if (bytes.size() < 44) {
        return summary;
    }
    summary.rate = bytes[24] | bytes[25] << 8 | bytes[26] << 16 | static_cast<uint32_t>(bytes[27]) << 24;
    double sum = 0;
    const size_t samples = (bytes.size() - 44) / 2;
    for (size_t i = 0; i < samples; ++i) {
        const auto value = static_cast<int16_t>(bytes[44 + 2 * i] | bytes[45 + 2 * i] << 8);
        sum += static_cast<double>(value) * value;
        summary.fullScale += value == 32767 || value == -32768;
    }
    summary.seconds = samples / 2.0 / summary.rate;
    summary.rms = samples ? std::sqrt(sum / samples) : 0;
    return summary;
}

TEST(SoftSynthRender, WavAtEachRateHoldsTheMusicAndBadOptionsFail)
{
    if (!haveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed (fluid-soundfont-gm)";
    }
    testing::TempDir dir;
    testing::TrackBuilder track;
    track.event(0, {0xC0, 0}).event(0, {0x90, 60, 110}).event(0, {0x90, 67, 110}).event(960, {0x80, 60, 0})
        .event(0, {0x80, 67, 0}).endOfTrack(0);
    const auto song = dir.write("fifth.mid", testing::buildSmf(0, 480, {track}));
    for (const char* rate : {"11025", "22050", "44100"}) {
        const auto wav = dir / (std::string(rate) + ".wav");
        const Result result =
            run(song.string() + " --output ms-ss --wav " + wav.string() + " --sample-rate " + rate + " --effects 1");
        ASSERT_EQ(result.status, 0) << result.out;
        const WavSummary summary = readWav(wav);
        EXPECT_EQ(summary.rate, static_cast<uint32_t>(std::stoi(rate)));
        EXPECT_GT(summary.seconds, 1.0) << rate;  // the song lasts 1 s, then its release
        EXPECT_LT(summary.seconds, 4.0) << rate;
        EXPECT_GT(summary.rms, 300) << rate;
    }
    // The song's --events log renders to the same samples.
    const auto log = dir / "fifth.log";
    const auto fromLog = dir / "log.wav";
    ASSERT_EQ(run(song.string() + " --events >" + log.string()).status, 0);
    ASSERT_EQ(run("--events-in " + log.string() + " --output ms-ss --wav " + fromLog.string() +
                  " --sample-rate 44100 --effects 1").status, 0);
    const auto bytes = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_TRUE(bytes(fromLog) == bytes(dir / "44100.wav")) << "the log renders other samples than the song";
    // The mapper's built-in synthesizer renders too.
    const auto mapped = dir / "mapped.wav";
    ASSERT_EQ(run(song.string() + " --output mm-out --wav " + mapped.string()).status, 0);
    EXPECT_GT(readWav(mapped).rms, 300);

    for (const std::string& arguments :
         {song.string() + " --output ms-ss --wav x.wav --sample-rate 48000", song.string() + " --output ms-ss --wav x.wav --effects 2",
          song.string() + " --output fm --port-log", song.string() + " --output sb16 --events",
          song.string() + " --output null --wav x.wav", song.string() + " --output ms-ss --port-log --wav x.wav",
          "--events-in " + song.string() + " --output ms-ss --port-log",
          song.string() + " --events-in x.log --output ms-ss --wav x.wav"}) {
        const Result result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_NE(result.out.find("quorva-render"), std::string::npos) << arguments;
    }
    const Result listed = run("--list-midi-out");
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.out.find("chosen: "), std::string::npos);
}

// The General MIDI synthesizer at the settings' defaults ("[MS-SS]": 22050 Hz, no effects;
// the system MIDI out's built-in synthesizer: 44100 Hz with reverb and chorus) plays within
// 3 dB RMS of the FM synthesizer at its defaults, and never reaches full scale. The songs:
// the demo song and, when the openttd-openmsx package is installed, the three of its real
// General MIDI songs with the most channels, whose loud passages need the limiter.
TEST(SoftSynthRender, PlaysAsLoudAsTheFmSynthesizerWithoutClipping)
{
    if (!haveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed (fluid-soundfont-gm)";
    }
    std::vector<std::string> songs = {std::string(std::getenv("QUORVA_SOURCE_DIR")) + "/data/demo.mid"};
    const std::filesystem::path realSongs = "/usr/share/games/openttd/baseset/openmsx";
    for (const char* name : {"tttheme2.mid", "keep_on_rolling.mid", "modern_motion.mid"}) {
        if (std::filesystem::exists(realSongs / name)) {
            songs.push_back((realSongs / name).string());
        }
    }
    testing::TempDir dir;
    const auto wav = (dir / "out.wav").string();
    for (const std::string& song : songs) {
        ASSERT_EQ(run(song + " --wav " + wav).status, 0) << song;
        const double fm = 20 * std::log10(readWav(wav).rms / 32768);
        for (const char* output : {"ms-ss", "mm-out"}) {
            const Result result = run(song + " --output " + output + " --wav " + wav);
            ASSERT_EQ(result.status, 0) << result.out;
            const WavSummary soft = readWav(wav);
            EXPECT_NEAR(20 * std::log10(soft.rms / 32768), fm, 3.0) << song << " " << output;
            EXPECT_EQ(soft.fullScale, 0u) << song << " " << output;
        }
    }
}

TEST(SoftSynthRender, NamedSoundFontIsUsedAndAMissingOneFailsWithAMessage)
{
    testing::TempDir dir;
    testing::TrackBuilder track;
    track.event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).endOfTrack(0);
    const auto song = dir.write("one.mid", testing::buildSmf(0, 96, {track}));
    const auto missing = dir / "missing.sf2";
    setenv("QUORVA_SOUNDFONT", missing.c_str(), 1);
    const Result result = run(song.string() + " --output ms-ss --port-log");
    const Result listed = run("--list-midi-out");
    unsetenv("QUORVA_SOUNDFONT");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "quorva-render: cannot open the SoundFont " + missing.string() + "\n");
    EXPECT_NE(listed.out.find(missing.string()), std::string::npos);
}

}  // namespace
}  // namespace quorva
