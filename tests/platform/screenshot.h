#pragma once
// The whole screen of a virtual X server as 8-bit RGB pixels, taken with ImageMagick's import.
#include "running_program.h"

#include <cstdint>
#include <string>

namespace quorva::testing {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

class Screenshot {
public:
    Screenshot(std::string rawRgb, int width, int height) : bytes_(std::move(rawRgb)), width_(width), height_(height) {}

    // The screen of the display that `environment` names.
    static Screenshot take(const ProgramCopy& program, const Environment& environment, int width, int height)
    {
        static int counter = 0;
        const std::string path = (program.dir() / ("screen" + std::to_string(++counter) + ".rgb")).string();
        runCommand(program, {"/usr/bin/import", "-window", "root", "-depth", "8", "rgb:" + path}, environment);
        return Screenshot(readText(path), width, height);
    }

    bool complete() const { return bytes_.size() == static_cast<size_t>(width_) * height_ * 3; }
    Rgb at(int x, int y) const
    {
        const size_t offset = (static_cast<size_t>(y) * width_ + x) * 3;
        return {static_cast<uint8_t>(bytes_[offset]), static_cast<uint8_t>(bytes_[offset + 1]),
                static_cast<uint8_t>(bytes_[offset + 2])};
    }

    bool sameRegion(const Screenshot& other, int left, int top, int right, int bottom) const
    {
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                if (!(at(x, y) == other.at(x, y))) {
                    return false;
                }
            }
        }
        return true;
    }

    // Every pixel of the rectangle is black.
    bool black(int left, int top, int right, int bottom) const
    {
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                if (!(at(x, y) == Rgb{})) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    std::string bytes_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace quorva::testing
