#include "app/working_directory.h"

#include "base/executable_path.h"
#include "base/file_reader.h"

#include <filesystem>
#include <system_error>

namespace quorva {

bool enterExecutableDirectory()
{
    const std::filesystem::path executable = executablePath();
    if (!executable.has_parent_path()) {
        return false;
    }
    std::error_code error;
    std::filesystem::current_path(executable.parent_path(), error);
    return !error;
}

std::string absoluteSongPath(const std::string& commandLine)
{
    const std::string path = unquotePath(commandLine);
    if (path.empty()) {
        return path;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

}  // namespace quorva
