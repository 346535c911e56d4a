#include "app/main_window.h"
#include "app/mouse_state.h"
#include "app/window_mode_switch.h"
#include "platform/fake/scripted_window.h"

#include <gtest/gtest.h>

#include <string>

namespace quorva {
namespace {

// One frame as the frame loop runs it: messages, mouse update, then the flags are cleared.
void frame(MainWindow& window, MouseState& mouse)
{
    window.processMessages();
    mouse.update(window.input());
    window.clearFrameInput();
}

TEST(MainWindow, CreatesTheProgramsWindowActive)
{
    ScriptedWindow platform;
    MainWindow window(platform);
    ASSERT_TRUE(window.createWindow());
    EXPECT_EQ(platform.specs.title, "quorva 0.70 [velnoxa ver.]");
    EXPECT_EQ(platform.specs.className, "velnoxa");
    EXPECT_EQ(platform.specs.clientWidth, 640);
    EXPECT_EQ(platform.specs.clientHeight, 480);
    EXPECT_TRUE(window.active());

    platform.push({WindowEventKind::Deactivated});
    window.processMessages();
    EXPECT_FALSE(window.active());
    platform.push({WindowEventKind::Activated});
    window.processMessages();
    EXPECT_TRUE(window.active());
    platform.push({WindowEventKind::Minimised});
    window.processMessages();
    EXPECT_FALSE(window.active());
    EXPECT_TRUE(window.minimised());

    ScriptedWindow failing;
    failing.failCreateWindow = true;
    MainWindow other(failing);
    EXPECT_FALSE(other.createWindow());
}

TEST(MainWindow, OpensAtTheKeptSizeWhereItFitsElseAtTwiceThePictureWhereTheDisplayHasRoom)
{
    struct Case {
        std::optional<WindowSize> room;
        std::optional<WindowSize> remembered;
        WindowSize opened;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, {640, 480}},             // room unknown: the picture's size
        {WindowSize{1920, 1200}, std::nullopt, {1280, 960}},  // room for twice
        {WindowSize{1280, 960}, std::nullopt, {1280, 960}},   // just room for twice
        {WindowSize{1279, 1200}, std::nullopt, {640, 480}},   // one column short
        {WindowSize{1920, 959}, std::nullopt, {640, 480}},    // one row short
        {WindowSize{600, 400}, std::nullopt, {640, 480}},     // no room even for once
        {WindowSize{1920, 1200}, WindowSize{1000, 700}, {1000, 700}},
        {WindowSize{1920, 1200}, WindowSize{1920, 1200}, {1920, 1200}},
        {std::nullopt, WindowSize{1000, 700}, {1000, 700}},
        // Kept on a larger display than this one: as if nothing was kept.
        {WindowSize{1920, 1200}, WindowSize{2400, 1000}, {1280, 960}},
        {WindowSize{1024, 768}, WindowSize{1000, 800}, {640, 480}},
    };
    for (const Case& c : cases) {
        ScriptedWindow platform;
        platform.displayArea = c.room;
        MainWindow window(platform);
        const uint8_t pixels[16 * 16 * 4] = {};
        window.setIcon({16, pixels});
        ASSERT_TRUE(window.createWindow(c.remembered));
        EXPECT_EQ(platform.windowSize, c.opened);
        // The window is created at the picture's size and only resized to another one.
        EXPECT_EQ(platform.specs.clientWidth, 640);
        EXPECT_EQ(platform.specs.clientHeight, 480);
        EXPECT_EQ(platform.sizeCalls.size(), (c.opened == WindowSize{640, 480} ? 0u : 1u));
        EXPECT_EQ(platform.specs.icon.rgba, pixels);
        EXPECT_EQ(platform.specs.icon.size, 16);
    }
}

TEST(MainWindow, ButtonsSetFrameFlagsAndCaptureTheMouse)
{
    ScriptedWindow platform;
    MainWindow window(platform);
    window.createWindow();
    platform.push({WindowEventKind::LeftDown, 1});
    platform.push({WindowEventKind::RightDown});
    platform.push({WindowEventKind::RightUp});
    EXPECT_TRUE(window.processMessages());
    EXPECT_TRUE(window.input().leftDown);
    EXPECT_FALSE(window.input().leftUp);
    EXPECT_FALSE(window.input().leftDoubleClick);
    EXPECT_TRUE(window.input().rightDown);
    EXPECT_TRUE(window.input().rightUp);
    EXPECT_EQ(platform.captures, (std::vector<bool>{true, true, false}));

    window.clearFrameInput();
    platform.push({WindowEventKind::LeftUp});
    platform.push({WindowEventKind::LeftDown, 2});
    window.processMessages();
    EXPECT_TRUE(window.input().leftDoubleClick);
    EXPECT_TRUE(window.input().leftDown);
    // A third click of a run is a plain press again.
    window.clearFrameInput();
    platform.push({WindowEventKind::LeftDown, 3});
    window.processMessages();
    EXPECT_FALSE(window.input().leftDoubleClick);
    EXPECT_TRUE(window.input().leftDown);

    platform.push({WindowEventKind::Quit});
    platform.push({WindowEventKind::LeftUp});
    EXPECT_FALSE(window.processMessages());
    EXPECT_TRUE(window.quitRequested());
}

TEST(MainWindow, DropTakesTheFirstFileAndPathsTooLongAreRefused)
{
    ScriptedWindow platform;
    MainWindow window(platform);
    window.createWindow();
    platform.push({WindowEventKind::DropBegin});
    platform.push({WindowEventKind::DropFile, 1, "/songs/one.mid"});
    platform.push({WindowEventKind::DropFile, 1, "/songs/two.mid"});
    platform.push({WindowEventKind::DropFile, 1, "/songs/three.mid"});
    platform.push({WindowEventKind::DropComplete});
    window.processMessages();
    EXPECT_TRUE(window.filePending());
    EXPECT_EQ(window.pendingPath(), "/songs/one.mid");
    EXPECT_EQ(platform.raised, 1);
    window.clearFrameInput();
    EXPECT_FALSE(window.filePending());

    // The next drop is taken again.
    platform.push({WindowEventKind::DropBegin});
    platform.push({WindowEventKind::DropFile, 1, "/songs/four.mid"});
    platform.push({WindowEventKind::DropComplete});
    window.processMessages();
    EXPECT_EQ(window.pendingPath(), "/songs/four.mid");

    // Anything up to the longest path the system takes is kept whole; a longer one is
    // refused rather than cut to the name of some other file.
    EXPECT_TRUE(window.receiveHandOff(std::string(4095, 'a')));
    EXPECT_TRUE(window.filePending());
    EXPECT_EQ(window.pendingPath(), std::string(4095, 'a'));
    window.clearFrameInput();
    EXPECT_FALSE(window.receiveHandOff(std::string(4096, 'b')));
    EXPECT_FALSE(window.filePending());
    platform.push({WindowEventKind::DropBegin});
    platform.push({WindowEventKind::DropFile, 1, "/" + std::string(4095, 'c')});
    platform.push({WindowEventKind::DropFile, 1, "/songs/five.mid"});
    platform.push({WindowEventKind::DropComplete});
    window.processMessages();
    EXPECT_FALSE(window.filePending());
    EXPECT_TRUE(window.receiveHandOff(std::string("\"/a b.mid\"\0junk", 15)));
    EXPECT_EQ(window.pendingPath(), "\"/a b.mid\"");
}

TEST(MouseState, ButtonStatesFollowTheFrames)
{
    using button::Held, button::Pressed, button::Released, button::Up;
    // A click inside one frame is a release for that frame.
    EXPECT_EQ(MouseState::nextButtonState(Up, true, true), Released);
    EXPECT_EQ(MouseState::nextButtonState(Released, false, false), Up);
    EXPECT_EQ(MouseState::nextButtonState(Up, true, false), Pressed);
    EXPECT_EQ(MouseState::nextButtonState(Pressed, false, false), Held);
    EXPECT_EQ(MouseState::nextButtonState(Held, false, false), Held);
    EXPECT_EQ(MouseState::nextButtonState(Held, false, true), Released);
    EXPECT_EQ(MouseState::nextButtonState(Pressed, false, true), Released);

    ScriptedWindow platform;
    MainWindow window(platform);
    window.createWindow();
    MouseState mouse(platform);
    platform.pointerPosition = {100, 200, true};

    platform.push({WindowEventKind::LeftDown, 1});
    platform.push({WindowEventKind::LeftUp});
    frame(window, mouse);
    EXPECT_EQ(mouse.left(), Released);
    EXPECT_EQ(mouse.x(), 100);
    EXPECT_EQ(mouse.y(), 200);
    frame(window, mouse);
    EXPECT_EQ(mouse.left(), Up);

    platform.push({WindowEventKind::RightDown});
    frame(window, mouse);
    EXPECT_EQ(mouse.right(), Pressed);
    frame(window, mouse);
    EXPECT_EQ(mouse.right(), Held);
    frame(window, mouse);
    EXPECT_EQ(mouse.right(), Held);
    platform.push({WindowEventKind::RightUp});
    frame(window, mouse);
    EXPECT_EQ(mouse.right(), Released);
    frame(window, mouse);
    EXPECT_EQ(mouse.right(), Up);

    platform.push({WindowEventKind::LeftDown, 2});
    frame(window, mouse);
    EXPECT_TRUE(mouse.doubleClick());
    EXPECT_EQ(mouse.left(), Pressed);
    frame(window, mouse);
    EXPECT_FALSE(mouse.doubleClick());
}

TEST(MouseState, SystemCursorHiddenOnlyOverTheWindowUnlessAskedFor)
{
    ScriptedWindow platform;
    MainWindow window(platform);
    window.createWindow();
    MouseState mouse(platform);
    mouse.setSystemCursor(false);
    EXPECT_FALSE(platform.cursorVisible);

    platform.pointerPosition = {-5, 10, false};
    platform.cursorCalls.clear();
    frame(window, mouse);
    EXPECT_TRUE(platform.cursorCalls.empty());
    platform.pointerPosition = {5, 10, true};
    frame(window, mouse);
    frame(window, mouse);
    EXPECT_EQ(platform.cursorCalls, (std::vector<bool>{false}));
    EXPECT_TRUE(mouse.hiddenHere());
    platform.pointerPosition = {700, 10, false};
    frame(window, mouse);
    EXPECT_EQ(platform.cursorCalls, (std::vector<bool>{false, true}));
    EXPECT_TRUE(platform.cursorVisible);

    mouse.setSystemCursor(true);
    platform.cursorCalls.clear();
    platform.pointerPosition = {5, 10, true};
    frame(window, mouse);
    EXPECT_TRUE(platform.cursorCalls.empty());
    EXPECT_TRUE(platform.cursorVisible);
}

TEST(MouseState, SoftwareCursorIsBlendedAtThePointer)
{
    Surface skin;
    ASSERT_TRUE(skin.create(32, 160));
    skin.fillRect(skin.bounds(), 0);
    skin.fillRect({0, 104, 16, 128}, white);
    Surface screen;
    ASSERT_TRUE(screen.create(64, 64));
    screen.fillRect(screen.bounds(), 0);

    ScriptedWindow platform;
    MouseState mouse(platform);
    mouse.drawCursor(screen);  // no sprite yet: nothing drawn
    EXPECT_EQ(screen.at(0, 0), 0);

    mouse.setCursorSprite(skin);
    platform.pointerPosition = {10, 20, true};
    mouse.update(FrameInput{});
    mouse.drawCursor(screen);
    const Pixel blended = blendPixel(white, 0, 21);
    EXPECT_EQ(screen.at(10, 20), blended);
    EXPECT_EQ(screen.at(25, 43), blended);
    EXPECT_EQ(screen.at(26, 20), 0);
    EXPECT_EQ(screen.at(10, 44), 0);
    EXPECT_EQ(screen.at(9, 20), 0);
}

TEST(WindowModeSwitch, AltEnterTogglesOncePerPress)
{
    ScriptedWindow platform;
    WindowModeSwitch modeSwitch(platform);
    modeSwitch.check();
    EXPECT_TRUE(platform.fullScreenCalls.empty());

    platform.altEnter = true;
    modeSwitch.check();
    modeSwitch.check();
    modeSwitch.check();
    EXPECT_EQ(platform.fullScreenCalls, (std::vector<bool>{true}));
    EXPECT_TRUE(modeSwitch.fullScreen());

    platform.altEnter = false;
    modeSwitch.check();
    platform.altEnter = true;
    platform.failFullScreen = true;
    modeSwitch.check();
    EXPECT_EQ(platform.fullScreenCalls, (std::vector<bool>{true, false}));
    // A failed switch still flips the mode.
    EXPECT_FALSE(modeSwitch.fullScreen());
}

}  // namespace
}  // namespace quorva
