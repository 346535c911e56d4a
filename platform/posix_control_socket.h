#pragma once
// The control channel as a Unix-domain stream socket named TMIDI in a directory private to
// the user: $XDG_RUNTIME_DIR/quorva/, or /tmp/quorva-<uid>/ when that variable is unset or
// names no directory.
#include "platform/control_channel.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace quorva {

inline constexpr const char* controlSocketName = "TMIDI";

// The directory the environment names for the socket (not yet checked or created).
std::filesystem::path controlDirectory();
// Creates the directory (mode 0700) if it is missing; true only when it is a real directory
// (not a link) owned by this user with mode 0700.
bool preparePrivateDirectory(const std::filesystem::path& directory);

// Serves the socket without ever blocking: each `serve` accepts what is waiting, reads what
// has arrived, answers complete requests and drops clients that exceed their time.
class ControlSocketServer {
public:
    static constexpr size_t maxClients = 16;
    static constexpr std::chrono::milliseconds clientTimeLimit{1000};

    ControlSocketServer(ControlRequestHandler& handler, size_t maxRequestBytes)
        : handler_(handler), maxRequestBytes_(maxRequestBytes)
    {
    }
    ~ControlSocketServer() { stop(); }
    ControlSocketServer(const ControlSocketServer&) = delete;
    ControlSocketServer& operator=(const ControlSocketServer&) = delete;

    // False when the directory is not private, the socket cannot be made, or another live
    // copy serves it. A socket left by a copy that died is replaced.
    bool start(const std::filesystem::path& directory);
    void serve();
    void stop();
    bool running() const { return listener_ >= 0; }
    size_t clientCount() const { return clients_.size(); }

private:
    struct Client {
        int socket = -1;
        std::string received;
        std::chrono::steady_clock::time_point deadline;
    };

    void acceptWaiting();
    // True when the client is finished with (answered or gone).
    bool readFrom(Client& client, std::chrono::steady_clock::time_point now);
    void reply(Client& client, const std::string& bytes);

    ControlRequestHandler& handler_;
    size_t maxRequestBytes_;
    int listener_ = -1;
    std::filesystem::path socketPath_;
    unsigned long socketInode_ = 0;
    std::vector<Client> clients_;
};

// A client of the socket in the given directory.
class ControlSocketClient final : public ControlChannel {
public:
    static constexpr std::chrono::milliseconds replyTimeLimit{3000};
    static constexpr size_t maxReplyBytes = 64 * 1024;

    explicit ControlSocketClient(std::filesystem::path directory) : directory_(std::move(directory)) {}

    bool playerRuns() override;
    ControlCall call(std::string_view request) override;

private:
    // A connected socket, or -1 when no player runs.
    int connectToPlayer();

    std::filesystem::path directory_;
};

}  // namespace quorva
