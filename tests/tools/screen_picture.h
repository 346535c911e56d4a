#pragma once
// Runs `quorva-render --screen` in a test's own directory and reads the picture back as
// RGB555, with the skin it was drawn from, so that tests can compare regions exactly.
#include "skin_bmp_reader.h"
#include "support/temp_dir.h"

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quorva::testing {

inline std::vector<uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline const SkinImage& skinPicture()
{
    static const SkinImage skin = decodeSkin(readBytes(binDir() + "/bmp.dat")).value_or(SkinImage{});
    return skin;
}

struct ScreenShot {
    int status = -1;
    std::string output;
    SkinImage picture;

    uint16_t at(int x, int y) const { return picture.at(x, y); }
    std::vector<uint16_t> region(int x, int y, int width, int height) const { return picture.cut({x, y, width, height}); }
    // Pixels of the region that hold exactly the colour.
    int count(int x, int y, int width, int height, uint16_t colour) const
    {
        int found = 0;
        for (uint16_t pixel : region(x, y, width, height)) {
            found += pixel == colour;
        }
        return found;
    }
};

// Renders the song at `atMs` in page `mode`, with an optional input script, working in `dir`
// (so that anything the page saves lands there). `name` keeps the files of several renders apart.
inline ScreenShot renderScreen(const TempDir& dir, const std::vector<uint8_t>& song, uint32_t atMs, int mode,
                               const std::string& script = "", const std::string& name = "shot")
{
    dir.write(name + ".mid", song);
    std::string command = "cd '" + dir.path().string() + "' && '" + binDir() + "/quorva-render' " + name +
                          ".mid --screen " + name + ".bmp --at " + std::to_string(atMs) + " --mode " +
                          std::to_string(mode);
    if (!script.empty()) {
        dir.write(name + ".txt", script);
        command += " --input " + name + ".txt";
    }
    command += " >" + name + ".out 2>&1";
    ScreenShot shot;
    const int status = std::system(command.c_str());
    shot.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto output = readBytes(dir / (name + ".out"));
    shot.output.assign(output.begin(), output.end());
    shot.picture = decodeSkin(readBytes(dir / (name + ".bmp"))).value_or(SkinImage{});
    return shot;
}

// A script line pair that clicks the left button at (x, y) in the frame at `ms`.
inline std::string clickAt(uint32_t ms, int x, int y)
{
    return std::to_string(ms) + " move " + std::to_string(x) + " " + std::to_string(y) + "\n" + std::to_string(ms) +
           " press left\n" + std::to_string(ms + 16) + " release left\n";
}

}  // namespace quorva::testing
