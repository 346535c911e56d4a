// The playlist of the real player: songs from the command line, a second copy, quorva-ctl
// and drops; next, previous, the end of a song under each repeat mode, and a song that
// cannot be loaded.
#include "running_program.h"

#include <gtest/gtest.h>

namespace quorva::testing {
namespace {

using namespace std::chrono_literals;

// A format 0 song of one short note: it ends about 1.1 s after it starts (the last note and
// the second the player adds).
std::vector<uint8_t> tinySong(uint8_t note)
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 12,
            0, 0x90, note, 100, 24, 0x80, note, 0, 0, 0xFF, 0x2F, 0};
}

struct ThreeSongs {
    ThreeSongs() : program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat", "quorva-ctl"})
    {
        program.dir().write("setting.dat", nullPortSettings());
        std::filesystem::create_directory(program.dir() / "album");
        // Written out of order: the player takes them in natural order of their names.
        c = program.dir().write("album/10 c.mid", tinySong(67)).string();
        a = program.dir().write("album/1 a.mid", tinySong(60)).string();
        b = program.dir().write("album/2 b.MID", tinySong(64)).string();
        program.dir().write("album/cover.txt", std::string("not a song"));
    }
    ProgramCopy program;
    std::string a;
    std::string b;
    std::string c;
};

TEST(PlaylistProgram, NextPreviousAutoAdvanceAndRepeat)
{
    ThreeSongs songs;
    RunningProgram player(songs.program, {(songs.program.dir() / "album").string()}, programEnvironment(songs.program));
    ASSERT_TRUE(player.waitUntilServing());
    EXPECT_EQ(player.status("path"), songs.a);
    EXPECT_EQ(player.status("playlist_length"), "3");
    EXPECT_EQ(player.status("repeat"), "off");
    // At its end a song gives way to the next.
    EXPECT_TRUE(eventually([&] { return player.status("path") == songs.b; }, 5s));
    EXPECT_EQ(player.status("playlist_position"), "2");
    EXPECT_EQ(player.ctl({"next"}).exitCode, 0);
    EXPECT_EQ(player.status("path"), songs.c);
    EXPECT_EQ(player.status("state"), "playing");
    // Past the last song there is nothing (refused); before the first neither.
    EXPECT_EQ(player.ctl({"next"}).exitCode, 1);
    EXPECT_EQ(player.ctl({"prev"}).exitCode, 0);
    EXPECT_EQ(player.status("path"), songs.b);
    EXPECT_EQ(player.ctl({"prev"}).exitCode, 0);
    EXPECT_EQ(player.ctl({"prev"}).exitCode, 1);
    EXPECT_EQ(player.status("path"), songs.a);

    // Repeat one plays the song again and again.
    EXPECT_EQ(player.ctl({"repeat", "one"}).exitCode, 0);
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(player.status("path"), songs.a);
    EXPECT_EQ(player.status("state"), "playing");
    // Repeat all goes round from the last song to the first.
    EXPECT_EQ(player.ctl({"repeat", "all"}).exitCode, 0);
    EXPECT_EQ(player.ctl({"next"}).exitCode, 0);
    EXPECT_EQ(player.ctl({"next"}).exitCode, 0);
    EXPECT_EQ(player.status("path"), songs.c);
    EXPECT_TRUE(eventually([&] { return player.status("path") == songs.a; }, 5s));
    // Repeat off: the last song ends the playing.
    EXPECT_EQ(player.ctl({"repeat", "off"}).exitCode, 0);
    EXPECT_EQ(player.ctl({"repeat", "twice"}).exitCode, 1);
    EXPECT_EQ(player.ctl({"prev"}).exitCode, 1);
    EXPECT_EQ(player.ctl({"next"}).exitCode, 0);
    EXPECT_EQ(player.ctl({"next"}).exitCode, 0);
    EXPECT_EQ(player.status("path"), songs.c);
    EXPECT_TRUE(eventually([&] { return player.status("state") == "stopped"; }, 5s));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(player.status("path"), songs.c);
    EXPECT_EQ(player.status("state"), "stopped");

    // playfile makes a list of one; enqueue adds at the end, a song that cannot be loaded
    // is skipped with its line.
    const std::string broken = songs.program.dir().write("broken.mid", std::string("no song")).string();
    EXPECT_EQ(player.ctl({"playfile", songs.b}).exitCode, 0);
    EXPECT_EQ(player.status("path"), songs.b);
    EXPECT_EQ(player.status("playlist_length"), "");
    EXPECT_EQ(player.ctl({"enqueue", broken, songs.a}).exitCode, 0);
    EXPECT_EQ(player.status("playlist_length"), "3");
    EXPECT_EQ(player.ctl({"next"}).exitCode, 0);
    EXPECT_EQ(player.status("path"), songs.a);
    EXPECT_EQ(player.status("playlist_position"), "3");
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "quorva: cannot play \"" + broken + "\": not a Standard MIDI File\n");
}

TEST(PlaylistProgram, SecondCopyHandsOverAllItsSongs)
{
    ThreeSongs songs;
    RunningProgram player(songs.program, {songs.a}, programEnvironment(songs.program));
    ASSERT_TRUE(player.waitUntilServing());
    // One song played once: the status is that of a player without a playlist.
    EXPECT_EQ(player.status("playlist_length"), "");
    const CommandResult second =
        runCommand(songs.program, {(songs.program.dir() / "quorva").string(), songs.c, songs.b, songs.a},
                   programEnvironment(songs.program), 10s);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.errors, "");
    EXPECT_TRUE(eventually([&] { return player.status("playlist_length") == "3"; }));
    EXPECT_EQ(player.status("path"), songs.c);
    EXPECT_EQ(player.ctl({"next"}).exitCode, 0);
    EXPECT_EQ(player.status("path"), songs.b);
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
}

TEST(PlaylistProgram, DroppedFolderAndDroppedFilesBecomeThePlaylist)
{
    ThreeSongs songs;
    const VirtualDisplay screen(songs.program);
    ASSERT_NE(screen.display, ":");
    const Environment environment =
        programEnvironment(songs.program, {{"DISPLAY", screen.display}, {"SDL_VIDEODRIVER", "x11"}});
    RunningProgram player(songs.program, {}, environment);
    ASSERT_TRUE(player.waitUntilServing());
    ASSERT_TRUE(dropFiles(songs.program, environment, {(songs.program.dir() / "album").string()}));
    EXPECT_TRUE(eventually([&] { return player.status("playlist_length") == "3"; }));
    EXPECT_EQ(player.status("path"), songs.a);
    ASSERT_TRUE(dropFiles(songs.program, environment, {songs.c, songs.b}));
    EXPECT_TRUE(eventually([&] { return player.status("playlist_length") == "2"; }));
    EXPECT_EQ(player.status("path"), songs.c);
    EXPECT_EQ(player.ctl({"next"}).exitCode, 0);
    EXPECT_EQ(player.status("path"), songs.b);
    EXPECT_EQ(player.stop(), 0);
    EXPECT_EQ(player.errors(), "");
}

}  // namespace
}  // namespace quorva::testing
