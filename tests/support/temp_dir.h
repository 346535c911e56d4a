#pragma once
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace quorva::testing {

// A directory of its own for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir()
    {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() / ("quorva-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    std::filesystem::path write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    std::filesystem::path write(const std::string& name, const std::string& text) const
    {
        return write(name, std::vector<uint8_t>(text.begin(), text.end()));
    }

private:
    std::filesystem::path path_;
};

}  // namespace quorva::testing
