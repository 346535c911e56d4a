// What a user meets in the first minute, on the real programs: options on the command line,
// songs that cannot be played, no display, a stale runtime directory, and long paths.
#include "app/control_protocol.h"
#include "platform/posix_control_socket.h"
#include "running_program.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

const std::initializer_list<const char*> playerFiles = {"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"};

struct Player {
    Player() : program(playerFiles)
    {
        program.dir().write("setting.dat", nullPortSettings());
        first = program.dir().write("first song.mid", shortSong()).string();
        second = program.dir().write("second song.mid", shortSong()).string();
    }
    CommandResult quorva(const std::vector<std::string>& arguments, const Environment& environment) const
    {
        std::vector<std::string> argv = {(program.dir() / "quorva").string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return runCommand(program, argv, environment, 20s);
    }
    ProgramCopy program;
    std::string first;
    std::string second;
};

TEST(FirstMinute, OptionsAreAnsweredAndNeverReachTheRunningPlayer)
{
    Player setup;
    const Environment environment = programEnvironment(setup.program);
    RunningProgram player(setup.program, {setup.first}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string outputStart;
        std::string errors;
    };
    const std::vector<Case> cases = {
        {{"--help"}, 0, "usage: quorva [SONG.mid]\n", ""},
        {{"--version"}, 0, "quorva 0.70\nbuild 0.70", ""},
        {{setup.second, "--bogus"}, 64, "", "quorva: unknown option \"--bogus\" (quorva --help lists the options)\n"},
        {{"-x"}, 64, "", "quorva: unknown option \"-x\" (quorva --help lists the options)\n"},
        {{"/" + std::string(5000, 'p')}, 64, "", "quorva: path too long (5001 bytes; at most 4095)\n"},
    };
    for (const Case& c : cases) {
        const CommandResult result = setup.quorva(c.arguments, environment);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.front().substr(0, 20);
        EXPECT_TRUE(result.output.starts_with(c.outputStart)) << result.output;
        EXPECT_EQ(result.output.empty(), c.outputStart.empty()) << result.output;
        EXPECT_EQ(result.errors, c.errors);
        // The player went on with its song; nothing was handed over.
        EXPECT_EQ(player.status("path"), setup.first);
        EXPECT_EQ(player.status("state"), "playing");
    }
    // After "--" every argument is the song's.
    EXPECT_EQ(setup.quorva({"--", setup.second}, environment).exitCode, 0);
    EXPECT_TRUE(eventually([&] { return player.status("path") == setup.second; }));

    // The tools: usage asked for goes to standard output; a wrong command line still fails.
    const auto tool = [&](const std::string& name, const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {(binDirectory() / name).string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return runCommand(setup.program, argv, environment);
    };
    for (const std::string name : {"quorva-ctl", "quorva-render"}) {
        const CommandResult help = tool(name, {"--help"});
        EXPECT_EQ(help.exitCode, 0) << name;
        EXPECT_TRUE(help.output.starts_with("usage: " + name + " ")) << help.output;
        EXPECT_EQ(help.errors, "") << name;
        const CommandResult version = tool(name, {"--version"});
        EXPECT_EQ(version.exitCode, 0) << name;
        EXPECT_TRUE(version.output.starts_with(name + " 0.70\nbuild 0.70")) << version.output;
        const CommandResult wrong = tool(name, {});
        EXPECT_EQ(wrong.exitCode, name == "quorva-ctl" ? 64 : 1) << name;
        EXPECT_EQ(wrong.output, "") << name;
        EXPECT_TRUE(wrong.errors.starts_with("usage: " + name + " ")) << wrong.errors;
    }
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
}

TEST(FirstMinute, SongsThatCannotBePlayedSayWhyOnEveryRoute)
{
    Player setup;
    const TempDir& dir = setup.program.dir();
    std::filesystem::create_directories(dir / "folder.mid");
    const std::string missing = (dir / "missing.mid").string();
    const std::string folder = (dir / "folder.mid").string();
    const std::string empty = dir.write("empty.mid", std::vector<uint8_t>{}).string();
    const std::string text = dir.write("notes.mid", "These are not the notes you are looking for.").string();
    const std::string format2 = dir.write("format2.mid", std::vector<uint8_t>{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 2, 0, 1,
                                                                                0, 96}).string();
    const std::string truncated = dir.write("cut.mid", std::vector<uint8_t>{'M', 'T', 'h', 'd', 0, 0, 0, 6}).string();
    const auto line = [](const std::string& path, const std::string& reason) {
        return "quorva: cannot play \"" + path + "\": " + reason + "\n";
    };

    // On the command line: the window opens idle and the line names the song.
    const Environment environment = programEnvironment(setup.program);
    RunningProgram player(setup.program, {format2}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    EXPECT_EQ(player.status("state"), "idle");
    std::string expected = line(format2, "format 2 is not supported");
    EXPECT_EQ(player.errors(), expected);

    // Handed over by a second copy: the song that played is gone, and the running player says why.
    EXPECT_EQ(player.ctl({"playfile", setup.first}).exitCode, 0);
    EXPECT_EQ(player.status("length_ms"), "3000");
    const CommandResult second = setup.quorva({missing}, environment);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.errors, "");
    EXPECT_TRUE(eventually([&] { return player.status("state") == "idle"; }));
    EXPECT_EQ(player.status("path"), "");
    EXPECT_EQ(player.status("length_ms"), "0");
    expected += line(missing, "no such file");
    EXPECT_TRUE(eventually([&] { return player.errors() == expected; })) << player.errors();

    // Through the control socket: acknowledged as ever (its reply keeps its form), and said.
    for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
             {folder, "a directory, not a file"},
             {empty, "empty file"},
             {text, "not a Standard MIDI File"},
             {truncated, "truncated header"}}) {
        EXPECT_EQ(player.ctl({"playfile", setup.first}).exitCode, 0);
        const CommandResult play = player.ctl({"playfile", path});
        EXPECT_EQ(play.exitCode, 0);
        EXPECT_EQ(play.output, "");
        EXPECT_EQ(player.ctl({"status"}).output, "state: idle\npath: \ntitle: \nposition_ms: 0\nlength_ms: 0\n");
        expected += line(path, reason);
    }
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), expected);
}

TEST(FirstMinute, NoDisplayEndsStartUpAndAMissingRuntimeDirectoryFallsBackToTmp)
{
    Player setup;
    // No X display, no Wayland, no driver asked for: SDL would fall back to drawing nowhere.
    const CommandResult unseen = setup.quorva(
        {setup.first}, programEnvironment(setup.program, {{"SDL_VIDEODRIVER", ""}, {"WAYLAND_DISPLAY", ""}}));
    EXPECT_EQ(unseen.exitCode, 255);
    EXPECT_EQ(unseen.errors, "main window create error\n");

    // A runtime directory that is gone: the player and quorva-ctl meet under /tmp.
    const std::filesystem::path fallback = "/tmp/quorva-" + std::to_string(getuid());
    if (ControlSocketClient(fallback).playerRuns()) {
        GTEST_SKIP() << "a player already serves " << fallback;
    }
    const Environment gone =
        programEnvironment(setup.program, {{"XDG_RUNTIME_DIR", (setup.program.dir() / "gone").string()}});
    RunningProgram player(setup.program, {setup.first}, gone);
    ASSERT_TRUE(player.waitUntilServing()) << player.errors();
    EXPECT_EQ(player.status("path"), setup.first);
    EXPECT_TRUE(std::filesystem::is_socket(fallback / "TMIDI"));
    EXPECT_FALSE(std::filesystem::exists(setup.program.dir() / "gone"));
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
    EXPECT_FALSE(std::filesystem::exists(fallback / "TMIDI"));
}

// A song at least `bytes` long as a path, through folders of `unit` repeated (each name under
// the system's 255 bytes), made on disk.
std::string deepSong(const TempDir& dir, size_t bytes, const std::string& unit, size_t unitsPerFolder)
{
    std::filesystem::path path = dir.path();
    while (path.string().size() + unit.size() * unitsPerFolder + 12 < bytes) {
        std::string folder;
        for (size_t i = 0; i < unitsPerFolder; ++i) {
            folder += unit;
        }
        path /= folder;
    }
    std::string name(bytes - std::min(bytes, path.string().size() + 1 + 4), 's');
    path /= name.substr(0, 200) + ".mid";
    std::filesystem::create_directories(path.parent_path());
    dir.write(std::filesystem::relative(path, dir.path()).string(), shortSong());
    return path.string();
}

TEST(FirstMinute, LongPathsPlayThroughEveryRouteAndLongerOnesAreRefused)
{
    Player setup;
    const TempDir& dir = setup.program.dir();
    // Japanese folder names reach 256 bytes at 85 characters.
    const std::string medium = deepSong(dir, 300, "\xe9\x9f\xb3", 80);  // 音
    const std::string longest = deepSong(dir, 4000, "d", 200);
    ASSERT_GE(medium.size(), 300u);
    ASSERT_GE(longest.size(), 4000u);
    ASSERT_LE(longest.size(), 4095u);
    const std::string tooLong = longest + "/" + std::string(200, 'x') + "/" + std::string(200, 'y') + "/" +
                                std::string(200, 'z') + "/" + std::string(200, 'w') + "/" + std::string(200, 'v') + ".mid";
    ASSERT_GE(tooLong.size(), 5000u);

    const VirtualDisplay screen(setup.program);
    ASSERT_NE(screen.display, ":");
    const Environment environment =
        programEnvironment(setup.program, {{"DISPLAY", screen.display}, {"SDL_VIDEODRIVER", "x11"}});
    RunningProgram player(setup.program, {medium}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    EXPECT_EQ(player.status("path"), medium);

    // Each route starts from another song, so that only the route can bring the path.
    for (const std::string& path : {medium, longest}) {
        EXPECT_EQ(player.ctl({"playfile", setup.first}).exitCode, 0);
        ASSERT_TRUE(dropFiles(setup.program, environment, {path}));
        EXPECT_TRUE(eventually([&] { return player.status("path") == path; })) << "drop of " << path.size();
        EXPECT_EQ(player.ctl({"playfile", setup.first}).exitCode, 0);
        EXPECT_EQ(setup.quorva({path}, environment).exitCode, 0);
        EXPECT_TRUE(eventually([&] { return player.status("path") == path; })) << "hand-off of " << path.size();
        EXPECT_EQ(player.ctl({"playfile", setup.first}).exitCode, 0);
        EXPECT_EQ(player.ctl({"playfile", path}).exitCode, 0);
        EXPECT_EQ(player.status("path"), path) << "playfile of " << path.size();
        EXPECT_EQ(player.status("state"), "playing");
    }

    // Longer than any path: refused on every route, never cut; the player keeps its song.
    EXPECT_EQ(player.ctl({"playfile", tooLong}).exitCode, 1);
    EXPECT_EQ(setup.quorva({tooLong}, environment).exitCode, 64);
    ControlSocketClient client(setup.program.dir() / "run" / "quorva");
    EXPECT_EQ(client.call(control::encodeRequest(control::Verb::HandOff, tooLong)).reply, "result: 0x0000\n");
    ASSERT_TRUE(dropFiles(setup.program, environment, {tooLong}));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(player.status("path"), longest);
    EXPECT_EQ(player.status("state"), "playing");
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
}

}  // namespace
}  // namespace quorva::testing
