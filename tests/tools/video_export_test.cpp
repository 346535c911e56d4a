// quorva-render --video: the exported file as FFmpeg's own tools read it, against the
// pictures of --screen and the notes of the song.
#include "support/run_tool.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace quorva {
namespace {

using Result = testing::ToolResult;
using Rgb = std::vector<uint8_t>;  // rows of red, green, blue

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

Result run(const std::string& arguments) { return testing::runTool("quorva-render", arguments); }

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// Standard output of a shell command.
std::string capture(const std::string& command)
{
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[1 << 16];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, got);
        }
        pclose(pipe);
    }
    return out;
}

// ffprobe's "key=value" lines of one stream ("v:0", "a:0") or of the format ("").
std::map<std::string, std::string> probe(const std::filesystem::path& video, const std::string& stream)
{
    const std::string entries = stream.empty() ? "format=duration"
                                               : "stream=codec_name,pix_fmt,width,height,r_frame_rate,color_space,"
                                                 "color_range,sample_rate,channels,duration,nb_frames";
    const std::string select = stream.empty() ? "" : " -select_streams " + stream;
    std::map<std::string, std::string> values;
    std::string text = capture("ffprobe -v error" + select + " -show_entries " + entries + " -of default=nw=1 " +
                               quoted(video));
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

// The frames (the first `count`, or all), as FFmpeg decodes them, in RGB.
std::vector<Rgb> decodePictures(const std::filesystem::path& video, int width, int height, int count = 0)
{
    const std::string limit = count > 0 ? " -frames:v " + std::to_string(count) : "";
    const std::string bytes = capture("ffmpeg -v error -i " + quoted(video) + " -fps_mode passthrough" + limit +
                                      " -f rawvideo -pix_fmt rgb24 -");
    const size_t frameBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    std::vector<Rgb> frames;
    for (size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        frames.emplace_back(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + frameBytes));
    }
    return frames;
}

// The sound, decoded and mixed to one channel at 44100 Hz.
std::vector<int16_t> decodeSound(const std::filesystem::path& video)
{
    const std::string bytes = capture("ffmpeg -v error -i " + quoted(video) + " -f s16le -ac 1 -ar 44100 -");
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    }
    return samples;
}

// --screen's picture of the song at `atMs` (with the script, when given), in RGB.
Rgb screenAt(const testing::TempDir& dir, const std::filesystem::path& song, uint32_t atMs,
             const std::string& extra = "")
{
    const auto bitmap = dir / "screen.bmp";
    const Result result = run(quoted(song) + " --screen " + quoted(bitmap) + " --at " + std::to_string(atMs) + " " + extra);
    EXPECT_EQ(result.status, 0) << result.out;
    std::ifstream in(bitmap, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Rgb rgb(screenWidth * screenHeight * 3);
    if (file.size() != 54u + rgb.size()) {
        ADD_FAILURE() << "no bitmap at " << atMs;
        return rgb;
    }
    for (int y = 0; y < screenHeight; ++y) {
        const uint8_t* row = file.data() + 54 + static_cast<size_t>(screenHeight - 1 - y) * screenWidth * 3;
        for (int x = 0; x < screenWidth; ++x) {
            uint8_t* out = rgb.data() + (static_cast<size_t>(y) * screenWidth + x) * 3;
            out[0] = row[3 * x + 2];
            out[1] = row[3 * x + 1];
            out[2] = row[3 * x];
        }
    }
    return rgb;
}

// Each pixel repeated `scale` times across and down.
Rgb scaled(const Rgb& picture, int scale)
{
    const int width = screenWidth * scale;
    Rgb out(picture.size() * static_cast<size_t>(scale * scale));
    for (int y = 0; y < screenHeight * scale; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* from = picture.data() + (static_cast<size_t>(y / scale) * screenWidth + x / scale) * 3;
            std::copy(from, from + 3, out.data() + (static_cast<size_t>(y) * width + x) * 3);
        }
    }
    return out;
}

double psnr(const Rgb& a, const Rgb& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double difference = static_cast<double>(a[i]) - b[i];
        sum += difference * difference;
    }
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / sum);
}

// The mean difference of each channel over the pixels of strong colour (the level bars, the
// lit keys), where a wrong colour matrix shows; the mostly grey screen hides it from the PSNR.
std::array<double, 3> colourError(const Rgb& frame, const Rgb& picture)
{
    std::array<double, 3> sums{};
    size_t count = 0;
    for (size_t i = 0; i + 2 < picture.size(); i += 3) {
        const auto [low, high] = std::minmax({picture[i], picture[i + 1], picture[i + 2]});
        if (high - low >= 96) {
            ++count;
            for (size_t c = 0; c < 3; ++c) {
                sums[c] += std::abs(static_cast<double>(frame[i + c]) - picture[i + c]);
            }
        }
    }
    EXPECT_GT(count, 4000u);
    for (double& sum : sums) {
        sum /= static_cast<double>(count);
    }
    return sums;
}

// The pictures of the tests' videos as the encoder gets them, without loss.
class LosslessPictures {
public:
    LosslessPictures() { setenv("QUORVA_VIDEO_LOSSLESS", "1", 1); }
    ~LosslessPictures() { unsetenv("QUORVA_VIDEO_LOSSLESS"); }
};

// Notes of channel 1 (middle C, lit at 422..427, 64..83 on KB.FULL) and channel 2.
std::vector<uint8_t> shortSong()
{
    testing::TrackBuilder track;
    track.text(0, 3, "Video test").event(0, {0xC0, 0}).event(0, {0xC1, 40});
    for (uint32_t i = 0; i < 6; ++i) {
        track.event(i == 0 ? 24 : 72, {0x90, 60, 100}).event(0, {0x91, static_cast<uint8_t>(64 + i), 90});
        track.event(24, {0x80, 60, 0}).event(0, {0x81, static_cast<uint8_t>(64 + i), 0});
    }
    return testing::buildSmf(0, 96, {track.endOfTrack()});
}

TEST(VideoExport, FileHoldsTheScreenAndTheSoundInStreamsEveryPlayerOpens)
{
    testing::TempDir dir;
    const auto song = dir.write("song.mid", shortSong());
    const auto mp4 = dir / "song.mp4";
    const Result result = run(quoted(song) + " --video " + quoted(mp4));
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out.find("quorva-render: " + mp4.string() + ": "), 0u) << result.out;
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << result.out;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // nothing else left

    auto video = probe(mp4, "v:0");
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_EQ(video["pix_fmt"], "yuv420p");
    EXPECT_EQ(video["width"], "1280");
    EXPECT_EQ(video["height"], "960");
    EXPECT_EQ(video["r_frame_rate"], "60/1");
    EXPECT_EQ(video["color_space"], "bt709");
    EXPECT_EQ(video["color_range"], "tv");
    auto sound = probe(mp4, "a:0");
    EXPECT_EQ(sound["codec_name"], "aac");
    EXPECT_EQ(sound["sample_rate"], "44100");
    EXPECT_EQ(sound["channels"], "2");
    // The song ends at 2.5 s; the video lasts as long as its sound, the notes' release included.
    const double seconds = std::stod(video["duration"]);
    EXPECT_GT(seconds, 2.5);
    EXPECT_LT(seconds, 4.0);
    EXPECT_NEAR(std::stod(sound["duration"]), seconds, 0.03);
    EXPECT_EQ(std::stoi(video["nb_frames"]), std::lround(seconds * 60));

    // A decoded frame holds the screen of its time, scaled, to within the lossy encoding.
    const std::vector<Rgb> frames = decodePictures(mp4, 1280, 960, 121);
    ASSERT_EQ(frames.size(), 121u);
    for (uint32_t k : {30u, 61u, 120u}) {
        const Rgb picture = scaled(screenAt(dir, song, k * 1000 / 60), 2);
        EXPECT_GT(psnr(frames[k], picture), 40.0) << "frame " << k;
        for (double error : colourError(frames[k], picture)) {
            EXPECT_LT(error, 4.0) << "frame " << k;
        }
    }

    // The other files: Matroska at 30 frames per second, scale 1; WebM; the General MIDI
    // synthesizer's sound at its own rate.
    const auto mkv = dir / "song.mkv";
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(mkv) + " --fps 30 --scale 1 --to 1000").status, 0);
    video = probe(mkv, "v:0");
    EXPECT_EQ(video["codec_name"] + video["width"] + "x" + video["height"] + " " + video["r_frame_rate"],
              "h264640x480 30/1");
    EXPECT_EQ(probe(mkv, "a:0")["codec_name"], "aac");
    EXPECT_EQ(decodePictures(mkv, 640, 480).size(), 30u);
    const auto webm = dir / "song.webm";
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(webm) + " --scale 1 --to 500").status, 0);
    EXPECT_TRUE(probe(webm, "v:0")["codec_name"] == "vp9" || probe(webm, "v:0")["codec_name"] == "vp8");
    EXPECT_EQ(probe(webm, "a:0")["codec_name"], "vorbis");
    EXPECT_NEAR(std::stod(probe(webm, "")["duration"]), 0.5, 0.02);
    if (std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2")) {
        const auto general = dir / "general.mp4";
        ASSERT_EQ(run(quoted(song) + " --video " + quoted(general) + " --output ms-ss --scale 1 --fps 30").status, 0);
        sound = probe(general, "a:0");
        EXPECT_EQ(sound["codec_name"] + " " + sound["sample_rate"], "aac 22050");
    }
}

TEST(VideoExport, EachFrameIsTheScreenOfItsTimeWithTheScriptApplied)
{
    testing::TempDir dir;
    const LosslessPictures lossless;
    const auto song = dir.write("song.mid", shortSong());
    // KB.FLOW7's tab at 600 ms, channel 1's button (a mute) at 1200 ms.
    const auto script =
        dir.write("script.txt", std::string("600 move 150 8\n600 press left\n616 release left\n"
                                            "1200 move 5 70\n1200 press left\n1216 release left\n1300 move 700 500\n"));
    const std::string input = "--input " + quoted(script);
    const auto mp4 = dir / "part.mp4";
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(mp4) + " --fps 30 --scale 1 --from 398 --to 2398 " + input).status,
              0);
    EXPECT_EQ(probe(mp4, "v:0")["nb_frames"], "60");
    EXPECT_NEAR(std::stod(probe(mp4, "a:0")["duration"]), 2.0, 0.03);
    const std::vector<Rgb> frames = decodePictures(mp4, 640, 480);
    ASSERT_EQ(frames.size(), 60u);
    // Frame 1 at 431.3 ms shows the 16 ms frame of 416, not that of 432; frames 5 to 7 (564,
    // 598, 631 ms) are around the page's change; then the mute and the song's end.
    for (uint32_t k : {0u, 1u, 5u, 6u, 7u, 23u, 24u, 41u, 59u}) {
        EXPECT_EQ(frames[k], screenAt(dir, song, 398 + k * 1000 / 30, input)) << "frame " << k;
    }
    EXPECT_NE(frames[5], frames[7]);

    // Scale 3 at 60 frames per second: 333 ms is frame 20.
    const auto big = dir / "big.mkv";
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(big) + " --scale 3 --from 300 --to 400").status, 0);
    const std::vector<Rgb> bigFrames = decodePictures(big, 1920, 1440);
    ASSERT_EQ(bigFrames.size(), 6u);
    EXPECT_EQ(bigFrames[2], scaled(screenAt(dir, song, 333), 3));
}

// Eight notes of channel 1's middle C, far apart, the tempo faster from the fifth on.
std::vector<uint8_t> spacedNotes()
{
    testing::TrackBuilder track;
    track.event(0, {0xC0, 0});
    uint32_t delta = 20;
    for (uint32_t i = 0; i < 8; ++i) {
        if (i == 4) {
            track.tempo(delta, 300000);
            delta = 0;
        }
        track.event(delta, {0x90, 60, 100}).event(30, {0x80, 60, 0});
        delta = 170 + 7 * i;  // the notes meet the 16 ms frames at ever other points
    }
    return testing::buildSmf(0, 96, {track.endOfTrack(96)});
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
    testing::TempDir dir;
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
                << test.options << ": note " << i << " glows at " << glows[i] << " ms, sounds at " << sounds[i] << " ms";
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
    ASSERT_EQ(run(quoted(song) + " --video " + quoted(muted) + " --scale 1 --fps 30 --input " + quoted(script)).status, 0);
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
        std::FILE* out = std::fopen(log.c_str(), "w");
        dup2(fileno(out), STDOUT_FILENO);
        dup2(fileno(out), STDERR_FILENO);
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
    testing::TempDir dir;
    testing::TrackBuilder track;
    for (uint32_t i = 0; i < 120; ++i) {
        track.event(i == 0 ? 0 : 48, {0x90, static_cast<uint8_t>(48 + i % 24), 100}).event(48, {0x80, static_cast<uint8_t>(48 + i % 24), 0});
    }
    const auto song = dir.write("long.mid", testing::buildSmf(0, 96, {track.endOfTrack()}));  // a minute
    const auto temporary = dir / "tmp";
    std::filesystem::create_directory(temporary);
    const auto log = temporary / "log.txt";
    setenv("TMPDIR", temporary.c_str(), 1);
    // Once while the pictures are being encoded (the file has its header), once before.
    for (uintmax_t written : {1u, 0u}) {
        const pid_t pid = startRender({song.string(), "--video", (dir / "out.mp4").string()}, log);
        ASSERT_TRUE(waitForFile(dir.path(), ".out.mp4.", written));
        kill(pid, SIGINT);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
        std::ifstream in(log);
        const std::string output{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(output, "quorva-render: interrupted; " + (dir / "out.mp4").string() + " was not written\n");
        // The song, the directory of temporary files, and in it only the log.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << written;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temporary), {}), 1) << written;
    }
    unsetenv("TMPDIR");
}

TEST(VideoExport, BadOptionsAndFilesFailWithOneLineAndNoFile)
{
    testing::TempDir dir;
    const std::string song = quoted(dir.write("song.mid", shortSong()));
    const auto notSong = dir.write("text.mid", std::string("not a song"));
    const auto badScript = dir.write("bad.txt", std::string("0 wiggle\n"));
    const std::string out = " --video " + quoted(dir / "out.mp4");
    for (const std::string& arguments :
         {song + out + " --fps 25", song + out + " --scale 4", song + out + " --scale 0", song + out + " --mode 7",
          song + out + " --from 2000 --to 1000", song + out + " --from 9000", song + out + " --to soon",
          song + out + " --output mm-out", song + out + " --speed 4", song + out + " --bogus", song + out + " other.mid",
          song + " --video " + quoted(dir / "out.avi"), song + " --video " + quoted(dir / "no/such/out.mp4"),
          song + out + " --input " + quoted(badScript), song + out + " --input " + quoted(dir / "none.txt"),
          quoted(notSong) + out, quoted(dir / "missing.mid") + out, song + " --video"}) {
        const Result result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(result.out.rfind("quorva-render: ", 0), 0u) << arguments << ": " << result.out;
        EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << arguments << ": " << result.out;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << arguments;
    }
}

}  // namespace
}  // namespace quorva
