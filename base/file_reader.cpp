#include "base/file_reader.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace quorva {

namespace {

// What stands at the path, as far as reading it goes.
FileReadError examine(const std::string& name)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(name, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return FileReadError::Missing;
    }
    if (error) {
        if (error == std::errc::filename_too_long) {
            return FileReadError::NameTooLong;
        }
        // A path through a file ("a.mid/b") names nothing either.
        return error == std::errc::not_a_directory ? FileReadError::Missing : FileReadError::Unreadable;
    }
    if (status.type() == std::filesystem::file_type::directory) {
        return FileReadError::Directory;
    }
    return status.type() == std::filesystem::file_type::regular ? FileReadError::None : FileReadError::NotAFile;
}

}  // namespace

std::string unquotePath(std::string_view path)
{
    if (!path.empty() && path.front() == '"') {
        path.remove_prefix(1);
        if (!path.empty()) {
            path.remove_suffix(1);
        }
    }
    return std::string(path);
}

std::optional<std::vector<uint8_t>> readWholeFile(std::string_view path)
{
    FileReadError error = FileReadError::None;
    return readWholeFile(path, error);
}

std::optional<std::vector<uint8_t>> readWholeFile(std::string_view path, FileReadError& error)
{
    const std::string name = unquotePath(path);
    // An empty name would be taken by some calls as the current directory.
    error = name.empty() ? FileReadError::Missing : examine(name);
    if (error != FileReadError::None) {
        return std::nullopt;
    }
    error = FileReadError::Unreadable;
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    if (!ok) {
        return std::nullopt;
    }
    error = FileReadError::None;
    return bytes;
}

}  // namespace quorva
