#pragma once
#include <cstdint>
#include <vector>

namespace quorva::icongen {

// A PNG file of 8-bit RGBA pixels (rows top to bottom, 4 bytes a pixel), its image data in
// uncompressed deflate blocks: an icon is small, and no compression library is needed.
std::vector<uint8_t> encodePng(int width, int height, const std::vector<uint8_t>& rgba);

}  // namespace quorva::icongen
