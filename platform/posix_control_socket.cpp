#include "platform/posix_control_socket.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorva {

namespace {

using Clock = std::chrono::steady_clock;

bool isPrivateDirectory(const std::filesystem::path& directory)
{
    struct stat info {};
    if (lstat(directory.c_str(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 07777) == 0700;
}

// The socket's address; false when the path does not fit.
bool addressOf(const std::filesystem::path& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

int openSocket() { return socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

// Waits for the socket to become ready for `events` until the deadline.
bool waitFor(int socket, short events, Clock::time_point deadline)
{
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        pollfd entry{socket, events, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

enum class Probe : uint8_t { Live, Dead, Gone };

// Whether a live server listens on the socket file; a server whose queue is full is live.
Probe probe(const sockaddr_un& address)
{
    const int socket = openSocket();
    if (socket < 0) {
        return Probe::Live;
    }
    const int result = connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int error = errno;
    close(socket);
    if (result == 0 || error == EAGAIN || error == EINPROGRESS) {
        return Probe::Live;
    }
    return error == ENOENT ? Probe::Gone : error == ECONNREFUSED ? Probe::Dead : Probe::Live;
}

}  // namespace

std::filesystem::path controlDirectory()
{
    // A runtime directory that is not there (a session that ended, a variable carried into
    // another login) counts as none: the player and its clients then meet under /tmp.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &info) == 0 && S_ISDIR(info.st_mode)) {
        return std::filesystem::path(runtime) / "quorva";
    }
    return std::filesystem::path("/tmp") / ("quorva-" + std::to_string(getuid()));
}

bool preparePrivateDirectory(const std::filesystem::path& directory)
{
    if (mkdir(directory.c_str(), 0700) == 0) {
        // The creation mask may have taken bits away; the mode must be exactly 0700.
        chmod(directory.c_str(), 0700);
    }
    return isPrivateDirectory(directory);
}

bool ControlSocketServer::start(const std::filesystem::path& directory)
{
    stop();
    if (!preparePrivateDirectory(directory)) {
        return false;
    }
    const std::filesystem::path path = directory / controlSocketName;
    sockaddr_un address;
    if (!addressOf(path, address)) {
        return false;
    }
    const int listener = openSocket();
    if (listener < 0) {
        return false;
    }
    bool bound = false;
    for (int attempt = 0; attempt < 3 && !bound; ++attempt) {
        if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            bound = true;
            break;
        }
        if (errno != EADDRINUSE) {
            break;
        }
        struct stat info {};
        const Probe state = probe(address);
        if (state == Probe::Live) {
            break;
        }
        // Only a socket that nobody serves any more is taken away, never some other file.
        if (state == Probe::Dead && (lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) ||
                                     unlink(path.c_str()) != 0)) {
            break;
        }
    }
    struct stat info {};
    if (!bound || listen(listener, static_cast<int>(maxClients)) != 0 || lstat(path.c_str(), &info) != 0) {
        close(listener);
        return false;
    }
    listener_ = listener;
    socketPath_ = path;
    socketInode_ = info.st_ino;
    return true;
}

void ControlSocketServer::stop()
{
    for (Client& client : clients_) {
        close(client.socket);
    }
    clients_.clear();
    if (listener_ < 0) {
        return;
    }
    close(listener_);
    listener_ = -1;
    // The file goes only if it is still this server's: a later copy may have replaced it.
    struct stat info {};
    if (lstat(socketPath_.c_str(), &info) == 0 && info.st_ino == socketInode_) {
        unlink(socketPath_.c_str());
    }
}

void ControlSocketServer::serve()
{
    if (listener_ < 0) {
        return;
    }
    acceptWaiting();
    const auto now = Clock::now();
    std::erase_if(clients_, [&](Client& client) {
        if (!readFrom(client, now)) {
            return false;
        }
        close(client.socket);
        return true;
    });
}

void ControlSocketServer::acceptWaiting()
{
    // Bounded, so that a flood of connections cannot hold up a frame.
    for (size_t i = 0; i < maxClients; ++i) {
        const int socket = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) {
            return;
        }
        if (clients_.size() >= maxClients) {
            close(socket);
            continue;
        }
        clients_.push_back({socket, {}, Clock::now() + clientTimeLimit});
    }
}

bool ControlSocketServer::readFrom(Client& client, Clock::time_point now)
{
    char buffer[512];
    while (true) {
        // Never more than one byte past the longest request: that byte already tells.
        const size_t room = maxRequestBytes_ + 1 - client.received.size();
        const ssize_t got = recv(client.socket, buffer, std::min(room, sizeof buffer), MSG_DONTWAIT);
        if (got > 0) {
            client.received.append(buffer, static_cast<size_t>(got));
            const bool overlong = client.received.size() > maxRequestBytes_;
            if (auto answer = handler_.answer(client.received, overlong)) {
                reply(client, *answer);
                return true;
            }
            continue;
        }
        if (got == 0) {
            if (auto answer = handler_.answer(client.received, true)) {
                reply(client, *answer);
            }
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return true;
        }
        if (now >= client.deadline) {
            if (auto answer = handler_.answer(client.received, true)) {
                reply(client, *answer);
            }
            return true;
        }
        return false;
    }
}

void ControlSocketServer::reply(Client& client, const std::string& bytes)
{
    // A reply is small enough for the socket's buffer; a client that cannot take it loses it.
    send(client.socket, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
}

int ControlSocketClient::connectToPlayer()
{
    if (!isPrivateDirectory(directory_)) {
        return -1;
    }
    sockaddr_un address;
    if (!addressOf(directory_ / controlSocketName, address)) {
        return -1;
    }
    const int socket = openSocket();
    if (socket < 0) {
        return -1;
    }
    if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return socket;
    }
    // A busy player's queue may be full for a moment: wait for room, bounded.
    if ((errno == EAGAIN || errno == EINPROGRESS) &&
        waitFor(socket, POLLOUT, Clock::now() + std::chrono::milliseconds(500))) {
        int error = 0;
        socklen_t size = sizeof error;
        if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) {
            return socket;
        }
    }
    close(socket);
    return -1;
}

bool ControlSocketClient::playerRuns()
{
    const int socket = connectToPlayer();
    if (socket < 0) {
        return false;
    }
    close(socket);
    return true;
}

ControlCall ControlSocketClient::call(std::string_view request)
{
    ControlCall result;
    const int socket = connectToPlayer();
    if (socket < 0) {
        return result;
    }
    result.reach = ControlReach::NoAnswer;
    const auto deadline = Clock::now() + replyTimeLimit;
    size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t count = send(socket, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (count > 0) {
            sent += static_cast<size_t>(count);
        } else if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(socket, POLLOUT, deadline)) {
                break;
            }
        } else {
            break;
        }
    }
    // The end of the request: a player that refuses early may have closed already, and its
    // reply is still worth reading.
    shutdown(socket, SHUT_WR);
    std::string reply;
    char buffer[1024];
    while (reply.size() < maxReplyBytes) {
        const ssize_t got = recv(socket, buffer, sizeof buffer, 0);
        if (got > 0) {
            reply.append(buffer, static_cast<size_t>(got));
        } else if (got == 0) {
            result.reach = ControlReach::Answered;
            break;
        } else if (errno == EAGAIN || errno == EINTR) {
            if (!waitFor(socket, POLLIN, deadline)) {
                break;
            }
        } else {
            // A player that answered before reading all of an overlong request resets the
            // connection after its reply.
            if (errno == ECONNRESET && !reply.empty()) {
                result.reach = ControlReach::Answered;
            }
            break;
        }
    }
    close(socket);
    if (result.reach == ControlReach::Answered) {
        result.reply = std::move(reply);
    }
    return result;
}

}  // namespace quorva
