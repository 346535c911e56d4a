// quorva-ctl: tells a running player what to do, for scripts and the desktop.
//   quorva-ctl playfile PATH   stop what plays, then load and play PATH
//   quorva-ctl stop            stop playing
//   quorva-ctl seek MS         play on from MS milliseconds into the song
//   quorva-ctl status          print the player's state, song, position and length
//   quorva-ctl enqueue PATH... add songs (or folders of songs) to the end of the playlist
//   quorva-ctl next | prev     play the next or the previous song of the playlist
//   quorva-ctl repeat off|one|all
//   quorva-ctl volume [N]      set the master volume to N % (0-100), or print it
//   quorva-ctl --help | --version
// Exit status: 0 acknowledged, 1 refused (or no proper answer), 2 no player runs, 64 usage.
#include "app/control_protocol.h"
#include "base/program_version.h"
#ifdef _WIN32
#include "program/dde_control.h"
#else
#include "platform/posix_control_socket.h"
#endif

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

using namespace quorva;

constexpr int exitRefused = 1;
constexpr int exitNoPlayer = 2;
constexpr int exitUsage = 64;

// Asked for, the usage goes to standard output and is no error.
int usage(std::FILE* out = stderr)
{
    std::fprintf(out, "usage: quorva-ctl playfile PATH | stop | seek MS | status\n"
                      "       quorva-ctl enqueue PATH... | next | prev | repeat off|one|all\n"
                      "       quorva-ctl volume [0-100]\n"
                      "       quorva-ctl --help | --version\n");
    return out == stderr ? exitUsage : 0;
}

// The player runs in its own directory, so a relative path is made absolute here.
std::string absolute(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.string();
}

// The running player's control channel: its DDE server on Windows, else its socket.
ControlCall callPlayer(const std::string& request)
{
#ifdef _WIN32
    DdeControlChannel channel;
#else
    ControlSocketClient channel(controlDirectory());
#endif
    return channel.call(request);
}

// Prints the reply's fields, or only the value of `onlyField` when one is named (the reply
// leaves that field out when it has the value `omitted`).
int send(control::Verb verb, const std::string& text, const std::string& onlyField = {},
         const std::string& omitted = {})
{
    const ControlCall call = callPlayer(control::encodeRequest(verb, text));
    if (call.reach == ControlReach::NoPlayer) {
        std::fprintf(stderr, "quorva-ctl: no player is running\n");
        return exitNoPlayer;
    }
    const auto reply = control::parseReply(call.reply);
    if (call.reach != ControlReach::Answered || !reply) {
        std::fprintf(stderr, "quorva-ctl: the player did not answer\n");
        return exitRefused;
    }
    if (reply->result != control::acknowledged) {
        std::fprintf(stderr, "quorva-ctl: the player refused the request\n");
        return exitRefused;
    }
    for (const auto& [name, value] : reply->fields) {
        if (onlyField.empty()) {
            std::printf("%s: %s\n", name.c_str(), control::escapeValue(value).c_str());
        } else if (name == onlyField) {
            std::printf("%s\n", control::escapeValue(value).c_str());
            return 0;
        }
    }
    if (!onlyField.empty()) {
        std::printf("%s\n", omitted.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        return usage();
    }
    const std::string command = argv[1];
    if (command == "--help") {
        return usage(stdout);
    }
    if (command == "--version") {
        std::fputs(versionText("quorva-ctl").c_str(), stdout);
        return 0;
    }
    if (command == "playfile" && argc == 3 && argv[2][0] != '\0') {
        return send(control::Verb::Execute, "playfile " + absolute(argv[2]));
    }
    if (command == "stop" && argc == 2) {
        return send(control::Verb::Execute, "stop");
    }
    if (command == "seek" && argc == 3 && argv[2][0] != '\0') {
        return send(control::Verb::Execute, std::string("seek ") + argv[2]);
    }
    if (command == "status" && argc == 2) {
        return send(control::Verb::Status, "");
    }
    if (command == "enqueue" && argc >= 3) {
        for (int i = 2; i < argc; ++i) {
            if (argv[i][0] == '\0') {
                return usage();
            }
        }
        // One request a song, in order; the first that is not taken ends the list there.
        for (int i = 2; i < argc; ++i) {
            if (const int status = send(control::Verb::Execute, "enqueue " + absolute(argv[i])); status != 0) {
                return status;
            }
        }
        return 0;
    }
    if (command == "repeat" && argc == 3) {
        return send(control::Verb::Execute, "repeat " + std::string(argv[2]));
    }
    if (command == "volume" && argc == 3) {
        return send(control::Verb::Execute, "volume " + std::string(argv[2]));
    }
    if (command == "volume" && argc == 2) {
        // A player at full volume says nothing of it.
        return send(control::Verb::Status, "", "volume", "100");
    }
    if ((command == "next" || command == "prev") && argc == 2) {
        return send(control::Verb::Execute, command);
    }
    return usage();
}
