#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// The longest path the system opens: PATH_MAX (4096) less its terminating zero. Every path
// the program takes in (command line, drop, hand-off, control request) may be this long.
inline constexpr size_t maxPathBytes = 4095;

// Why a whole file could not be read.
enum class FileReadError : uint8_t {
    None,
    Missing,      // nothing of that name
    Directory,    // a directory, not a file
    NotAFile,     // a device, pipe or socket
    Unreadable,   // no permission, or the read failed
    NameTooLong,  // the path is longer than the system accepts
};

// Reads a whole file into one buffer. A path that begins with a double quote (as a command
// line passes a path with blanks) loses its first and last character. Nothing on failure.
std::optional<std::vector<uint8_t>> readWholeFile(std::string_view path);
// The same, telling why it failed.
std::optional<std::vector<uint8_t>> readWholeFile(std::string_view path, FileReadError& error);

// The path as readWholeFile opens it.
std::string unquotePath(std::string_view path);

}  // namespace quorva
