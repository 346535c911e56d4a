#pragma once
// A JACK server of its own (dummy backend, a private name) and jack_midi_dump clients on it,
// all started here and ended by their process ids.
#include "support/temp_dir.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

namespace quorva::testing {

inline std::string readJackFile(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Whether jackd2 and its example clients are installed (tools/setup.sh installs them).
inline bool jackToolsInstalled()
{
    return std::system("command -v jackd >/dev/null && command -v jack_midi_dump >/dev/null && "
                       "command -v jack_lsp >/dev/null") == 0;
}

class JackRig {
public:
    explicit JackRig(const TempDir& dir)
        : dir_(dir), server_("quorva-test-" + std::to_string(getpid())), client_("quorva-dump-" + std::to_string(getpid()))
    {
    }
    ~JackRig()
    {
        for (const auto& [name, pid] : dumps_) {
            end(pid);
        }
        end(serverPid_);
    }

    // The server and one dump client named client().
    bool start(std::string& why)
    {
        if (!startServer()) {
            why = "jackd -d dummy could not start: " + readJackFile(dir_ / "jackd.log");
            return false;
        }
        if (!startDump(client_)) {
            why = "jack_midi_dump did not come up";
            return false;
        }
        return true;
    }

    bool startServer()
    {
        ++serverRuns_;
        serverPid_ = launch("JACK_NO_AUDIO_RESERVATION=1 exec jackd -n " + server_ + " -d dummy -r 48000 -p 256",
                            "jackd.log");
        return serverPid_ > 0 && waitFor("system:playback_1");
    }
    // The server dies at once, as a crash or `kill -9` ends it.
    void killServer()
    {
        if (serverPid_ > 0) {
            kill(serverPid_, SIGKILL);
            end(serverPid_);
            serverPid_ = -1;
        }
    }

    // A jack_midi_dump client; what it receives is kept in a file of its own per start.
    bool startDump(const std::string& name)
    {
        // A client whose server died stays (it does not end by itself): it is ended first.
        closeDump(name);
        const std::string file = name + "-" + std::to_string(serverRuns_) + ".txt";
        dumpFiles_[name] = file;
        dumps_[name] = launch("JACK_DEFAULT_SERVER=" + server_ + " exec jack_midi_dump " + name, file);
        return dumps_[name] > 0 && waitFor(name + ":input");
    }
    void closeDump(const std::string& name)
    {
        if (const auto found = dumps_.find(name); found != dumps_.end()) {
            end(found->second);
            dumps_.erase(found);
        }
    }

    const std::string& server() const { return server_; }
    const std::string& client() const { return client_; }
    std::string dump() const { return dump(client_); }
    std::string dump(const std::string& name) const
    {
        const auto found = dumpFiles_.find(name);
        return found == dumpFiles_.end() ? std::string() : readJackFile(dir_ / found->second);
    }

private:
    pid_t launch(const std::string& command, const std::string& log) const
    {
        const auto pidFile = dir_ / (log + ".pid");
        const std::string line = "(" + command + " >'" + (dir_ / log).string() + "' 2>&1 & echo $! >'" + pidFile.string() + "')";
        if (std::system(line.c_str()) != 0) {
            return -1;
        }
        const std::string pid = readJackFile(pidFile);
        return pid.empty() ? -1 : static_cast<pid_t>(std::stol(pid));
    }

    // Ends a process of the rig: asked first, then killed (a dump client whose server died
    // may not end when asked).
    static void end(pid_t pid)
    {
        if (pid <= 0) {
            return;
        }
        kill(pid, SIGTERM);
        for (int i = 0; i < 50 && kill(pid, 0) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(pid, SIGKILL);
    }

    bool waitFor(const std::string& port) const
    {
        const auto list = dir_ / "ports.txt";
        const std::string command = "JACK_DEFAULT_SERVER=" + server_ + " jack_lsp >'" + list.string() + "' 2>/dev/null";
        for (int i = 0; i < 100; ++i) {
            if (std::system(command.c_str()) == 0 && readJackFile(list).find(port) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    const TempDir& dir_;
    std::string server_;
    std::string client_;
    pid_t serverPid_ = -1;
    int serverRuns_ = 0;
    std::map<std::string, pid_t> dumps_;
    std::map<std::string, std::string> dumpFiles_;
};

}  // namespace quorva::testing
