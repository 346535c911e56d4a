#include "support/run_tool.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"
#include "synth/synth_tones.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace quorva {
namespace {

using RenderRun = testing::ToolResult;

RenderRun render(const std::string& arguments) { return testing::runTool("quorva-render", arguments); }

struct Wav {
    std::vector<uint8_t> header;
    std::vector<int16_t> samples;
};

Wav readWav(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Wav wav;
    if (bytes.size() < 44) {
        return wav;
    }
    wav.header.assign(bytes.begin(), bytes.begin() + 44);
    wav.samples.resize((bytes.size() - 44) / 2);
    std::memcpy(wav.samples.data(), bytes.data() + 44, wav.samples.size() * 2);
    return wav;
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

size_t firstSoundingFrame(const std::vector<int16_t>& samples)
{
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] != 0) {
            return i / 2;
        }
    }
    return samples.size();
}

class RenderWav : public ::testing::Test {
protected:
    void SetUp() override
    {
        tones = dir.write("tones.dat", testing::synthTestTones()).string();
        testing::TrackBuilder track;
        track.event(0, {0xC0, 1}).event(0, {0x90, 60, 110}).event(480, {0x80, 60, 0});
        track.event(0, {0x99, 36, 100}).event(60, {0x89, 36, 0});
        song = dir.write("song.mid", testing::buildSmf(0, 480, {track})).string();
    }
    testing::TempDir dir;
    std::string tones;
    std::string song;
};

TEST_F(RenderWav, SongStartsBufferPlusFiftyMsIntoTheFileAndEndsWhenSilent)
{
    const auto out = dir / "out.wav";
    const RenderRun run = render(song + " --wav " + out.string() + " --tones " + tones);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "");
    const Wav wav = readWav(out);
    ASSERT_EQ(wav.header.size(), 44u);
    EXPECT_EQ(std::string(wav.header.begin(), wav.header.begin() + 4), "RIFF");
    EXPECT_EQ(le32(wav.header, 24), 44100u);
    EXPECT_EQ(wav.header[22], 2);
    EXPECT_EQ(wav.header[34], 16);
    EXPECT_EQ(le32(wav.header, 40), wav.samples.size() * 2);
    // Play at T0, first tick (and the notes) at T0 + 5: heard 100 + 50 + 5 ms into the file.
    // (frame 6836 is the first stamped 155 ms; the attack takes a few samples to be heard)
    EXPECT_GE(firstSoundingFrame(wav.samples), 6836u);
    EXPECT_LE(firstSoundingFrame(wav.samples), 6836u + 10);
    // Whole halves of 100 ms; the song stops 1 s after its last note (at 1.5 s), heard at
    // 1.65 s, then the release.
    EXPECT_EQ(wav.samples.size() % (2 * 4410), 0u);
    EXPECT_GT(wav.samples.size(), 2u * 44100 * 165 / 100);
    EXPECT_LT(wav.samples.size(), 2u * 44100 * 3);
    EXPECT_EQ(wav.samples.back(), 0);

    // Shorter buffers move the start; a higher level shift doubles the level.
    const auto quick = dir / "quick.wav";
    ASSERT_EQ(render(song + " --wav " + quick.string() + " --tones " + tones + " --buffer-ms 50 --level-shift 7").status, 0);
    const Wav quickWav = readWav(quick);
    EXPECT_EQ(firstSoundingFrame(quickWav.samples), firstSoundingFrame(wav.samples) - 2205);  // 50 ms earlier
    const size_t a = firstSoundingFrame(wav.samples) * 2 + 200;
    const size_t b = firstSoundingFrame(quickWav.samples) * 2 + 200;
    EXPECT_NEAR(quickWav.samples[b], 2 * wav.samples[a], 2);
}

TEST_F(RenderWav, EventLogGivesTheSameSoundAsTheSong)
{
    const auto log = dir / "song.log";
    const RenderRun events = render(song + " --events > " + log.string());
    ASSERT_EQ(events.status, 0);
    const auto fromSong = dir / "a.wav";
    const auto fromLog = dir / "b.wav";
    ASSERT_EQ(render(song + " --wav " + fromSong.string() + " --tones " + tones).status, 0);
    ASSERT_EQ(render("--events-in " + log.string() + " --wav " + fromLog.string() + " --tones " + tones).status, 0);
    const Wav a = readWav(fromSong);
    const Wav b = readWav(fromLog);
    ASSERT_FALSE(a.samples.empty());
    EXPECT_EQ(a.samples, b.samples);
}

TEST_F(RenderWav, BadOptionsAndFilesFailWithOneLine)
{
    const std::string wav = " --wav " + (dir / "x.wav").string();
    const std::string bad[] = {
        song + wav + " --tones " + tones + " --voices 12",
        song + wav + " --tones " + tones + " --level-shift 9",
        song + wav + " --tones " + tones + " --buffer-ms 60",
        song + wav + " --tones " + tones + " --speed 1.1",
        song + wav + " --tones " + (dir / "missing.dat").string(),
        (dir / "missing.mid").string() + wav + " --tones " + tones,
        song + " --tones " + tones + " --wav",
        "--events-in " + tones + wav + " --tones " + tones,
        song + " --events-in " + song + wav,
        song + " --wav " + (dir / "no" / "such" / "dir.wav").string() + " --tones " + tones,
    };
    for (const std::string& arguments : bad) {
        const RenderRun run = render(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << arguments << ": " << run.out;
    }
}

}  // namespace
}  // namespace quorva
