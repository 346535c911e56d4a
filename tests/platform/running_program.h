#pragma once
// The built player running in the background of a test, and quorva-ctl run against it.
#include "app_program.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <functional>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quorva::testing {

using Environment = std::map<std::string, std::string>;

// The caller's environment with the copy's private directories, no session bus unless one
// is named, SDL on its dummy drivers, and the given overrides (an empty value removes one).
inline Environment programEnvironment(const ProgramCopy& program, const Environment& overrides = {})
{
    Environment environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos) {
            environment[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    program.privateEnvironment();
    environment["XDG_RUNTIME_DIR"] = (program.dir() / "run").string();
    environment["XDG_CONFIG_HOME"] = (program.dir() / "config").string();
    environment["SDL_AUDIODRIVER"] = "dummy";
    environment["SDL_VIDEODRIVER"] = "dummy";
    environment.erase("DBUS_SESSION_BUS_ADDRESS");
    environment.erase("DISPLAY");
    for (const auto& [name, value] : overrides) {
        if (value.empty()) {
            environment.erase(name);
        } else {
            environment[name] = value;
        }
    }
    return environment;
}

inline pid_t spawnProcess(const std::vector<std::string>& arguments, const Environment& environment,
                          const std::string& outputFile, const std::string& errorFile)
{
    std::vector<std::string> entries;
    for (const auto& [name, value] : environment) {
        entries.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& entry : entries) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = arguments;
    std::vector<char*> argv;
    for (auto& argument : args) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, "/");
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Exit status of the process, or -1000 when it is still running after the time limit.
inline int waitForExit(pid_t pid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1000;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

struct CommandResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

// Runs a program of the copy's directory (or any path) to its end.
inline CommandResult runCommand(const ProgramCopy& program, const std::vector<std::string>& arguments,
                                const Environment& environment, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    static int counter = 0;
    const std::string stem = (program.dir() / ("command" + std::to_string(++counter))).string();
    CommandResult result;
    const pid_t pid = spawnProcess(arguments, environment, stem + ".out", stem + ".err");
    if (pid < 0) {
        return result;
    }
    result.exitCode = waitForExit(pid, limit);
    if (result.exitCode == -1000) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    result.output = readText(stem + ".out");
    result.errors = readText(stem + ".err");
    return result;
}

// The player of a program copy, started in the background and ended with SIGTERM.
class RunningProgram {
public:
    RunningProgram(const ProgramCopy& program, const std::vector<std::string>& arguments, Environment environment,
                   const std::string& name = "player")
        : program_(program), environment_(std::move(environment)),
          errorFile_((program.dir() / (name + ".err")).string())
    {
        std::vector<std::string> argv = {(program.dir() / "quorva").string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        pid_ = spawnProcess(argv, environment_, (program.dir() / (name + ".out")).string(), errorFile_);
    }
    ~RunningProgram()
    {
        if (pid_ > 0) {
            stop();
        }
    }

    pid_t pid() const { return pid_; }
    const Environment& environment() const { return environment_; }
    std::string errors() const { return readText(errorFile_); }
    // Whether it still runs; once it has ended, `stop` gives its exit status.
    bool alive()
    {
        if (exitCode_ == -1000 && pid_ > 0) {
            exitCode_ = waitForExit(pid_, std::chrono::milliseconds(0));
        }
        return exitCode_ == -1000;
    }

    // quorva-ctl with the player's environment.
    CommandResult ctl(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> argv = {(program_.dir() / "quorva-ctl").string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return runCommand(program_, argv, environment_);
    }

    // Waits until quorva-ctl status answers (the player serves its socket).
    bool waitUntilServing(std::chrono::milliseconds limit = std::chrono::seconds(20)) const
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (ctl({"status"}).exitCode == 0) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // A value of the status reply ("" when the player did not answer).
    std::string status(const std::string& name) const
    {
        const std::string output = ctl({"status"}).output;
        const std::string key = name + ": ";
        for (size_t start = 0; start < output.size();) {
            size_t end = output.find('\n', start);
            end = end == std::string::npos ? output.size() : end;
            if (output.compare(start, key.size(), key) == 0) {
                return output.substr(start + key.size(), end - start - key.size());
            }
            start = end + 1;
        }
        return "";
    }

    // SIGTERM (the window system's quit) and the exit status.
    int stop()
    {
        if (!alive()) {
            pid_ = -1;
            return exitCode_;
        }
        ::kill(pid_, SIGTERM);
        int code = waitForExit(pid_, std::chrono::seconds(20));
        if (code == -1000) {
            ::kill(pid_, SIGKILL);
            code = waitForExit(pid_, std::chrono::seconds(5));
        }
        pid_ = -1;
        return code;
    }

private:
    const ProgramCopy& program_;
    Environment environment_;
    std::string errorFile_;
    pid_t pid_ = -1;
    int exitCode_ = -1000;
};

inline bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A background process of the test (X server, bus daemon, follower) ended with the test.
class BackgroundProcess {
public:
    BackgroundProcess(const ProgramCopy& program, const std::vector<std::string>& arguments, const Environment& environment,
           const std::string& name)
        : output_((program.dir() / (name + ".out")).string())
    {
        pid_ = spawnProcess(arguments, environment, output_, (program.dir() / (name + ".err")).string());
    }
    ~BackgroundProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            if (waitForExit(pid_, std::chrono::seconds(5)) == -1000) {
                ::kill(pid_, SIGKILL);
                waitForExit(pid_, std::chrono::seconds(5));
            }
        }
    }
    std::string output() const { return readText(output_); }
    // The first line of its output, once it has written one.
    std::string firstLine() const
    {
        std::string line;
        eventually([&] {
            const std::string text = output();
            const size_t end = text.find('\n');
            line = end == std::string::npos ? "" : text.substr(0, end);
            return !line.empty();
        });
        return line;
    }

private:
    std::string output_;
    pid_t pid_ = -1;
};

// A virtual X server of its own, by default of 800x600 pixels; `display` is its name for
// DISPLAY (":" when it failed).
struct VirtualDisplay {
    explicit VirtualDisplay(const ProgramCopy& program, const std::string& screen = "800x600x24")
        : server(program, {"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"},
                 programEnvironment(program), "xvfb-" + screen),
          display(":" + server.firstLine())
    {
    }
    BackgroundProcess server;
    std::string display;
};

// Drops the files onto the player's window, as a file manager does; true when the window took them.
inline bool dropFiles(const ProgramCopy& program, const Environment& environment, const std::vector<std::string>& files)
{
    std::vector<std::string> arguments = {(binDirectory() / "xdnd-drop").string(), "quorva 0.70 [velnoxa ver.]"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    return runCommand(program, arguments, environment).exitCode == 0;
}

}  // namespace quorva::testing
