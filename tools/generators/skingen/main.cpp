// skingen: writes the skin image bmp.dat that the player cuts its pictures from.
//   skingen <output file> [--regions <markdown file>]
// The second form also writes the table of skin regions as a Markdown list.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "tools/generators/skingen/bmp_writer.h"
#include "tools/generators/skingen/painters.h"

namespace {

using namespace quorva::skingen;

const char* useName(RegionUse use)
{
    switch (use) {
    case RegionUse::Opaque: return "opaque";
    case RegionUse::Keyed: return "keyed";
    case RegionUse::Colours: return "colours";
    case RegionUse::Additive: return "additive";
    }
    return "";
}

bool writeRegionTable(const std::string& path)
{
    std::ofstream out(path, std::ios::trunc);
    out << "# Skin regions of bmp.dat (" << kSkinWidth << "x" << kSkinHeight << ", 24-bit BMP)\n\n"
        << "Rectangles are x, y, width, height, as ui/skin_layout.h places them for both the player and "
           "skingen. Regions of the same sharing group read the same pixels on purpose; all others are "
           "disjoint.\n\n"
        << "| Name | x | y | w | h | Use | Shared | What |\n|---|---|---|---|---|---|---|---|\n";
    for (const Region& region : skinRegions()) {
        out << "| " << region.name << " | " << region.rect.x << " | " << region.rect.y << " | " << region.rect.width
            << " | " << region.rect.height << " | " << useName(region.use) << " | " << region.shareGroup << " | "
            << region.what << " |\n";
    }
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--regions")) {
        std::fprintf(stderr, "usage: skingen <output file> [--regions <markdown file>]\n");
        return 2;
    }
    try {
        if (!writeFile(argv[1], encodeBmp(paintSkin()))) {
            std::fprintf(stderr, "skingen: cannot write %s\n", argv[1]);
            return 1;
        }
        if (argc == 4 && !writeRegionTable(argv[3])) {
            std::fprintf(stderr, "skingen: cannot write %s\n", argv[3]);
            return 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "skingen: %s\n", error.what());
        return 1;
    }
    return 0;
}
