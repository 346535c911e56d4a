#pragma once
#include <sys/mount.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace quorva::testing {

// A small tmpfs mounted on a directory for one test, so that a disk is full or read-only for
// real; unmounted when the test ends (declare it after the TempDir that holds it). Mounting
// needs a privilege that a test may lack: `mounted` says whether it worked.
class ScratchMount {
public:
    ScratchMount(const std::filesystem::path& directory, const std::string& size) : directory_(directory)
    {
        std::filesystem::create_directories(directory);
        mounted_ = ::mount("tmpfs", directory.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    }
    ~ScratchMount()
    {
        if (mounted_) {
            ::umount2(directory_.c_str(), MNT_DETACH);
        }
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool mounted() const { return mounted_; }
    bool makeReadOnly() { return ::mount(nullptr, directory_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
    // Takes every free byte with a file of its own.
    void fill() const
    {
        std::FILE* file = std::fopen((directory_ / "filler").c_str(), "wb");
        if (!file) {
            return;
        }
        const std::array<char, 4096> block{};
        while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0) {
        }
        std::fclose(file);
    }

private:
    std::filesystem::path directory_;
    bool mounted_ = false;
};

}  // namespace quorva::testing
