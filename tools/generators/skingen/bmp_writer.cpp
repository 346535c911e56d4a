#include "tools/generators/skingen/bmp_writer.h"

#include <filesystem>
#include <fstream>

namespace quorva::skingen {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

void put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

uint8_t expand(int channel) { return static_cast<uint8_t>((channel << 3) | (channel >> 2)); }

}  // namespace

std::vector<uint8_t> encodeBmp(const Canvas& canvas)
{
    const uint32_t width = static_cast<uint32_t>(canvas.width());
    const uint32_t height = static_cast<uint32_t>(canvas.height());
    const uint32_t rowBytes = (width * 3 + 3) / 4 * 4;
    const uint32_t imageBytes = rowBytes * height;
    const uint32_t dataOffset = kFileHeaderSize + kInfoHeaderSize;

    std::vector<uint8_t> out;
    out.reserve(dataOffset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, dataOffset + imageBytes);
    put32(out, 0);  // reserved
    put32(out, dataOffset);

    put32(out, kInfoHeaderSize);
    put32(out, width);
    put32(out, height);  // positive: rows stored bottom-up
    put16(out, 1);       // planes
    put16(out, 24);      // bits per pixel
    put32(out, 0);       // BI_RGB
    put32(out, imageBytes);
    put32(out, 2835);    // 72 dpi
    put32(out, 2835);
    put32(out, 0);       // colours used
    put32(out, 0);       // important colours

    for (int y = canvas.height() - 1; y >= 0; --y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Colour c = canvas.at(x, y);
            out.push_back(expand(c.blue));
            out.push_back(expand(c.green));
            out.push_back(expand(c.red));
        }
        for (uint32_t pad = width * 3; pad < rowBytes; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    // Written beside the target and renamed over it, so a failed run never leaves half a file.
    const std::string partial = path + ".partial";
    std::ofstream file(partial, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    std::error_code error;
    if (!file) {
        std::filesystem::remove(partial, error);
        return false;
    }
    std::filesystem::rename(partial, path, error);
    if (error) {
        std::filesystem::remove(partial, error);
        return false;
    }
    return true;
}

}  // namespace quorva::skingen
