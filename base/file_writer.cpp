#include "base/file_writer.h"

#include <cstdio>
#ifdef _WIN32
#include <windows.h>
#endif

namespace quorva {
namespace {

// Puts the new file in the old one's place in one step. The C library's rename does that
// on POSIX systems; on Windows it refuses an existing target, which MoveFileExA replaces.
bool moveOver(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

bool replaceFile(const std::string& path, const void* bytes, size_t size)
{
    const std::string temporary = path + ".new";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        return false;
    }
    bool ok = std::fwrite(bytes, 1, size, file) == size;
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok || !moveOver(temporary, path)) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace quorva
