#pragma once
// Reads the videos of quorva-render --video with FFmpeg's own tools (ffprobe, ffmpeg), and
// the pictures of --screen to compare their frames with.
#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace quorva::testing::video {

using Result = ToolResult;
using Rgb = std::vector<uint8_t>;  // rows of red, green, blue

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

inline Result run(const std::string& arguments) { return runTool("quorva-render", arguments); }

inline std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// Standard output of a shell command.
inline std::string capture(const std::string& command)
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
inline std::map<std::string, std::string> probe(const std::filesystem::path& video, const std::string& stream)
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
inline std::vector<Rgb> decodePictures(const std::filesystem::path& video, int width, int height, int count = 0)
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
inline std::vector<int16_t> decodeSound(const std::filesystem::path& video)
{
    const std::string bytes = capture("ffmpeg -v error -i " + quoted(video) + " -f s16le -ac 1 -ar 44100 -");
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto low = static_cast<uint8_t>(bytes[2 * i]);
        const auto high = static_cast<uint8_t>(bytes[2 * i + 1]);
        samples[i] = static_cast<int16_t>(low | high << 8);
    }
    return samples;
}

// --screen's picture of the song at `atMs` (with the script, when given), in RGB.
inline Rgb screenAt(const TempDir& dir, const std::filesystem::path& song, uint32_t atMs,
             const std::string& extra = "")
{
    const auto bitmap = dir / "screen.bmp";
    const Result result =
        run(quoted(song) + " --screen " + quoted(bitmap) + " --at " + std::to_string(atMs) + " " + extra);
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
inline Rgb scaled(const Rgb& picture, int scale)
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

inline double psnr(const Rgb& a, const Rgb& b)
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
inline std::array<double, 3> colourError(const Rgb& frame, const Rgb& picture)
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

}  // namespace quorva::testing::video
