// `cmake --install` into a temporary prefix, and the installed player started from
// PREFIX/bin under a virtual X server.
#include "running_program.h"

#include <gtest/gtest.h>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

TEST(Install, InstalledPlayerRunsFromItsPrefixWithItsDesktopEntry)
{
    ProgramCopy scratch({});
    const auto prefix = scratch.dir() / "prefix with blank";
    const auto build = binDirectory().parent_path();
    const CommandResult install = runCommand(
        scratch, {"/usr/bin/env", "cmake", "--install", build.string(), "--prefix", prefix.string()}, programEnvironment(scratch), 120s);
    ASSERT_EQ(install.exitCode, 0) << install.output << install.errors;

    const auto library = prefix / "lib" / "quorva";
    for (const char* name : {"quorva", "quorva-ctl", "fmstone.dat", "inst.dat", "bmp.dat", "fnm.dat", "fsm.dat"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(library / name)) << name;
    }
    for (const char* name : {"quorva", "quorva-ctl"}) {
        EXPECT_TRUE(std::filesystem::is_symlink(prefix / "bin" / name)) << name;
        EXPECT_TRUE(std::filesystem::equivalent(prefix / "bin" / name, library / name)) << name;
    }
    for (const char* size : {"48x48", "128x128"}) {
        const std::string icon = readText(prefix / "share" / "icons" / "hicolor" / size / "apps" / "quorva.png");
        ASSERT_GT(icon.size(), 24u) << size;
        EXPECT_EQ(icon.substr(1, 3), "PNG");
        const int side = std::stoi(size);
        EXPECT_EQ(static_cast<uint8_t>(icon[18]) * 256 + static_cast<uint8_t>(icon[19]), side);  // IHDR width
    }
    const auto entry = prefix / "share" / "applications" / "quorva.desktop";
    const std::string text = readText(entry);
    EXPECT_NE(text.find("MimeType=audio/midi;audio/x-midi;\n"), std::string::npos) << text;
    // Docks match the running window (class "velnoxa") to this entry.
    EXPECT_NE(text.find("StartupWMClass=velnoxa\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Exec=\"" + (prefix / "bin" / "quorva").string() + "\" %f\n"), std::string::npos) << text;
    const CommandResult validate =
        runCommand(scratch, {"/usr/bin/desktop-file-validate", entry.string()}, programEnvironment(scratch));
    EXPECT_EQ(validate.exitCode, 0) << validate.output << validate.errors;

    // Started through the link in PREFIX/bin, from elsewhere, the player finds its data in
    // PREFIX/lib/quorva and plays; its quorva-ctl reaches it.
    const std::string song = scratch.dir().write("song.mid", shortSong()).string();
    std::filesystem::create_directories(scratch.dir() / "config" / "quorva");
    scratch.dir().write("config/quorva/setting.dat", nullPortSettings());
    const VirtualDisplay screen(scratch);
    ASSERT_NE(screen.display, ":");
    const Environment environment = programEnvironment(scratch, {{"DISPLAY", screen.display}, {"SDL_VIDEODRIVER", "x11"}});
    const pid_t player = spawnProcess({(prefix / "bin" / "quorva").string(), song}, environment,
                                      (scratch.dir() / "player.out").string(), (scratch.dir() / "player.err").string());
    ASSERT_GT(player, 0);
    auto ctl = [&](const std::string& command) {
        return runCommand(scratch, {(prefix / "bin" / "quorva-ctl").string(), command}, environment);
    };
    EXPECT_TRUE(eventually([&] { return ctl("status").exitCode == 0; }, 20s));
    const CommandResult status = ctl("status");
    EXPECT_NE(status.output.find("state: playing\npath: " + song + "\n"), std::string::npos) << status.output;
    ::kill(player, SIGTERM);
    EXPECT_EQ(waitForExit(player, 20s), 0);
    EXPECT_EQ(readText(scratch.dir() / "player.err"), "");
    // The installed directory got nothing written into it.
    EXPECT_FALSE(std::filesystem::exists(library / "setting.dat"));
}

}  // namespace
}  // namespace quorva::testing
