#pragma once
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorva::testing {

struct ToolResult {
    int status = -1;   // exit status, -1 when the program did not exit normally
    std::string out;   // standard output and standard error together
};

// Runs one of the built programs beside the tests' binaries (QUORVA_BIN_DIR) with the given
// shell-quoted arguments.
inline ToolResult runTool(const std::string& program, const std::string& arguments)
{
    const std::string command = std::string(std::getenv("QUORVA_BIN_DIR")) + "/" + program + " " + arguments + " 2>&1";
    ToolResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return result;
    }
    std::array<char, 4096> buffer{};
    size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.out.append(buffer.data(), got);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace quorva::testing
