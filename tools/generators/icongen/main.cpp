// icongen: draws the player's icon, a pair of beamed notes on a bevelled panel in the skin's
// colours, as a PNG of the given size, or as a C++ source of its RGBA pixels that defines
// the program's window icon (app/program_icon.h).
//   icongen [--cpp] <size> <output file>
#include "tools/generators/icongen/png_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
    double red, green, blue;
};

Rgb mix(Rgb a, Rgb b, double t) { return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t, a.blue + (b.blue - a.blue) * t}; }

// The skin's panel and accent colours, in 8 bits a channel.
constexpr Rgb panelTop{98, 115, 156};
constexpr Rgb panelBottom{49, 57, 82};
constexpr Rgb panelEdge{16, 16, 33};
constexpr Rgb noteLight{181, 230, 255};
constexpr Rgb noteShade{99, 156, 222};

// Shapes in unit coordinates: x right, y down, the icon spanning 0..1.
bool insideRoundedSquare(double x, double y, double margin, double radius)
{
    const double low = margin + radius;
    const double high = 1 - margin - radius;
    const double dx = std::max({low - x, 0.0, x - high});
    const double dy = std::max({low - y, 0.0, y - high});
    return x >= margin && x <= 1 - margin && y >= margin && y <= 1 - margin && dx * dx + dy * dy <= radius * radius;
}

bool insideNoteHead(double x, double y, double cx, double cy)
{
    // An ellipse tilted up to the right, as printed note heads are.
    const double angle = -0.45;
    const double u = (x - cx) * std::cos(angle) - (y - cy) * std::sin(angle);
    const double v = (x - cx) * std::sin(angle) + (y - cy) * std::cos(angle);
    return (u * u) / (0.105 * 0.105) + (v * v) / (0.075 * 0.075) <= 1;
}

bool insideNotes(double x, double y)
{
    constexpr double leftX = 0.34, leftY = 0.70, rightX = 0.68, rightY = 0.63;
    constexpr double stem = 0.035;
    const double leftStemX = leftX + 0.085;
    const double rightStemX = rightX + 0.085;
    const double beamTopLeft = 0.22, beamTopRight = 0.15, beamHeight = 0.10;
    if (insideNoteHead(x, y, leftX, leftY) || insideNoteHead(x, y, rightX, rightY)) {
        return true;
    }
    if (x >= leftStemX - stem && x <= leftStemX && y >= beamTopLeft && y <= leftY) {
        return true;
    }
    if (x >= rightStemX - stem && x <= rightStemX && y >= beamTopRight && y <= rightY) {
        return true;
    }
    if (x >= leftStemX - stem && x <= rightStemX) {
        const double t = (x - (leftStemX - stem)) / (rightStemX - leftStemX + stem);
        const double top = beamTopLeft + (beamTopRight - beamTopLeft) * t;
        return y >= top && y <= top + beamHeight;
    }
    return false;
}

std::vector<uint8_t> paintIcon(int size)
{
    constexpr int samples = 4;
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
    const double border = 1.5 / size;
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            double red = 0, green = 0, blue = 0, alpha = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double x = (px + (sx + 0.5) / samples) / size;
                    const double y = (py + (sy + 0.5) / samples) / size;
                    if (!insideRoundedSquare(x, y, 0.04, 0.17)) {
                        continue;
                    }
                    Rgb colour = mix(panelTop, panelBottom, y);
                    if (!insideRoundedSquare(x, y, 0.04 + border, 0.17 - border)) {
                        colour = panelEdge;
                    } else if (insideNotes(x, y)) {
                        colour = mix(noteLight, noteShade, y);
                    }
                    red += colour.red;
                    green += colour.green;
                    blue += colour.blue;
                    alpha += 1;
                }
            }
            uint8_t* pixel = &rgba[(static_cast<size_t>(py) * size + px) * 4];
            if (alpha > 0) {
                pixel[0] = static_cast<uint8_t>(std::lround(red / alpha));
                pixel[1] = static_cast<uint8_t>(std::lround(green / alpha));
                pixel[2] = static_cast<uint8_t>(std::lround(blue / alpha));
                pixel[3] = static_cast<uint8_t>(std::lround(255 * alpha / (samples * samples)));
            }
        }
    }
    return rgba;
}

std::string cppSource(int size, const std::vector<uint8_t>& rgba)
{
    std::string text = "// The program's window icon, drawn by icongen at build time.\n"
                       "#include \"app/program_icon.h\"\n\n"
                       "namespace quorva {\n\nnamespace {\n\nconstexpr uint8_t pixels[] = {\n";
    char number[16];
    for (size_t i = 0; i < rgba.size(); ++i) {
        std::snprintf(number, sizeof number, "%s%u,", i % 16 == 0 ? "    " : " ", rgba[i]);
        text += number;
        if (i % 16 == 15) {
            text += '\n';
        }
    }
    text += "};\n\n}  // namespace\n\nWindowIcon programIcon() { return {" + std::to_string(size) +
            ", pixels}; }\n\n}  // namespace quorva\n";
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool cpp = argc == 4 && std::string(argv[1]) == "--cpp";
    const int size = argc == 3 || cpp ? std::atoi(argv[argc - 2]) : 0;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: icongen [--cpp] <size 16..1024> <output file>\n");
        return 2;
    }
    const std::vector<uint8_t> rgba = paintIcon(size);
    std::string bytes;
    if (cpp) {
        bytes = cppSource(size, rgba);
    } else {
        const std::vector<uint8_t> png = quorva::icongen::encodePng(size, size, rgba);
        bytes.assign(png.begin(), png.end());
    }
    const char* path = argv[argc - 1];
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "icongen: cannot write %s\n", path);
        return 1;
    }
    return 0;
}
