#include "base/file_writer.h"

#include <cerrno>
#include <cstdio>
#ifdef _WIN32
#include <windows.h>
#endif

namespace quorva {

int moveFileOver(const char* from, const char* to)
{
#ifdef _WIN32
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
        return 0;
    }
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
#else
    return std::rename(from, to);
#endif
}

bool replaceFile(const std::string& path, const void* bytes, size_t size) { return tryReplaceFile(path, bytes, size) == 0; }

int tryReplaceFile(const std::string& path, const void* bytes, size_t size, RenameFile rename)
{
    // The first failing step's error number; after a failure the file is still closed.
    int error = 0;
    const auto step = [&error](auto&& call) {
        errno = 0;
        if (!call() && error == 0) {
            error = errno != 0 ? errno : EIO;
        }
    };
    const std::string temporary = path + ".new";
    std::FILE* file = nullptr;
    step([&] { return (file = std::fopen(temporary.c_str(), "wb")) != nullptr; });
    if (!file) {
        return error;
    }
    step([&] { return std::fwrite(bytes, 1, size, file) == size; });
    step([&] { return std::fflush(file) == 0; });
    step([&] { return std::fclose(file) == 0; });
    if (error == 0) {
        step([&] { return rename(temporary.c_str(), path.c_str()) == 0; });
    }
    if (error != 0) {
        std::remove(temporary.c_str());
    }
    return error;
}

}  // namespace quorva
