// quorva-render --video: the sound against the pictures (every note's first glow and first
// sound), a mute of the input script heard, and an interrupted export leaving nothing.
#include "support/smf_builder.h"
#include "video_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace quorva::testing::video {
namespace {

// Eight notes of channel 1's middle C, far apart, the tempo faster from the fifth on.
std::vector<uint8_t> spacedNotes()
{
    TrackBuilder track;
    track.event(0, {0xC0, 0});
    uint32_t delta = 20;
    for (uint32_t i = 0; i < 8; ++i) {
        if (i == 4) {
            track.tempo(delta, 300000);
            delta = 0;
        }
        track.event(delta, {0x90, 60, 100}).event(30, {0x80, 60, 0});
        delta = 170 + 7 * i;  // each note meets the 16 ms frames at another point
    }
    return buildSmf(0, 96, {track.endOfTrack(96)});
}

// Where a note starts to sound: the level reaches 1000 (of 32767) after 50 ms below it.
std::vector<double> soundOnsetsMs(const std::vector<int16_t>& samples)
{
    std::vector<double> onsets;
    size_t quiet = 44100;
    for (size_t i = 0; i < samples.size(); ++i) {
        const bool loud = std::abs(static_cast<int>(samples[i])) >= 1000;
        if (loud && quiet >= 2205) {
            onsets.push_back(static_cast<double>(i) * 1000 / 44100);
        }
        quiet = loud ? 0 : quiet + 1;
    }
    return onsets;
}

// The loudest sample within 100 ms of each onset.
std::vector<int> peaks(const std::vector<int16_t>& samples, const std::vector<double>& onsetsMs)
{
    std::vector<int> out;
    for (double onset : onsetsMs) {
        int peak = 0;
        const auto first = static_cast<size_t>(onset * 44.1);
        for (size_t i = first; i < std::min(samples.size(), first + 4410); ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
        }
        out.push_back(peak);
    }
    return out;
}

// Where middle C of channel 1 lights up on KB.FULL (scale 1): frames whose key differs from
// the dark key of the first frame, after one that does not.
std::vector<double> glowOnsetsMs(const std::vector<Rgb>& frames, uint32_t fps)
{
    const auto key = [](const Rgb& frame) {
        Rgb out;
        for (int y = 64; y < 84; ++y) {
            const auto row = frame.begin() + (y * screenWidth + 422) * 3;
            out.insert(out.end(), row, row + 6 * 3);
        }
        return out;
    };
    std::vector<double> onsets;
    bool lit = false;
    for (size_t k = 0; k < frames.size(); ++k) {
        const bool nowLit = key(frames[k]) != key(frames[0]);
        if (nowLit && !lit) {
            onsets.push_back(static_cast<double>(k) * 1000 / fps);
        }
        lit = nowLit;
    }
    return onsets;
}

TEST(VideoExport, EveryNoteGlowsWithinOneFrameOfItsFirstSound)
{
    TempDir dir;
    const LosslessPictures lossless;
    const auto song = dir.write("notes.mid", spacedNotes());
    struct Case {
        std::string options;
        uint32_t fps;
    };
    std::vector<int> loudness;
    double muteMs = 0;
    for (const Case& test : {Case{"--fps 30", 30}, Case{"--fps 60 --speed 2", 60}, Case{"--fps 60 --from 2000", 60}}) {
        const auto mp4 = dir / "notes.mp4";
        ASSERT_EQ(run(quoted(song) + " --video " + quoted(mp4) + " --scale 1 " + test.options).status, 0);
        const std::vector<int16_t> sound = decodeSound(mp4);
        const std::vector<double> sounds = soundOnsetsMs(sound);
        const std::vector<double> glows = glowOnsetsMs(decodePictures(mp4, 640, 480), test.fps);
        ASSERT_EQ(sounds.size(), test.options.find("--from") != std::string::npos ? 6u : 8u) << test.options;
        ASSERT_EQ(glows.size(), sounds.size()) << test.options;
        for (size_t i = 0; i < sounds.size(); ++i) {
            EXPECT_LT(std::abs(glows[i] - sounds[i]), 1000.0 / test.fps)
                << test.options << ": note " << i << " glows at " << glows[i] << " ms, sounds at " << sounds[i];
        }
        if (test.fps == 30) {
            loudness = peaks(sound, sounds);
            muteMs = (sounds[3] + sounds[4]) / 2;
        }
    }

    // The sound follows the script: muted between the fourth and the fifth note, channel 1
    // plays on at the mute level.
    const auto script = dir.write("mute.txt", std::to_string(std::lround(muteMs)) + " move 5 70\n" +
                                                  std::to_string(std::lround(muteMs)) + " press left\n" +
                                                  std::to_string(std::lround(muteMs) + 16) + " release left\n");
    const auto muted = dir / "muted.mp4";
    const std::string options = " --scale 1 --fps 30 --input " + quoted(script);
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(muted) + options).status, 0);
    const std::vector<int16_t> sound = decodeSound(muted);
    const std::vector<int> mutedLoudness = peaks(sound, soundOnsetsMs(sound));
    ASSERT_EQ(mutedLoudness.size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        if (i < 4) {
            EXPECT_NEAR(mutedLoudness[i], loudness[i], loudness[i] / 20) << i;
        } else {
            EXPECT_LT(mutedLoudness[i], loudness[i] * 4 / 5) << i;
        }
    }
}

// Starts quorva-render with the arguments, its output going to `log`.
pid_t startRender(const std::vector<std::string>& args, const std::filesystem::path& log)
{
    const std::string program = std::string(std::getenv("QUORVA_BIN_DIR")) + "/quorva-render";
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        std::vector<char*> argv = {const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// Waits up to 30 s for a file of the directory whose name starts with `prefix` to hold at
// least `bytes` bytes.
bool waitForFile(const std::filesystem::path& directory, const std::string& prefix, uintmax_t bytes)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& entry : std::filesystem::directory_iterator(directory)) {
            std::error_code ignored;
            if (entry.path().filename().string().rfind(prefix, 0) == 0 && entry.file_size(ignored) >= bytes) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(VideoExport, InterruptStopsAndLeavesNoFileBehind)
{
    TempDir dir;
    TrackBuilder track;
    for (uint32_t i = 0; i < 120; ++i) {
        const auto key = static_cast<uint8_t>(48 + i % 24);
        track.event(i == 0 ? 0 : 48, {0x90, key, 100}).event(48, {0x80, key, 0});
    }
    const auto song = dir.write("long.mid", buildSmf(0, 96, {track.endOfTrack()}));  // a minute
    const auto temporary = dir / "tmp";
    std::filesystem::create_directory(temporary);
    const auto log = temporary / "log.txt";
    struct TemporaryDirectory {
        explicit TemporaryDirectory(const std::filesystem::path& path) { setenv("TMPDIR", path.c_str(), 1); }
        ~TemporaryDirectory() { unsetenv("TMPDIR"); }
    } inTemporary(temporary);
    // Once while the pictures are being encoded (the file has its header), once before.
    for (uintmax_t written : {1u, 0u}) {
        const pid_t pid = startRender({song.string(), "--video", (dir / "out.mp4").string()}, log);
        const bool started = waitForFile(dir.path(), ".out.mp4.", written);
        kill(pid, started ? SIGINT : SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(started) << written;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
        std::ifstream in(log);
        const std::string output{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(output, "quorva-render: interrupted; " + (dir / "out.mp4").string() + " was not written\n");
        // The song, the directory of temporary files, and in it only the log.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << written;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temporary), {}), 1) << written;
    }
}

}  // namespace
}  // namespace quorva::testing::video
