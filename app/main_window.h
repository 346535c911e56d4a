#pragma once
#include "base/file_reader.h"
#include "platform/window.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// A key that went down, with the modifiers held.
struct KeyPress {
    Key key = Key::Other;
    char character = 0;
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
};

// The mouse events that happened since the last frame.
struct FrameInput {
    bool rightUp = false;
    bool rightDown = false;
    bool leftUp = false;
    bool leftDown = false;
    bool leftDoubleClick = false;
};

// The program's window: turns window events into the frame's input flags, tracks whether
// it is active, and keeps a path that arrived from outside (a drop or a hand-off) until the
// main screen takes it on the next frame.
class MainWindow {
public:
    // The path buffer: the longest path the system takes and its terminating zero.
    static constexpr size_t pendingPathSize = maxPathBytes + 1;
    static constexpr const char* className = "velnoxa";
    static constexpr const char* title = "quorva 0.70 [velnoxa ver.]";
    static constexpr int32_t clientWidth = 640;
    static constexpr int32_t clientHeight = 480;

    explicit MainWindow(PlatformWindow& platform) : platform_(platform) {}

    // The icon the window is created with.
    void setIcon(WindowIcon icon) { icon_ = icon; }
    // Creates the window for the 640x480 picture, at the remembered size where the display
    // has room for it, else at twice the picture's size where it has, else at the picture's
    // own. A new window starts active, as a shown window would be.
    bool createWindow(std::optional<WindowSize> remembered = std::nullopt);
    // Handles every waiting event. False once the window has been closed.
    bool processMessages();
    void dispatch(const WindowEvent& event);
    // A second copy's command line, handed over whole; false (and nothing pending) when it
    // is longer than any path.
    bool receiveHandOff(std::string_view commandLine);
    // Forgets the frame's input flags and the pending file.
    void clearFrameInput();
    // Ends the message loop as closing the window does.
    void requestQuit() { quit_ = true; }

    const FrameInput& input() const { return input_; }
    // The keys pressed since the last frame, in order.
    const std::vector<KeyPress>& keys() const { return keys_; }
    // The wheel's turn since the last frame, positive away from the user.
    int32_t wheelNotches() const { return wheelNotches_; }
    bool active() const { return active_; }
    bool minimised() const { return minimised_; }
    bool filePending() const { return filePending_; }
    // The first path that arrived (the one file the screen itself plays).
    const std::string& pendingPath() const { return pendingPaths_.front(); }
    // Every path of the arrival: all files of a drop, and songs added to a hand-off.
    const std::vector<std::string>& pendingPaths() const { return pendingPaths_; }
    // One more path to the paths pending; false (nothing added) when none is pending or the
    // path is longer than any path.
    bool addPendingPath(std::string_view path);
    bool quitRequested() const { return quit_; }
    PlatformWindow& platform() { return platform_; }

private:
    bool setPendingPath(std::string_view path);

    PlatformWindow& platform_;
    WindowIcon icon_;
    FrameInput input_;
    // More keys than this in one frame are dropped: a frame never lags that far.
    static constexpr size_t maxKeys = 32;
    std::vector<KeyPress> keys_;
    int32_t wheelNotches_ = 0;
    bool active_ = false;
    bool minimised_ = false;
    bool filePending_ = false;
    std::vector<std::string> pendingPaths_ = {std::string()};
    bool dropTaken_ = false;
    bool quit_ = false;
};

}  // namespace quorva
