// Builds a bitmap font image (a Windows bitmap file, white ink on black) from a glyph source:
//   fontgen <glyphs.txt> <output.dat> <cell width> <cell height> <columns>
// The source holds, for consecutive character codes, a line "<code> <character>" followed by
// <cell height> rows of <cell width> characters, '#' for ink and '.' for background. Lines
// that are empty or start with '#' followed by a space are comments between glyphs. Glyphs are
// laid out in code order, <columns> cells to a row, rows top to bottom.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Glyph {
    int code = 0;
    std::vector<std::string> rows;
};

std::string withoutLineEnd(std::string line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    return line;
}

bool isComment(const std::string& line)
{
    return line.empty() || line.rfind("# ", 0) == 0 || line == "#";
}

std::optional<std::vector<Glyph>> readGlyphs(std::istream& in, int cellWidth, int cellHeight)
{
    std::vector<Glyph> glyphs;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        line = withoutLineEnd(line);
        if (isComment(line)) {
            continue;
        }
        Glyph glyph;
        try {
            glyph.code = std::stoi(line);
        } catch (const std::exception&) {
            std::cerr << "line " << lineNumber << ": expected a character code, found \"" << line << "\"\n";
            return std::nullopt;
        }
        if (!glyphs.empty() && glyph.code != glyphs.back().code + 1) {
            std::cerr << "line " << lineNumber << ": character " << glyph.code << " does not follow "
                      << glyphs.back().code << "\n";
            return std::nullopt;
        }
        for (int row = 0; row < cellHeight; ++row) {
            std::string pixels;
            if (!std::getline(in, pixels)) {
                std::cerr << "character " << glyph.code << ": the file ends inside the glyph\n";
                return std::nullopt;
            }
            ++lineNumber;
            pixels = withoutLineEnd(pixels);
            if (static_cast<int>(pixels.size()) != cellWidth ||
                pixels.find_first_not_of("#.") != std::string::npos) {
                std::cerr << "line " << lineNumber << ": a glyph row is " << cellWidth << " of '#' and '.'\n";
                return std::nullopt;
            }
            glyph.rows.push_back(pixels);
        }
        glyphs.push_back(glyph);
    }
    if (glyphs.empty()) {
        std::cerr << "no glyphs\n";
        return std::nullopt;
    }
    return glyphs;
}

void putLittle(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A 24-bit uncompressed bitmap file, rows stored bottom-up and padded to 4 bytes.
std::vector<uint8_t> bitmapFile(const std::vector<bool>& ink, int width, int height)
{
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
    std::vector<uint8_t> out{'B', 'M'};
    putLittle(out, 14 + 40 + imageBytes, 4);
    putLittle(out, 0, 4);
    putLittle(out, 14 + 40, 4);
    putLittle(out, 40, 4);
    putLittle(out, static_cast<uint32_t>(width), 4);
    putLittle(out, static_cast<uint32_t>(height), 4);
    putLittle(out, 1, 2);
    putLittle(out, 24, 2);
    putLittle(out, 0, 4);
    putLittle(out, imageBytes, 4);
    putLittle(out, 2835, 4);  // 72 dots per inch
    putLittle(out, 2835, 4);
    putLittle(out, 0, 4);
    putLittle(out, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t level = ink[static_cast<size_t>(y) * width + x] ? 255 : 0;
            out.insert(out.end(), {level, level, level});
        }
        out.resize(out.size() + (rowBytes - static_cast<uint32_t>(width) * 3), 0);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::cerr << "usage: fontgen <glyphs.txt> <output.dat> <cell width> <cell height> <columns>\n";
        return 2;
    }
    const int cellWidth = std::atoi(argv[3]);
    const int cellHeight = std::atoi(argv[4]);
    const int columns = std::atoi(argv[5]);
    if (cellWidth <= 0 || cellHeight <= 0 || columns <= 0) {
        std::cerr << "fontgen: cell size and columns must be positive\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "fontgen: cannot read " << argv[1] << "\n";
        return 1;
    }
    const auto glyphs = readGlyphs(in, cellWidth, cellHeight);
    if (!glyphs) {
        std::cerr << "fontgen: " << argv[1] << " is not a glyph source\n";
        return 1;
    }
    const int count = static_cast<int>(glyphs->size());
    const int width = columns * cellWidth;
    const int height = (count + columns - 1) / columns * cellHeight;
    std::vector<bool> ink(static_cast<size_t>(width) * height, false);
    for (int i = 0; i < count; ++i) {
        const int left = cellWidth * (i % columns);
        const int top = cellHeight * (i / columns);
        for (int y = 0; y < cellHeight; ++y) {
            for (int x = 0; x < cellWidth; ++x) {
                ink[static_cast<size_t>(top + y) * width + left + x] = (*glyphs)[i].rows[y][x] == '#';
            }
        }
    }
    const std::vector<uint8_t> file = bitmapFile(ink, width, height);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (!out) {
        std::cerr << "fontgen: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
