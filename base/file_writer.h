#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

namespace quorva {

// Writes the bytes to a new file beside `path` (its name with ".new" added) and renames that
// over `path`, so that a failed write never leaves half a file: the old one stays whole.
// False when nothing was written; the new file is then removed.
bool replaceFile(const std::string& path, const void* bytes, size_t size);

// The call that puts the written file in place of the old one, as std::rename does; tests
// pass one that fails, as a crash or a disk would between the write and the rename.
using RenameFile = int (*)(const char* from, const char* to);
// Puts `from` in the place of `to` in one step, replacing it: std::rename on POSIX systems;
// on Windows, where rename refuses an existing target, MoveFileExA. 0 or -1 with errno set.
int moveFileOver(const char* from, const char* to);

// replaceFile saying why it failed: 0 when the file was replaced, else the error number
// (errno) of the step that failed.
int tryReplaceFile(const std::string& path, const void* bytes, size_t size, RenameFile rename = &moveFileOver);

}  // namespace quorva
