#include "support/player_fixture.h"
#include "support/smf_builder.h"
#include "support/scratch_mount.h"
#include "support/temp_dir.h"

#include "app/settings.h"
#include "base/file_writer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace quorva {
namespace {

struct RecordingEffects final : SettingsEffects {
    void setFpsLimit(uint32_t fps) override { limits.push_back(fps); }
    void showSystemCursor(bool shown) override { cursor = shown; }
    void setMuteLevelControl(uint8_t level) override { muteLevel = level; }
    std::vector<uint32_t> limits;
    bool cursor = false;
    int muteLevel = -1;
};

TEST(Settings, FileRoundTripDefaultsAndBadBytes)
{
    testing::TempDir dir;
    const std::string path = (dir / "setting.dat").string();
    EXPECT_EQ(readSettings(path), Settings{});
    const auto defaults = Settings{}.toBytes();
    EXPECT_EQ(std::vector<uint8_t>(defaults.begin(), defaults.end()),
              (std::vector<uint8_t>{0, 1, 0, 2, 2, 2, 3, 0, 1, 2, 0}));

    dir.write("setting.dat", std::vector<uint8_t>{3, 2, 1, 4, 4});  // short: the whole default record
    EXPECT_EQ(readSettings(path), Settings{});

    Settings chosen;
    chosen.output = Settings::FmSynth;
    chosen.voiceIndex = 4;
    chosen.fpsLimitIndex = 4;
    chosen.systemCursor = 1;
    ASSERT_TRUE(writeSettings(chosen, path));
    EXPECT_EQ(std::filesystem::file_size(path), 11u);
    EXPECT_EQ(readSettings(path), chosen);
    EXPECT_EQ(readSettings(path).voices(), 64u);
    EXPECT_EQ(readSettings(path).fpsLimit(), 0u);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));

    // Out-of-table bytes fall back field by field; a longer file is accepted.
    dir.write("setting.dat", std::vector<uint8_t>{7, 1, 9, 2, 2, 9, 3, 0, 1, 2, 9, 0xAA});
    const Settings mixed = readSettings(path);
    EXPECT_EQ(mixed.output, 0);
    EXPECT_EQ(mixed.effects, 9);
    EXPECT_EQ(mixed.levelShiftIndex, 2);
    EXPECT_EQ(mixed.fpsLimitIndex, 0);

    // A write that cannot create its file leaves the old one untouched.
    EXPECT_FALSE(writeSettings(chosen, (dir / "missing-dir" / "setting.dat").string()));
}

TEST(Settings, ApplyRecreatesThePortOnlyWhenItsChoiceChanged)
{
    testing::Player player;
    RecordingEffects effects;
    SettingsKeeper keeper(player.ports, player.sequencer, player.messages, effects);
    keeper.selectPortAtStartUp();  // MM-OUT
    CapturePort* first = player.factory.last;
    testing::TrackBuilder track;
    track.event(0, {0x90, 60, 1}).event(100000, {0x80, 60, 0});
    ASSERT_TRUE(player.loadBytes(testing::buildSmf(0, 480, {track})));
    player.sequencer.play();

    Settings next = keeper.live();
    next.sampleRateIndex = 2;  // an MS-SS field while MM-OUT is chosen
    next.sleepActiveIndex = 4;
    next.fpsLimitIndex = 3;
    keeper.apply(next);
    EXPECT_EQ(player.factory.last, first);
    EXPECT_EQ(player.sequencer.state(), PlayState::Playing);
    EXPECT_EQ(effects.limits, (std::vector<uint32_t>{120}));
    EXPECT_EQ(effects.muteLevel, 6);

    next.output = Settings::SoftSynth;
    keeper.apply(next);
    EXPECT_NE(player.factory.last, first);
    EXPECT_EQ(player.sequencer.state(), PlayState::Stopped);
    EXPECT_EQ(player.ports.kind(), PortKind::DirectMusicOut);
    CapturePort* second = player.factory.last;
    next.sampleRateIndex = 0;
    keeper.apply(next);
    EXPECT_NE(player.factory.last, second);

    player.factory.nextOpenFails = true;
    next.output = Settings::FmSynth;
    keeper.apply(next);
    EXPECT_EQ(player.messages.shown, (std::vector<std::string>{"midiport create error"}));
    EXPECT_EQ(player.ports.kind(), PortKind::NullOut);
    EXPECT_EQ(keeper.live().output, Settings::Null);
}

}  // namespace
}  // namespace quorva

namespace quorva {
namespace {

TEST(SettingsLocation, InstalledPlayerKeepsItsSettingsInTheConfigDirectory)
{
    testing::TempDir dir;
    std::filesystem::create_directories(dir / "program");
    SettingsLocation location;
    location.besideExecutable = (dir / "program" / "setting.dat").string();
    location.configDirectory = (dir / "config" / "quorva").string();
    Settings chosen;
    chosen.voiceIndex = 4;

    // A writable program directory without a config file: everything stays beside the program.
    EXPECT_EQ(location.readPath(), location.besideExecutable);
    ASSERT_TRUE(saveSettings(chosen, location));
    EXPECT_EQ(readSettings(location.readPath()), chosen);
    EXPECT_FALSE(std::filesystem::exists(location.configDirectory));

    // Once the config file exists, it is read and saved, so that a SAVE survives a restart.
    std::filesystem::create_directories(location.configDirectory);
    writeSettings(Settings{}, location.configFile());
    EXPECT_EQ(location.readPath(), location.configFile());
    chosen.fpsLimitIndex = 4;
    ASSERT_TRUE(saveSettings(chosen, location));
    EXPECT_EQ(readSettings(location.readPath()), chosen);
    EXPECT_NE(readSettings(location.besideExecutable), chosen);
    EXPECT_EQ(std::filesystem::file_size(location.configFile()), Settings::size);

    // A program directory that cannot be written: the config directory is made and used.
    std::filesystem::remove_all(dir / "config");
    location.besideExecutable = (dir / "not-there" / "setting.dat").string();
    ASSERT_TRUE(saveSettings(chosen, location));
    EXPECT_EQ(location.readPath(), location.configFile());
    EXPECT_EQ(readSettings(location.readPath()), chosen);

    // Neither place can be written.
    location.configDirectory = (dir / "program" / "setting.dat" / "quorva").string();
    EXPECT_FALSE(saveSettings(chosen, location));
}

TEST(SettingsLocation, ConfigDirectoryFollowsTheEnvironment)
{
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string savedConfig = oldConfig ? oldConfig : "";
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(SettingsLocation::fromEnvironment().configDirectory, "/cfg/quorva");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    setenv("HOME", getenv("HOME") ? getenv("HOME") : "/home/someone", 1);
    EXPECT_EQ(SettingsLocation::fromEnvironment().configDirectory, std::string(getenv("HOME")) + "/.config/quorva");
    if (oldConfig) {
        setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    EXPECT_EQ(SettingsLocation{}.readPath(), "setting.dat");
}

std::vector<char> fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int failingRename(const char*, const char*)
{
    errno = EIO;
    return -1;
}

// SAVE where the record cannot be written, for real where this machine allows: the result
// names the file and the system's reason, the player's error stream gets the same line, and
// the file there stays as it was with nothing left beside it.
TEST(SettingsSave, SaysWhyItFailedAndLeavesTheOldFileWhole)
{
    testing::TempDir dir;
    Settings chosen;
    chosen.voiceIndex = 4;
    Settings old;
    old.fpsLimitIndex = 3;
    std::vector<std::string> notTried;
    const auto expectRefused = [&](const std::filesystem::path& file, const std::string& reason) {
        SCOPED_TRACE(file.string());
        const std::vector<char> before = fileBytes(file);
        SettingsLocation location;
        location.besideExecutable = file.string();
        const SaveResult result = saveSettings(chosen, location);
        EXPECT_FALSE(result.saved);
        EXPECT_EQ(result.failureLine(), "could not save settings to " + file.string() + ": " + reason);
        EXPECT_EQ(fileBytes(file), before);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(file.string() + ".new")));
    };

    // A directory that is a regular file.
    dir.write("plain", std::string("x"));
    expectRefused(dir / "plain" / "setting.dat", "Not a directory");

    // A read-only directory: a read-only tmpfs, else a directory without write permission,
    // which stops every user but root.
    testing::ScratchMount readOnly(dir / "read-only", "64k");
    ASSERT_TRUE(writeSettings(old, (dir / "read-only" / "setting.dat").string()));
    if (readOnly.mounted() && readOnly.makeReadOnly()) {
        expectRefused(dir / "read-only" / "setting.dat", "Read-only file system");
    } else if (geteuid() != 0) {
        std::filesystem::permissions(dir / "read-only", std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
        expectRefused(dir / "read-only" / "setting.dat", "Permission denied");
        std::filesystem::permissions(dir / "read-only", std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    } else {
        notTried.push_back("a read-only directory (root, and tmpfs cannot be mounted)");
    }
    EXPECT_EQ(readSettings((dir / "read-only" / "setting.dat").string()), old);

    // A full file system: a tmpfs filled up, else the new file written to /dev/full.
    testing::ScratchMount full(dir / "full", "64k");
    ASSERT_TRUE(writeSettings(old, (dir / "full" / "setting.dat").string()));
    if (full.mounted()) {
        full.fill();
    } else {
        std::filesystem::create_symlink("/dev/full", dir / "full" / "setting.dat.new");
    }
    expectRefused(dir / "full" / "setting.dat", "No space left on device");
    EXPECT_EQ(readSettings((dir / "full" / "setting.dat").string()), old);

    // The new file written whole, then the rename failing.
    const std::string kept = (dir / "setting.dat").string();
    ASSERT_TRUE(writeSettings(old, kept));
    const auto bytes = chosen.toBytes();
    EXPECT_EQ(tryReplaceFile(kept, bytes.data(), bytes.size(), &failingRename), EIO);
    EXPECT_EQ(readSettings(kept), old);
    EXPECT_FALSE(std::filesystem::exists(kept + ".new"));

    // The player says it on its error stream as well; a save that works says nothing.
    testing::Player player;
    RecordingEffects effects;
    SettingsKeeper keeper(player.ports, player.sequencer, player.messages, effects);
    std::FILE* errors = std::tmpfile();
    ASSERT_NE(errors, nullptr);
    keeper.setErrors(errors);
    SettingsLocation refused;
    refused.besideExecutable = (dir / "plain" / "setting.dat").string();
    keeper.setLocation(refused);
    EXPECT_FALSE(keeper.save(chosen));
    SettingsLocation writable;
    writable.besideExecutable = kept;
    keeper.setLocation(writable);
    EXPECT_TRUE(keeper.save(chosen));
    EXPECT_EQ(readSettings(kept), chosen);
    std::rewind(errors);
    std::string said(256, '\0');
    said.resize(std::fread(said.data(), 1, said.size(), errors));
    std::fclose(errors);
    EXPECT_EQ(said, "quorva: could not save settings to " + refused.besideExecutable + ": Not a directory\n");
    for (const std::string& name : notTried) {
        std::printf("not tried here: %s\n", name.c_str());
    }
}

}  // namespace
}  // namespace quorva
