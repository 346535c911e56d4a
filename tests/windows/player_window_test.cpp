// quorva.exe under Wine: its window, the picture it shows, the end on WM_CLOSE, files dropped
// from X, the Japanese song texts, and where it saves its settings.
#include "windows/player_pictures.h"
#include "windows/wine_session.h"

#include <gtest/gtest.h>

namespace quorva::testing {
namespace {

// Shift-JIS song titles of five characters each.
const std::string kJapaneseTitle = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x89\xCC";       // 日本語の歌
const std::string kOtherJapaneseTitle = "\x89\xB9\x8A\x79\x82\xCC\x8E\x9E\x8A\xD4";  // 音楽の時間

// Where the finished song shows the same picture in the player and in quorva-render.
constexpr uint32_t kAfterTheEndMs = 6000;

TEST(WindowsPlayer, WindowHasItsClassTitleAndPictureAndEndsWithZeroOnWmClose)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const auto app = session.installCopy(playerFiles());
    writeBytes(app / "setting.dat", nullPortSettings());
    writeBytes(app / "song.mid", titledSong(kJapaneseTitle));
    const auto picture = renderedPicture(session, app, app / "song.mid", kAfterTheEndMs);
    ASSERT_TRUE(picture);

    auto player = session.start({(app / "quorva.exe").string(), WineSession::windowsPath(app / "song.mid")}, "player");
    const auto window = session.findWindow(kWindowClass, kWindowTitle);
    ASSERT_TRUE(window) << player->errors();
    EXPECT_EQ(window->clientWidth, kPictureWidth);
    EXPECT_EQ(window->clientHeight, kPictureHeight);
    EXPECT_NE(window->classStyle & 0x0008u, 0u) << "CS_DBLCLKS";
    // Off the window the software cursor is drawn nowhere, as in quorva-render.
    session.movePointer(window->clientLeft + kPictureWidth + 40, window->clientTop + 10);
    EXPECT_EQ(waitForPicture(session, *window, *picture), 0);

    ASSERT_TRUE(session.postClose(kWindowClass, kWindowTitle));
    EXPECT_EQ(player->wait(std::chrono::seconds(10)), 0);
    EXPECT_EQ(player->errors(), "");
}

TEST(WindowsPlayer, FileDroppedThroughXdndIsPlayed)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const auto app = session.installCopy(playerFiles());
    writeBytes(app / "setting.dat", nullPortSettings());
    writeBytes(app / "dropped.mid", titledSong("DROPPED SONG"));
    const auto picture = renderedPicture(session, app, app / "dropped.mid", kAfterTheEndMs);
    ASSERT_TRUE(picture);

    auto player = session.start({(app / "quorva.exe").string()}, "player");
    const auto window = session.findWindow(kWindowClass, kWindowTitle);
    ASSERT_TRUE(window) << player->errors();
    session.movePointer(window->clientLeft + kPictureWidth + 40, window->clientTop + 10);
    const auto drop = std::filesystem::path(std::getenv("QUORVA_BIN_DIR")) / "xdnd-drop";
    const WineResult dropped = session.runNative({drop.string(), kWindowTitle, (app / "dropped.mid").string()});
    EXPECT_EQ(dropped.exitCode, 0) << dropped.errors;
    // The song was loaded, played and has ended: the picture of its end.
    EXPECT_EQ(waitForPicture(session, *window, *picture), 0);
    ASSERT_TRUE(session.postClose(kWindowClass, kWindowTitle));
    EXPECT_EQ(player->wait(std::chrono::seconds(10)), 0);
}

}  // namespace
}  // namespace quorva::testing
