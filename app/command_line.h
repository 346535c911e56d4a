#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

// The exit status of a command line the program cannot take (sysexits' EX_USAGE).
inline constexpr int exitUsage = 64;

// What the player's command line asks for. Options are read before anything else happens
// (before the hand-off to a running copy), so that none of them reaches a player as a song.
struct CommandLine {
    enum class Action : uint8_t { Run, Help, Version, Error };
    Action action = Action::Run;
    // Run: the song, the arguments joined by blanks as one command line (empty: none).
    std::string song;
    // Run: what to play. The joined line as one song; but when the arguments are several and
    // their joined line names no file while an argument does, each argument is a song (or a
    // folder of songs).
    std::vector<std::string> songs;
    // Error: the one line that says what is wrong.
    std::string error;
};

// Reads the arguments after the program's name. "--help" and "--version" are the options;
// any other argument that begins with "-" is an error, unless it follows "--", after which
// every argument is part of the song's path. A path longer than the system takes is an error.
CommandLine readCommandLine(int argc, const char* const* argv);

// Prints what the command line asked for instead of running (usage or version on `out`, an
// error on `errors`) and gives the exit status; nothing when the player is to run.
std::optional<int> answerWithoutRunning(const CommandLine& commandLine, std::FILE* out, std::FILE* errors);

}  // namespace quorva
