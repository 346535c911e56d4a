#pragma once
#include <cstddef>
#include <string>

namespace quorva {

// Writes the bytes to a new file beside `path` (its name with ".new" added) and renames that
// over `path`, so that a failed write never leaves half a file: the old one stays whole.
// False when nothing was written; the new file is then removed.
bool replaceFile(const std::string& path, const void* bytes, size_t size);

}  // namespace quorva
