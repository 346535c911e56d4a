#include "app/player_config.h"
#include "app/window_size.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace quorva {
namespace {

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PlayerConfig, KeepsWhatItDoesNotKnowAndReadsAnyMalformedFileAsDefaults)
{
    testing::TempDir dir;
    const std::string path = (dir.path() / "config" / "quorva" / "player.conf").string();
    // No file, and no directory yet: defaults; writing creates the directory.
    PlayerConfig config = PlayerConfig::read(path);
    EXPECT_EQ(rememberedWindowSize(config), std::nullopt);
    EXPECT_TRUE(rememberWindowSize(config, {1280, 960}));
    EXPECT_FALSE(rememberWindowSize(config, {1280, 960}));  // unchanged: nothing to write
    ASSERT_TRUE(config.write(path));
    EXPECT_EQ(fileText(path), "window_width=1280\nwindow_height=960\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));

    // A later version's keys, comments, blanks and CR LF line ends: the window size is
    // read, and rewriting changes only its lines.
    dir.write("config/quorva/player.conf", std::string("# kept\r\nvolume = 90\r\n\r\nwindow_height=700\n"
                                                       "window_width =1000 \nrepeat_mode=all\n"));
    config = PlayerConfig::read(path);
    EXPECT_EQ(rememberedWindowSize(config), (WindowSize{1000, 700}));
    EXPECT_EQ(config.value("volume"), "90");
    EXPECT_TRUE(rememberWindowSize(config, {900, 700}));
    ASSERT_TRUE(config.write(path));
    EXPECT_EQ(fileText(path), "# kept\nvolume=90\n\nwindow_height=700\nwindow_width=900\nrepeat_mode=all\n");

    // A key given twice counts with its last line, which is the one that changes.
    config = PlayerConfig::parse("window_width=800\nwindow_height=600\nwindow_width=1000\n");
    EXPECT_EQ(rememberedWindowSize(config), (WindowSize{1000, 600}));
    config.set("window_width", "1100");
    EXPECT_EQ(config.text(), "window_width=800\nwindow_height=600\nwindow_width=1100\n");
    // Nothing that would break the file is set.
    EXPECT_FALSE(config.set("window width", "1"));
    EXPECT_FALSE(config.set("title", "two\nlines"));
    EXPECT_EQ(config.text(), "window_width=800\nwindow_height=600\nwindow_width=1100\n");

    // Malformed files read as empty, whatever good lines they also hold.
    const std::string size = "window_width=1000\nwindow_height=700\n";
    for (const std::string& text : {size + "just words\n", size + "=5\n", size + "bad key=5\n",
                                    size + "note=a" + '\0' + "b\n", size + "note=\x1b[31m\n"}) {
        EXPECT_EQ(PlayerConfig::parse(text).text(), "") << text;
    }
    // Sizes that are not whole numbers in range are not sizes; the other key alone is not one.
    for (const char* text : {"window_width=1000\nwindow_height=-700\n", "window_width=+1000\nwindow_height=700\n",
                             "window_width=1000px\nwindow_height=700\n", "window_width=0\nwindow_height=700\n",
                             "window_width=99999\nwindow_height=700\n", "window_width=\nwindow_height=700\n",
                             "window_height=700\n"}) {
        EXPECT_EQ(rememberedWindowSize(PlayerConfig::parse(text)), std::nullopt) << text;
    }
    // A file larger than the player could have written is not read.
    dir.write("config/quorva/player.conf", "window_width=1000\nwindow_height=700\n# " +
                                               std::string(PlayerConfig::maxFileBytes, 'x') + "\n");
    EXPECT_EQ(rememberedWindowSize(PlayerConfig::read(path)), std::nullopt);

    // A write that fails leaves the old file whole: here the new file's name is taken by a
    // directory.
    std::filesystem::create_directories(path + ".new");
    EXPECT_FALSE(PlayerConfig::parse("window_width=1\n").write(path));
    EXPECT_NE(fileText(path).find("window_width=1000\n"), std::string::npos);
    EXPECT_FALSE(PlayerConfig{}.write(""));
}

}  // namespace
}  // namespace quorva
