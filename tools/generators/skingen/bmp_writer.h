#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/generators/skingen/canvas.h"

namespace quorva::skingen {

// A Windows bitmap file: 24 bits per pixel, uncompressed, BITMAPINFOHEADER, rows bottom-up
// and padded to 4 bytes. Each 5-bit channel c becomes the byte (c << 3) | (c >> 2), so that
// a loader keeping the top five bits gets c back, black stays 0 and 31 becomes 255.
std::vector<uint8_t> encodeBmp(const Canvas& canvas);

// Replaces the file at path with the bytes; false (and the old file kept) when they cannot
// be written whole.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace quorva::skingen
