#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace quorva {
namespace {

CommandLine read(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "quorva");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    return readCommandLine(static_cast<int>(argv.size()), argv.data());
}

// What answerWithoutRunning writes to its two streams, and its result.
struct Answer {
    std::optional<int> status;
    std::string out;
    std::string errors;
};

std::string contents(std::FILE* file)
{
    std::string text(static_cast<size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

Answer answer(const CommandLine& commandLine)
{
    std::FILE* out = std::tmpfile();
    std::FILE* errors = std::tmpfile();
    Answer result;
    result.status = answerWithoutRunning(commandLine, out, errors);
    result.out = contents(out);
    result.errors = contents(errors);
    return result;
}

TEST(CommandLine, OptionsAreAnsweredAndEverythingElseIsTheSong)
{
    using Action = CommandLine::Action;
    struct Case {
        std::vector<std::string> arguments;
        Action action;
        std::string song;
    };
    const std::string longestPath = "/" + std::string(4094, 'p');
    const std::vector<Case> cases = {
        {{}, Action::Run, ""},
        {{"a.mid"}, Action::Run, "a.mid"},
        // Arguments are one command line, as a path with blanks arrives unquoted.
        {{"my", "song.mid"}, Action::Run, "my song.mid"},
        {{"\"/a b.mid\""}, Action::Run, "\"/a b.mid\""},
        {{"--", "-dash.mid"}, Action::Run, "-dash.mid"},
        {{"--", "--help", "--"}, Action::Run, "--help --"},
        {{longestPath}, Action::Run, longestPath},
        {{"--help"}, Action::Help, ""},
        {{"a.mid", "--version", "--bogus"}, Action::Version, ""},
        {{"a.mid", "--bogus"}, Action::Error, ""},
        {{"--bogus", "--help"}, Action::Error, ""},
        {{"-"}, Action::Error, ""},
        {{"-h"}, Action::Error, ""},
        {{longestPath + "p"}, Action::Error, ""},
    };
    for (const Case& c : cases) {
        const CommandLine line = read(c.arguments);
        const std::string name = c.arguments.empty() ? "(none)" : c.arguments.front().substr(0, 20);
        EXPECT_EQ(line.action, c.action) << name;
        EXPECT_EQ(line.song, c.song) << name;
        EXPECT_EQ(line.error.empty(), c.action != Action::Error) << name;
    }

    // The player runs only for a song (or none); the rest is answered on the streams.
    const Answer run = answer(read({"a.mid"}));
    EXPECT_FALSE(run.status);
    EXPECT_EQ(run.out + run.errors, "");
    const Answer help = answer(read({"--help"}));
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("usage: quorva [SONG.mid]\n")) << help.out;
    EXPECT_EQ(help.errors, "");
    const Answer version = answer(read({"--version"}));
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("quorva 0.70\nbuild 0.70")) << version.out;
    EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 2);
    const Answer bogus = answer(read({"a.mid", "--bogus"}));
    EXPECT_EQ(bogus.status, 64);
    EXPECT_EQ(bogus.out, "");
    EXPECT_EQ(bogus.errors, "quorva: unknown option \"--bogus\" (quorva --help lists the options)\n");
    const Answer tooLong = answer(read({longestPath + "p"}));
    EXPECT_EQ(tooLong.status, 64);
    EXPECT_EQ(tooLong.errors, "quorva: path too long (4096 bytes; at most 4095)\n");
}

}  // namespace
}  // namespace quorva
