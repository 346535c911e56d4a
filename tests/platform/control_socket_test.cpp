// The control socket between a server and clients of this process, over a real socket.
#include "platform/posix_control_socket.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace quorva {
namespace {

using namespace std::chrono_literals;

// Answers "got N" once N bytes ending in '!' arrived, "final N" when made to answer.
class EchoHandler final : public ControlRequestHandler {
public:
    std::optional<std::string> answer(std::string_view received, bool final) override
    {
        if (!received.empty() && received.back() == '!') {
            return "got " + std::to_string(received.size());
        }
        if (final) {
            return "final " + std::to_string(received.size());
        }
        return std::nullopt;
    }
};

// The server served from a thread of its own while the test's clients wait on replies.
struct ServedSocket {
    explicit ServedSocket(size_t maxRequest = 64) : server(handler, maxRequest) {}
    ~ServedSocket() { halt(); }

    bool start()
    {
        std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
        if (!server.start(directory())) {
            return false;
        }
        serving = std::thread([this] {
            while (!done) {
                const auto before = std::chrono::steady_clock::now();
                server.serve();
                longestServe = std::max(longestServe.load(), std::chrono::steady_clock::now() - before);
                std::this_thread::sleep_for(1ms);
            }
        });
        return true;
    }
    void halt()
    {
        done = true;
        if (serving.joinable()) {
            serving.join();
        }
        server.stop();
    }
    std::filesystem::path directory() const { return dir / "quorva"; }

    testing::TempDir dir;
    EchoHandler handler;
    ControlSocketServer server;
    std::thread serving;
    std::atomic<bool> done{false};
    std::atomic<std::chrono::steady_clock::duration> longestServe{};
};

int connectRaw(const std::filesystem::path& socketPath)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST(ControlSocket, RequestsAreAnsweredAndBoundedWhileSilentClientsWaitTheirTurn)
{
    ServedSocket served;
    ASSERT_TRUE(served.start());
    ControlSocketClient client(served.directory());
    EXPECT_TRUE(client.playerRuns());
    ControlCall call = client.call("hello!");
    EXPECT_EQ(call.reach, ControlReach::Answered);
    EXPECT_EQ(call.reply, "got 6");
    // The end of the client's request makes the server answer what it has.
    EXPECT_EQ(client.call("half").reply, "final 4");

    // Clients that connect and send nothing: others are still answered at once, the server
    // never waits for them, and after their time they get the final answer.
    std::vector<int> silent;
    for (int i = 0; i < 5; ++i) {
        silent.push_back(connectRaw(served.directory() / "TMIDI"));
        ASSERT_GE(silent.back(), 0);
    }
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(client.call("quick!").reply, "got 6");
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    char buffer[64] = {};
    const ssize_t got = recv(silent[0], buffer, sizeof buffer, 0);  // blocks until the server gives up
    EXPECT_EQ(std::string(buffer, got > 0 ? got : 0), "final 0");
    for (int fd : silent) {
        close(fd);
    }

    // At most one byte past the longest request is read, then the server answers and closes.
    const std::string flood(100000, 'x');
    call = client.call(flood);
    EXPECT_EQ(call.reach, ControlReach::Answered);
    EXPECT_EQ(call.reply, "final 65");
    EXPECT_LT(served.longestServe.load(), 400ms);  // far below any client's time limit
}

TEST(ControlSocket, StaleSocketIsReplacedAndALiveOneKept)
{
    ServedSocket first;
    ASSERT_TRUE(first.start());
    // A second server on the same directory finds the first alive and refuses.
    EchoHandler handler;
    ControlSocketServer second(handler, 64);
    EXPECT_FALSE(second.start(first.directory()));
    EXPECT_TRUE(ControlSocketClient(first.directory()).playerRuns());

    // A socket file left by a copy that died (nobody listens) is taken over.
    first.halt();
    const std::filesystem::path path = first.directory() / "TMIDI";
    const int dead = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(dead, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(dead);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(ControlSocketClient(first.directory()).playerRuns());
    EXPECT_TRUE(second.start(first.directory()));
    EXPECT_TRUE(ControlSocketClient(first.directory()).playerRuns());
    second.stop();
    EXPECT_FALSE(std::filesystem::exists(path));

    // Some other file of that name is never removed.
    testing::TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    dir.write("TMIDI", std::string("not a socket"));
    EXPECT_FALSE(second.start(dir.path()));
    EXPECT_TRUE(std::filesystem::exists(dir / "TMIDI"));
}

TEST(ControlSocket, OnlyAPrivateDirectoryOfTheUserIsUsed)
{
    testing::TempDir dir;
    const auto made = dir / "made";
    EXPECT_TRUE(preparePrivateDirectory(made));
    struct stat info {};
    ASSERT_EQ(stat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);

    const auto open = dir / "open";
    std::filesystem::create_directory(open);
    std::filesystem::permissions(open, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                           std::filesystem::perms::group_exec);
    EXPECT_FALSE(preparePrivateDirectory(open));
    EchoHandler handler;
    ControlSocketServer server(handler, 64);
    EXPECT_FALSE(server.start(open));
    EXPECT_FALSE(std::filesystem::exists(open / "TMIDI"));

    // A link to a private directory is not the directory itself.
    std::filesystem::create_directory_symlink(made, dir / "link");
    EXPECT_FALSE(preparePrivateDirectory(dir / "link"));
    EXPECT_FALSE(ControlSocketClient(dir / "link").playerRuns());

    // A path too long for a socket address.
    const auto deep = dir / std::string(120, 'd');
    EXPECT_TRUE(preparePrivateDirectory(deep));
    EXPECT_FALSE(server.start(deep));
}

}  // namespace
}  // namespace quorva
