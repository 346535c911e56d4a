#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// Reads a whole file into one buffer. A path that begins with a double quote (as a command
// line passes a path with blanks) loses its first and last character. Nothing on failure.
std::optional<std::vector<uint8_t>> readWholeFile(std::string_view path);

// The path as readWholeFile opens it.
std::string unquotePath(std::string_view path);

}  // namespace quorva
