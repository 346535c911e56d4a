#include "app/command_line.h"

#include "base/file_reader.h"
#include "base/program_version.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace quorva {

namespace {

constexpr const char* usageText =
    "usage: quorva [SONG.mid]\n"
    "       quorva -- SONG.mid     a song whose name begins with \"-\"\n"
    "       quorva --help | --version\n"
    "Plays the song in the player's window. While a player runs, the song is handed to it\n"
    "and this copy ends. quorva-ctl controls a running player.\n";

CommandLine failure(std::string line)
{
    CommandLine commandLine;
    commandLine.action = CommandLine::Action::Error;
    commandLine.error = std::move(line);
    return commandLine;
}

bool pathExists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error);
}

}  // namespace

CommandLine readCommandLine(int argc, const char* const* argv)
{
    CommandLine commandLine;
    std::vector<std::string> arguments;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument.starts_with('-')) {
            if (argument == "--") {
                optionsEnded = true;
                continue;
            }
            if (argument == "--help" || argument == "--version") {
                commandLine.action = argument == "--help" ? CommandLine::Action::Help : CommandLine::Action::Version;
                commandLine.song.clear();
                return commandLine;
            }
            return failure("quorva: unknown option \"" + std::string(argument) + "\" (quorva --help lists the options)");
        }
        if (!commandLine.song.empty()) {
            commandLine.song += ' ';
        }
        commandLine.song += argument;
        arguments.emplace_back(argument);
    }
    const bool list = arguments.size() > 1 && !pathExists(unquotePath(commandLine.song)) &&
                      std::any_of(arguments.begin(), arguments.end(), pathExists);
    if (list) {
        for (const std::string& argument : arguments) {
            if (argument.size() > maxPathBytes) {
                return failure("quorva: path too long (" + std::to_string(argument.size()) + " bytes; at most " +
                               std::to_string(maxPathBytes) + ")");
            }
        }
        commandLine.songs = std::move(arguments);
        return commandLine;
    }
    if (!commandLine.song.empty()) {
        commandLine.songs.push_back(commandLine.song);
    }
    if (const size_t length = unquotePath(commandLine.song).size(); length > maxPathBytes) {
        return failure("quorva: path too long (" + std::to_string(length) + " bytes; at most " +
                       std::to_string(maxPathBytes) + ")");
    }
    return commandLine;
}

std::optional<int> answerWithoutRunning(const CommandLine& commandLine, std::FILE* out, std::FILE* errors)
{
    switch (commandLine.action) {
    case CommandLine::Action::Run: return std::nullopt;
    case CommandLine::Action::Help: std::fputs(usageText, out); return 0;
    case CommandLine::Action::Version: std::fputs(versionText("quorva").c_str(), out); return 0;
    case CommandLine::Action::Error: std::fprintf(errors, "%s\n", commandLine.error.c_str()); return exitUsage;
    }
    return exitUsage;
}

}  // namespace quorva
