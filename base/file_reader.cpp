#include "base/file_reader.h"

#include <cstdio>
#include <filesystem>

namespace quorva {

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
    const std::string name = unquotePath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error)) {
        return std::nullopt;
    }
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
    return bytes;
}

}  // namespace quorva
