// `cmake --install` into a temporary prefix, the installed programs started from PREFIX/bin
// (the player under a virtual X server), and the target "uninstall".
#include "running_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

// Every file and link below `root`, directories left out.
std::set<std::string> filesBelow(const std::filesystem::path& root)
{
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_directory() || entry.is_symlink()) {
            files.insert(entry.path().string());
        }
    }
    return files;
}

std::set<std::string> manifestOf(const std::filesystem::path& build)
{
    std::set<std::string> files;
    std::istringstream lines(readText(build / "install_manifest.txt"));
    for (std::string line; std::getline(lines, line);) {
        files.insert(line);
    }
    return files;
}

TEST(Install, InstalledPlayerRunsFromItsPrefixWithItsDesktopEntryAndUninstallLeavesThePrefixAsItWas)
{
    ProgramCopy scratch({});
    const auto prefix = scratch.dir() / "prefix with blank";
    const auto build = binDirectory().parent_path();
    // A desktop entry of another program was there before: uninstall keeps it and its
    // directories, and removes every other file and directory.
    std::filesystem::create_directories(prefix / "share" / "applications");
    scratch.dir().write("prefix with blank/share/applications/other.desktop", std::string("[Desktop Entry]\n"));
    const auto other = (prefix / "share" / "applications" / "other.desktop").string();
    const CommandResult install = runCommand(
        scratch, {"/usr/bin/env", "cmake", "--install", build.string(), "--prefix", prefix.string()}, programEnvironment(scratch), 120s);
    ASSERT_EQ(install.exitCode, 0) << install.output << install.errors;
    // The manifest names every file the install wrote, links and desktop entry included.
    std::set<std::string> installed = filesBelow(prefix);
    installed.erase(other);
    EXPECT_EQ(manifestOf(build), installed);

    const auto library = prefix / "lib" / "quorva";
    for (const char* name : {"quorva", "quorva-ctl", "quorva-render", "fmstone.dat", "inst.dat", "bmp.dat", "fnm.dat", "fsm.dat"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(library / name)) << name;
    }
    for (const char* name : {"quorva", "quorva-ctl", "quorva-render"}) {
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
    EXPECT_NE(text.find("\nStartupWMClass=velnoxa\n"), std::string::npos) << text;
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

    // The installed renderer, through its link, finds its tone file and renders the song.
    const auto wav = scratch.dir() / "song.wav";
    const CommandResult render =
        runCommand(scratch, {(prefix / "bin" / "quorva-render").string(), song, "--wav", wav.string()}, environment, 60s);
    EXPECT_EQ(render.exitCode, 0) << render.output << render.errors;
    const std::string samples = readText(wav);
    ASSERT_GT(samples.size(), 44u + 2u * 44100u * 4u);  // the four beats at 120 bpm: 2 s of frames
    EXPECT_NE(samples.find_first_not_of('\0', 44), std::string::npos) << "silent render";

    const CommandResult uninstall = runCommand(
        scratch, {"/usr/bin/env", "cmake", "--build", build.string(), "--target", "uninstall"}, programEnvironment(scratch), 120s);
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.output << uninstall.errors;
    EXPECT_EQ(filesBelow(prefix), std::set<std::string>{other});
    std::vector<std::string> directories;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(prefix)) {
        directories.push_back(entry.path().lexically_relative(prefix).string());
    }
    std::sort(directories.begin(), directories.end());
    EXPECT_EQ(directories, (std::vector<std::string>{"share", "share/applications", "share/applications/other.desktop"}));
}

}  // namespace
}  // namespace quorva::testing
