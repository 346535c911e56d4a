#include "app/working_directory.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quorva {
namespace {

TEST(WorkingDirectory, SongPathsAreMadeAbsoluteBeforeTheProgramMoves)
{
    const auto here = std::filesystem::current_path();
    EXPECT_EQ(absoluteSongPath("songs/a b.mid"), (here / "songs/a b.mid").string());
    EXPECT_EQ(absoluteSongPath("\"songs/a b.mid\""), (here / "songs/a b.mid").string());
    EXPECT_EQ(absoluteSongPath("/music/x.mid"), "/music/x.mid");
    EXPECT_EQ(absoluteSongPath(""), "");
}

}  // namespace
}  // namespace quorva
