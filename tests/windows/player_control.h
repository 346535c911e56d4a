#pragma once
// Asking a running quorva.exe what it does, through quorva-ctl.exe, for the tests that wait
// for a song to play or to end.
#include "windows/wine_session.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace quorva::testing {

// quorva-ctl.exe's output with the line ends of the Linux program.
inline std::string linesOf(std::string text)
{
    std::erase(text, '\r');
    return text;
}

// quorva-ctl.exe ARGUMENTS, run from the player's folder `app`.
inline WineResult control(WineSession& session, const std::filesystem::path& app, const std::vector<std::string>& arguments)
{
    std::vector<std::string> command = {(app / "quorva-ctl.exe").string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    WineResult result = session.run(command);
    result.output = linesOf(result.output);
    result.errors = linesOf(result.errors);
    return result;
}

// Waits until the player's status holds the line `line` ("state: stopped"); its last status.
inline std::string waitForStatus(WineSession& session, const std::filesystem::path& app, const std::string& line,
                                 std::chrono::seconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string status;
    while (std::chrono::steady_clock::now() < deadline) {
        status = control(session, app, {"status"}).output;
        if (("\n" + status).find("\n" + line + "\n") != std::string::npos) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return status;
}

}  // namespace quorva::testing
