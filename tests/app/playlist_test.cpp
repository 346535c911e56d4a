#include "app/playlist.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace quorva {
namespace {

TEST(Playlist, NaturalOrderAndTheSongsOfAFolder)
{
    std::vector<std::string> names = {"10.mid", "2.mid", "b.MID", "A.mid", "track 02.mid", "track 1.mid", "1.mid", "01.mid"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    EXPECT_EQ(names, (std::vector<std::string>{"01.mid", "1.mid", "2.mid", "10.mid", "A.mid", "b.MID", "track 1.mid",
                                               "track 02.mid"}));
    EXPECT_FALSE(naturalLess("x.mid", "x.mid"));
    for (const char* name : {"a.mid", "a.MIDI", "a.Kar", "a.smf"}) {
        EXPECT_TRUE(isSongFileName(name)) << name;
    }
    for (const char* name : {"a.mp3", "mid", ".mid", "a.mid.txt", "a."}) {
        EXPECT_FALSE(isSongFileName(name)) << name;
    }

    testing::TempDir dir;
    for (const char* name : {"10.mid", "2.KAR", "notes.txt", "1.smf"}) {
        dir.write(name, std::string("x"));
    }
    std::filesystem::create_directory(dir / "sub.mid");
    dir.write("sub.mid/3.mid", std::string("x"));
    const std::string folder = dir.path().string();
    EXPECT_EQ(songsInFolder(folder), (std::vector<std::string>{folder + "/1.smf", folder + "/2.KAR", folder + "/10.mid"}));
    EXPECT_EQ(expandFolders({"/a.mid", folder, "/b.mid"}),
              (std::vector<std::string>{"/a.mid", folder + "/1.smf", folder + "/2.KAR", folder + "/10.mid", "/b.mid"}));
    EXPECT_TRUE(songsInFolder(folder + "/missing").empty());
    // A folder without songs stays a path: loading it then says why it cannot play.
    std::filesystem::create_directory(dir / "empty");
    EXPECT_EQ(expandFolders({folder + "/empty"}), (std::vector<std::string>{folder + "/empty"}));
}

TEST(Playlist, NextPreviousAndTheEndOfASongUnderEachRepeatMode)
{
    Playlist list;
    EXPECT_FALSE(list.next());
    EXPECT_FALSE(list.advanceAfterEnd());
    EXPECT_EQ(list.current(), "");
    list.replace({"a", "b", "c"});
    EXPECT_EQ(list.current(), "a");
    EXPECT_EQ(list.position(), 1u);
    EXPECT_FALSE(list.hasPrevious());
    EXPECT_FALSE(list.previous());
    EXPECT_TRUE(list.next());
    EXPECT_TRUE(list.next());
    EXPECT_EQ(list.current(), "c");
    // Repeat off: the end of the list is the end.
    EXPECT_FALSE(list.hasNext());
    EXPECT_FALSE(list.advanceAfterEnd());
    EXPECT_EQ(list.current(), "c");
    // Repeat all wraps both ways.
    list.cycleRepeat();
    EXPECT_EQ(list.repeat(), RepeatMode::All);
    EXPECT_TRUE(list.advanceAfterEnd());
    EXPECT_EQ(list.current(), "a");
    EXPECT_TRUE(list.previous());
    EXPECT_EQ(list.current(), "c");
    // Repeat one plays the song again after its end; next still moves on.
    list.cycleRepeat();
    EXPECT_EQ(list.repeat(), RepeatMode::One);
    EXPECT_TRUE(list.advanceAfterEnd());
    EXPECT_EQ(list.current(), "c");
    EXPECT_FALSE(list.next());
    list.cycleRepeat();
    EXPECT_EQ(list.repeat(), RepeatMode::Off);
    list.append({"d"});
    EXPECT_TRUE(list.next());
    EXPECT_EQ(list.current(), "d");
    EXPECT_EQ(list.position(), 4u);
    EXPECT_EQ(repeatNamed("all"), RepeatMode::All);
    EXPECT_EQ(repeatNamed("ALL"), std::nullopt);
    EXPECT_EQ(repeatName(RepeatMode::One), "one");
}

TEST(Playlist, ShuffleKeepsTheCurrentSongAndPlaysEachOnceARound)
{
    Playlist list;
    list.seed(7);
    std::vector<std::string> songs;
    for (int i = 0; i < 20; ++i) {
        songs.push_back("s" + std::to_string(i));
    }
    list.replace(songs);
    list.next();
    list.next();
    EXPECT_EQ(list.current(), "s2");
    list.setShuffle(true);
    EXPECT_EQ(list.current(), "s2");
    EXPECT_EQ(list.position(), 1u);
    std::vector<std::string> played = {list.current()};
    while (list.next()) {
        played.push_back(list.current());
    }
    EXPECT_EQ(std::set<std::string>(played.begin(), played.end()).size(), songs.size());
    EXPECT_NE(played, songs);
    // Back in order, the list stands at the song that plays.
    const std::string at = list.current();
    list.setShuffle(false);
    EXPECT_EQ(list.current(), at);
    EXPECT_EQ(list.position(), std::stoul(at.substr(1)) + 1);
}

}  // namespace
}  // namespace quorva
