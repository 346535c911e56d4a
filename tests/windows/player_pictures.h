#pragma once
// What the tests of quorva.exe under Wine share: songs, settings, the window's identity, and
// the picture quorva-render.exe --screen draws of a song at a moment, to compare the window's
// client area with.
#include "windows/wine_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace quorva::testing {

inline constexpr const char* kWindowClass = "velnoxa";
inline constexpr const char* kWindowTitle = "quorva 0.70 [velnoxa ver.]";
inline constexpr int kPictureWidth = 640;
inline constexpr int kPictureHeight = 480;

// The files quorva.exe needs beside it.
inline std::vector<std::string> playerFiles()
{
    return {"quorva.exe", "quorva-render.exe", "bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "fmstone.dat"};
}

// The NULL port and otherwise the default choices.
inline std::vector<uint8_t> nullPortSettings() { return {3, 1, 0, 2, 2, 2, 3, 0, 1, 2, 0}; }

inline void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A format 0 song of four notes (two seconds at the default tempo) whose track name, the
// song's title, is the given bytes.
inline std::vector<uint8_t> titledSong(const std::string& title)
{
    std::vector<uint8_t> track = {0x00, 0xFF, 0x03, static_cast<uint8_t>(title.size())};
    track.insert(track.end(), title.begin(), title.end());
    for (uint8_t note : {60, 64, 67, 72}) {
        for (uint8_t byte : {uint8_t{0}, uint8_t{0x90}, note, uint8_t{100}, uint8_t{96}, uint8_t{0x80}, note, uint8_t{0}}) {
            track.push_back(byte);
        }
    }
    for (uint8_t byte : {0x00, 0xFF, 0x2F, 0x00}) {
        track.push_back(byte);
    }
    const std::string header = std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0", 21) + static_cast<char>(track.size());
    std::vector<uint8_t> song(header.begin(), header.end());
    for (uint8_t byte : track) {
        song.push_back(byte);
    }
    return song;
}

// A 640x480 picture as 8-bit RGB.
struct Picture {
    std::vector<ScreenRgb> pixels;
    ScreenRgb at(int x, int y) const { return pixels[static_cast<size_t>(y) * kPictureWidth + x]; }
};

// quorva-render.exe's --screen picture of the song at `ms` (a 24-bit bottom-up bitmap).
inline std::optional<Picture> renderedPicture(WineSession& session, const std::filesystem::path& app,
                                              const std::filesystem::path& song, uint32_t ms)
{
    const std::filesystem::path output = session.scratch() / ("screen-" + song.stem().string() + ".bmp");
    const WineResult rendered = session.run({(app / "quorva-render.exe").string(), WineSession::windowsPath(song), "--screen",
                                             WineSession::windowsPath(output), "--at", std::to_string(ms)});
    const std::string bytes = fileText(output);
    const size_t headerBytes = 54;
    if (rendered.exitCode != 0 || bytes.size() != headerBytes + static_cast<size_t>(kPictureWidth) * kPictureHeight * 3) {
        ADD_FAILURE() << "quorva-render.exe --screen failed: " << rendered.errors;
        return std::nullopt;
    }
    Picture picture;
    picture.pixels.resize(static_cast<size_t>(kPictureWidth) * kPictureHeight);
    for (int y = 0; y < kPictureHeight; ++y) {
        const size_t row = headerBytes + static_cast<size_t>(kPictureHeight - 1 - y) * kPictureWidth * 3;
        for (int x = 0; x < kPictureWidth; ++x) {
            const size_t at = row + static_cast<size_t>(x) * 3;
            picture.pixels[static_cast<size_t>(y) * kPictureWidth + x] = {
                static_cast<uint8_t>(bytes[at + 2]), static_cast<uint8_t>(bytes[at + 1]), static_cast<uint8_t>(bytes[at])};
        }
    }
    return picture;
}

// The rectangle of the frame-rate read-out, which only the live player draws.
inline bool inFrameRate(int x, int y) { return x >= 576 && y < 16; }

// Pixels of the window's client area that differ from the picture, the read-out aside.
inline int differingPixels(const ScreenPixels& screen, const WineWindow& window, const Picture& picture)
{
    int differing = 0;
    for (int y = 0; y < kPictureHeight; ++y) {
        for (int x = 0; x < kPictureWidth; ++x) {
            if (!inFrameRate(x, y) && !(screen.at(window.clientLeft + x, window.clientTop + y) == picture.at(x, y))) {
                ++differing;
            }
        }
    }
    return differing;
}

// Waits until the client area shows the picture; the differing pixels of the last look (0
// when it came). On a mismatch the last look is kept in the build tree's windows-test-evidence/.
inline int waitForPicture(WineSession& session, const WineWindow& window, const Picture& picture,
                          std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        const ScreenPixels screen = session.screenshot();
        const int differing = differingPixels(screen, window, picture);
        if (differing == 0 || std::chrono::steady_clock::now() >= deadline) {
            if (differing != 0) {
                const auto evidence = WineSession::programDirectory().parent_path() / "windows-test-evidence";
                std::filesystem::create_directories(evidence);
                const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
                screen.writePpm(evidence / (name + ".ppm"), window.clientLeft, window.clientTop, kPictureWidth, kPictureHeight);
            }
            return differing;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

}  // namespace quorva::testing
