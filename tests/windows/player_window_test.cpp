// quorva.exe under Wine: its window, the picture it shows, the end on WM_CLOSE, files dropped
// from X, the Japanese song texts, and where it saves its settings.
#include "windows/player_pictures.h"
#include "windows/wine_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <thread>
#include <unistd.h>
#include <utility>

namespace quorva::testing {
namespace {

// Shift-JIS song titles of five characters each.
const std::string kJapaneseTitle = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x89\xCC";       // 日本語の歌
const std::string kOtherJapaneseTitle = "\x89\xB9\x8A\x79\x82\xCC\x8E\x9E\x8A\xD4";  // 音楽の時間

// Where the finished song shows the same picture in the player and in quorva-render.
constexpr uint32_t kAfterTheEndMs = 6000;

bool eventuallyHolds(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

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

    // Alt+Enter: a borderless window over the whole screen with the picture in its middle
    // (no whole multiple of it fits), then the window as it was.
    const auto altEnter = [&] {
        session.runNative({"xdotool", "keydown", "alt+Return", "sleep", "0.3", "keyup", "alt+Return"});
    };
    altEnter();
    ASSERT_TRUE(eventuallyHolds([&] {
        const auto full = session.findWindow(kWindowClass, kWindowTitle);
        return full && full->clientWidth == 1024 && full->clientHeight == 768;
    }));
    WineWindow centred = *session.findWindow(kWindowClass, kWindowTitle);
    EXPECT_EQ(centred.clientLeft, 0);
    EXPECT_EQ(centred.clientTop, 0);
    centred.clientLeft += (1024 - kPictureWidth) / 2;
    centred.clientTop += (768 - kPictureHeight) / 2;
    EXPECT_EQ(waitForPicture(session, centred, *picture), 0);
    altEnter();
    ASSERT_TRUE(eventuallyHolds([&] {
        const auto windowed = session.findWindow(kWindowClass, kWindowTitle);
        return windowed && windowed->clientWidth == kPictureWidth && windowed->clientHeight == kPictureHeight &&
               windowed->clientLeft == window->clientLeft && windowed->clientTop == window->clientTop;
    }));

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

// Whether a rectangle of the client area (picture coordinates) looks the same on two screens.
bool sameRegion(const ScreenPixels& a, const ScreenPixels& b, const WineWindow& window, int left, int top, int right, int bottom)
{
    for (int y = window.clientTop + top; y < window.clientTop + bottom; ++y) {
        for (int x = window.clientLeft + left; x < window.clientLeft + right; ++x) {
            if (!(a.at(x, y) == b.at(x, y))) {
                return false;
            }
        }
    }
    return true;
}

// A digit chooses a page, F1 and '?' draw the help over the page body until another key
// closes it, and Ctrl+Q ends the player with status 0.
TEST(WindowsPlayer, KeysChoosePagesOpenTheHelpAndQuit)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const auto app = session.installCopy(playerFiles());
    writeBytes(app / "setting.dat", nullPortSettings());
    auto player = session.start({(app / "quorva.exe").string()}, "player");
    const auto window = session.findWindow(kWindowClass, kWindowTitle);
    ASSERT_TRUE(window) << player->errors();
    session.movePointer(window->clientLeft + kPictureWidth + 40, window->clientTop + 10);
    const auto shotAfter = [&](const char* keys) {
        session.runNative({"xdotool", "key", keys, "sleep", "0.6"});
        return session.screenshot();
    };
    const ScreenPixels start = shotAfter("Escape");
    const ScreenPixels page2 = shotAfter("2");
    const ScreenPixels help = shotAfter("F1");
    const ScreenPixels closed = shotAfter("x");
    const ScreenPixels question = shotAfter("shift+slash");
    // Page 2: the first tab is no longer the selected one, the second is.
    EXPECT_FALSE(sameRegion(start, page2, *window, 0, 0, 64, 16));
    EXPECT_FALSE(sameRegion(start, page2, *window, 64, 0, 128, 16));
    // The help covers the body and leaves the tabs.
    EXPECT_FALSE(sameRegion(page2, help, *window, 212, 64, 632, 384));
    EXPECT_TRUE(sameRegion(page2, help, *window, 0, 0, 384, 16));
    EXPECT_FALSE(sameRegion(help, closed, *window, 212, 64, 632, 384));
    EXPECT_TRUE(sameRegion(help, question, *window, 212, 64, 632, 384));
    session.runNative({"xdotool", "key", "Escape", "ctrl+q"});
    EXPECT_EQ(player->wait(std::chrono::seconds(10)), 0);
    EXPECT_EQ(player->errors(), "");
}

// The song title's line of the picture.
bool sameTitle(const Picture& a, const Picture& b)
{
    for (int y = 390; y < 406; ++y) {
        for (int x = 316; x < 636; ++x) {
            if (!(a.at(x, y) == b.at(x, y))) {
                return false;
            }
        }
    }
    return true;
}

TEST(WindowsPlayer, JapaneseSongTextsAreDrawnAsGlyphsNotBoxes)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const auto app = session.installCopy(playerFiles());
    writeBytes(app / "one.mid", titledSong(kJapaneseTitle));
    writeBytes(app / "other.mid", titledSong(kOtherJapaneseTitle));
    // Five characters of the private use area (in UTF-8), which no font has: five boxes, the
    // look of a missing glyph.
    writeBytes(app / "boxes.mid", titledSong("\xEE\x80\x80\xEE\x80\x81\xEE\x80\x82\xEE\x80\x83\xEE\x80\x84"));
    const auto one = renderedPicture(session, app, app / "one.mid", 0);
    const auto other = renderedPicture(session, app, app / "other.mid", 0);
    const auto boxes = renderedPicture(session, app, app / "boxes.mid", 0);
    ASSERT_TRUE(one && other && boxes);
    EXPECT_FALSE(sameTitle(*one, *boxes));
    EXPECT_FALSE(sameTitle(*other, *boxes));
    EXPECT_FALSE(sameTitle(*one, *other));
}

// Turns the folder read-only for the program, whatever the test runs as: without write
// permission for a user, immutable for root (who may write anywhere else). Where neither can
// be had, a directory in the way of the temporary file makes every write there fail as well.
class UnwritableFolder {
public:
    explicit UnwritableFolder(std::filesystem::path folder) : folder_(std::move(folder))
    {
        if (geteuid() != 0) {
            std::filesystem::permissions(folder_, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                                      std::filesystem::perms::others_write,
                                         std::filesystem::perm_options::remove);
            how_ = How::Permissions;
        } else if (std::system(("chattr +i '" + folder_.string() + "' 2>/dev/null").c_str()) == 0) {
            how_ = How::Immutable;
        } else {
            std::filesystem::create_directory(folder_ / "setting.dat.new");
            how_ = How::Obstacle;
        }
    }
    ~UnwritableFolder()
    {
        if (how_ == How::Immutable) {
            std::system(("chattr -i '" + folder_.string() + "'").c_str());
        } else if (how_ == How::Permissions) {
            std::filesystem::permissions(folder_, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
        }
    }

private:
    enum class How { Permissions, Immutable, Obstacle };
    std::filesystem::path folder_;
    How how_ = How::Obstacle;
};

// Clicks OPTION, the mute level 12, then SAVE in the player's window.
void saveMuteLevel12(WineSession& session, const WineWindow& window)
{
    for (const auto& [x, y] : {std::pair{352, 8}, std::pair{570, 227}, std::pair{470, 343}}) {
        session.click(window.clientLeft + x, window.clientTop + y);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
}

TEST(WindowsPlayer, SettingsAreSavedBesideTheProgramElseInApplicationData)
{
    QUORVA_WINE_SESSION_OR_SKIP(session);
    const std::vector<uint8_t> before = nullPortSettings();
    std::vector<uint8_t> after = before;
    after[6] = 6;  // the mute level 12
    const std::string afterText(after.begin(), after.end());
    const auto savedInApplicationData = session.applicationData() / "quorva" / "setting.dat";

    {
        const auto app = session.installCopy(playerFiles(), "writable");
        writeBytes(app / "setting.dat", before);
        auto player = session.start({(app / "quorva.exe").string()}, "writable");
        const auto window = session.findWindow(kWindowClass, kWindowTitle);
        ASSERT_TRUE(window) << player->errors();
        saveMuteLevel12(session, *window);
        EXPECT_TRUE(eventuallyHolds([&] { return fileText(app / "setting.dat") == afterText; }));
        ASSERT_TRUE(session.postClose(kWindowClass, kWindowTitle));
        EXPECT_EQ(player->wait(std::chrono::seconds(10)), 0);
        EXPECT_FALSE(std::filesystem::exists(savedInApplicationData));
    }
    {
        const auto app = session.installCopy(playerFiles(), "read-only");
        writeBytes(app / "setting.dat", before);
        const UnwritableFolder readOnly(app);
        auto player = session.start({(app / "quorva.exe").string()}, "read-only");
        const auto window = session.findWindow(kWindowClass, kWindowTitle);
        ASSERT_TRUE(window) << player->errors();
        saveMuteLevel12(session, *window);
        EXPECT_TRUE(eventuallyHolds([&] { return fileText(savedInApplicationData) == afterText; }));
        EXPECT_EQ(fileText(app / "setting.dat"), std::string(before.begin(), before.end()));
        ASSERT_TRUE(session.postClose(kWindowClass, kWindowTitle));
        EXPECT_EQ(player->wait(std::chrono::seconds(10)), 0);
    }
}

}  // namespace
}  // namespace quorva::testing
