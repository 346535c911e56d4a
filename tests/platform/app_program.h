#pragma once
// Runs the built quorva program from a copy in a temporary directory, the way a user would
// run it: the program reads its data files from beside its executable.
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace quorva::testing {

inline std::filesystem::path binDirectory()
{
    const char* bin = std::getenv("QUORVA_BIN_DIR");
    return bin != nullptr ? std::filesystem::path(bin) : std::filesystem::path();
}

inline std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A format 0 song: one note a beat for four beats.
inline std::vector<uint8_t> shortSong()
{
    std::vector<uint8_t> song = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 36};
    for (uint8_t note : {60, 64, 67, 72}) {
        for (uint8_t byte : {uint8_t{0}, uint8_t{0x90}, note, uint8_t{100}, uint8_t{96}, uint8_t{0x80}, note, uint8_t{0}}) {
            song.push_back(byte);
        }
    }
    for (uint8_t byte : {0x00, 0xFF, 0x2F, 0x00}) {
        song.push_back(byte);
    }
    return song;
}

// The NULL port and otherwise the default choices.
inline std::vector<uint8_t> nullPortSettings() { return {3, 1, 0, 2, 2, 2, 3, 0, 1, 2, 0}; }

struct ProgramRun {
    int exitCode = -1;
    std::string errors;
};

class ProgramCopy {
public:
    // Copies the program and the named data files of the build beside it.
    explicit ProgramCopy(std::initializer_list<const char*> dataFiles)
    {
        const auto bin = binDirectory();
        std::filesystem::copy_file(bin / "quorva", dir_ / "quorva");
        for (const char* name : dataFiles) {
            std::filesystem::copy_file(bin / name, dir_ / name);
        }
    }

    const TempDir& dir() const { return dir_; }

    // The copy's own runtime and config directories, so that copies run side by side by
    // the tests never meet each other's control socket or the user's settings.
    std::string privateEnvironment() const
    {
        std::filesystem::create_directories(dir_ / "run");
        std::filesystem::permissions(dir_ / "run", std::filesystem::perms::owner_all);
        return "XDG_RUNTIME_DIR='" + (dir_ / "run").string() + "' XDG_CONFIG_HOME='" + (dir_ / "config").string() + "'";
    }

    // Runs the program (from the root directory, so that only its own directory can supply
    // its data) with the arguments and environment settings, until it ends by itself or,
    // after `runSeconds`, is asked to end with SIGTERM. No display: messages go to stderr.
    ProgramRun run(const std::string& arguments, const std::string& environment, double runSeconds = 0) const
    {
        const std::string errors = (dir_ / "stderr.txt").string();
        const std::string status = (dir_ / "status.txt").string();
        std::string command = "cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS " + privateEnvironment() +
                              " SDL_AUDIODRIVER=dummy " + environment + " '" +
                              (dir_ / "quorva").string() + "' " + arguments + " 2>'" + errors + "'";
        if (runSeconds > 0) {
            command = "(" + command + " & pid=$!; sleep " + std::to_string(runSeconds) +
                      "; kill -TERM $pid 2>/dev/null; wait $pid; echo $? >'" + status + "')";
        } else {
            command += "; echo $? >'" + status + "'";
        }
        std::system(("timeout 60 sh -c \"" + escape(command) + "\"").c_str());
        ProgramRun result;
        result.errors = readText(errors);
        const std::string code = readText(status);
        result.exitCode = code.empty() ? -1 : std::stoi(code);
        return result;
    }

private:
    static std::string escape(const std::string& text)
    {
        std::string escaped;
        for (char c : text) {
            if (c == '"' || c == '$' || c == '\\' || c == '`') {
                escaped += '\\';
            }
            escaped += c;
        }
        return escaped;
    }

    TempDir dir_;
};

}  // namespace quorva::testing
