// The real player and quorva-ctl as separate processes: one running copy, the hand-off of a
// second copy, and the requests of the control socket, good and bad.
#include "platform/posix_control_socket.h"
#include "running_program.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

const std::initializer_list<const char*> playerFiles = {"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"};

struct PlayerSetup {
    PlayerSetup() : program(playerFiles)
    {
        program.dir().write("setting.dat", nullPortSettings());
        first = program.dir().write("first song.mid", shortSong()).string();
        second = program.dir().write("second song.mid", shortSong()).string();
    }
    ProgramCopy program;
    std::string first;
    std::string second;
};

TEST(ControlProgram, SecondCopyHandsItsSongToTheFirstAndEndsSilently)
{
    PlayerSetup setup;
    RunningProgram player(setup.program, {setup.first}, programEnvironment(setup.program));
    ASSERT_TRUE(player.waitUntilServing());
    EXPECT_EQ(player.status("path"), setup.first);

    // The second copy: its whole command line reaches the first, which plays it on its next
    // frame; the second ends at once with 0, without a message.
    const auto environment = programEnvironment(setup.program);
    const CommandResult second =
        runCommand(setup.program, {(setup.program.dir() / "quorva").string(), setup.second}, environment, 10s);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.errors, "");
    EXPECT_TRUE(eventually([&] { return player.status("path") == setup.second; }));
    EXPECT_EQ(player.status("state"), "playing");

    // Without a song the second copy just ends, and nothing changes.
    const CommandResult empty = runCommand(setup.program, {(setup.program.dir() / "quorva").string()}, environment, 10s);
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.errors, "");
    EXPECT_EQ(player.status("path"), setup.second);

    EXPECT_TRUE(player.alive());
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
    // No player any more: the socket is gone with it.
    EXPECT_EQ(player.ctl({"status"}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(setup.program.dir() / "run" / "quorva" / "TMIDI"));
}

TEST(ControlProgram, QuorvaCtlPlaysStopsAndReports)
{
    PlayerSetup setup;
    RunningProgram player(setup.program, {}, programEnvironment(setup.program));
    ASSERT_TRUE(player.waitUntilServing());
    CommandResult status = player.ctl({"status"});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(status.output, "state: idle\npath: \ntitle: \nposition_ms: 0\nlength_ms: 0\n");

    CommandResult play = player.ctl({"playfile", setup.first});
    EXPECT_EQ(play.exitCode, 0);
    EXPECT_EQ(play.output, "");
    EXPECT_EQ(player.status("state"), "playing");  // at once, not on a later frame
    EXPECT_EQ(player.status("path"), setup.first);
    EXPECT_EQ(player.status("length_ms"), "3000");  // four beats at 120 and the second of tail
    EXPECT_TRUE(eventually([&] { return std::stoi("0" + player.status("position_ms")) > 0; }));

    EXPECT_EQ(player.ctl({"stop"}).exitCode, 0);
    EXPECT_EQ(player.status("state"), "stopped");

    // A song that cannot be loaded is acknowledged and leaves the player idle; the player
    // says why.
    const std::string missing = (setup.program.dir() / "missing.mid").string();
    EXPECT_EQ(player.ctl({"playfile", missing}).exitCode, 0);
    EXPECT_EQ(player.status("state"), "idle");

    // Refused: a path too long for a request. Usage errors.
    EXPECT_EQ(player.ctl({"playfile", "/" + std::string(5000, 'p')}).exitCode, 1);
    EXPECT_EQ(player.ctl({"Stop"}).exitCode, 64);
    EXPECT_EQ(player.ctl({"playfile"}).exitCode, 64);
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "quorva: cannot play \"" + missing + "\": no such file\n");
}

std::string rawCall(const ProgramCopy& program, const std::string& request)
{
    ControlSocketClient client(program.dir() / "run" / "quorva");
    const ControlCall call = client.call(request);
    return call.reach == ControlReach::Answered ? call.reply : "(no answer)";
}

TEST(ControlProgram, BadRequestsAreRefusedAndThePlayerKeepsAnswering)
{
    PlayerSetup setup;
    RunningProgram player(setup.program, {setup.first}, programEnvironment(setup.program));
    ASSERT_TRUE(player.waitUntilServing());
    const std::string refused = "result: 0x0000\n";
    const std::vector<std::string> bad = {
        "TMIDI\0TMIDI\0execute\0Stop\0"s,
        "TMIDI\0TMIDI\0execute\0stop \0"s,
        "TMIDI\0OTHER\0execute\0stop\0"s,
        "tmidi\0TMIDI\0execute\0stop\0"s,
        "TMIDI\0TMIDI\0execute\0stop\0trailing"s,
        "TMIDI\0TMIDI\0execute\0stop"s,
        "GET / HTTP/1.1\r\nHost: x\r\n\r\n"s,
        std::string(5000, '\0'),
        std::string(100000, 'A'),
        "\x80\x01\x02\xff\xfe"s,
        ""s,
    };
    for (const std::string& request : bad) {
        EXPECT_EQ(rawCall(setup.program, request), refused) << request.substr(0, 40);
    }
    EXPECT_EQ(player.status("state"), "playing");

    // A client that connects and says nothing does not hold up anyone else.
    const int silent = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (setup.program.dir() / "run" / "quorva" / "TMIDI").string();
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(connect(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(rawCall(setup.program, "TMIDI\0TMIDI\0execute\0stop\0"s), "result: 0x8000\n");
    EXPECT_LT(std::chrono::steady_clock::now() - before, 700ms);
    close(silent);
    EXPECT_EQ(player.status("state"), "stopped");
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
}

TEST(ControlProgram, StaleSocketIsReplacedAndAnOpenDirectoryRefused)
{
    PlayerSetup setup;
    const auto environment = programEnvironment(setup.program);
    const auto directory = setup.program.dir() / "run" / "quorva";
    {
        // A copy that was killed leaves its socket behind.
        RunningProgram killed(setup.program, {}, environment, "killed");
        ASSERT_TRUE(killed.waitUntilServing());
        ::kill(killed.pid(), SIGKILL);
        EXPECT_EQ(killed.stop(), 128 + SIGKILL);
    }
    ASSERT_TRUE(std::filesystem::exists(directory / "TMIDI"));
    RunningProgram player(setup.program, {setup.first}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    EXPECT_EQ(player.status("path"), setup.first);
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");

    // A directory others may enter is refused, as the server's creation failure.
    std::filesystem::permissions(directory, std::filesystem::perms::owner_all | std::filesystem::perms::others_exec);
    const CommandResult refused =
        runCommand(setup.program, {(setup.program.dir() / "quorva").string(), setup.first}, environment);
    EXPECT_EQ(refused.exitCode, 255);
    EXPECT_EQ(refused.errors, "dde create error\n");
    EXPECT_EQ(runCommand(setup.program, {(setup.program.dir() / "quorva-ctl").string(), "status"}, environment).exitCode, 2);
}

TEST(ControlProgram, DroppedFilesPlayTheFirstOfTheDrop)
{
    PlayerSetup setup;
    const VirtualDisplay screen(setup.program);
    ASSERT_NE(screen.display, ":");
    const Environment environment =
        programEnvironment(setup.program, {{"DISPLAY", screen.display}, {"SDL_VIDEODRIVER", "x11"}});
    RunningProgram player(setup.program, {}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    const std::string third = setup.program.dir().write("third.mid", shortSong()).string();
    ASSERT_TRUE(dropFiles(setup.program, environment, {setup.second, setup.first, third}));
    EXPECT_TRUE(eventually([&] { return player.status("path") == setup.second; }));
    EXPECT_EQ(player.status("state"), "playing");
    // A dropped file that is not a song leaves the player idle, and the player says why.
    const std::string settings = (setup.program.dir() / "setting.dat").string();
    ASSERT_TRUE(dropFiles(setup.program, environment, {settings}));
    EXPECT_TRUE(eventually([&] { return player.status("state") == "idle"; }));
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "quorva: cannot play \"" + settings + "\": not a Standard MIDI File\n");
}

}  // namespace
}  // namespace quorva::testing
