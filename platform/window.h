#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace quorva {

// What the window system reports between frames, already reduced to what the program
// acts on.
enum class WindowEventKind : uint8_t {
    Quit,          // the window was closed (or the program was asked to end)
    Activated,     // the window became the active one
    Deactivated,   // another window became active
    Minimised,     // the window was minimised (it is then not active either)
    LeftDown,      // `clicks` counts the clicks of a multiple click, 1 for a single one
    LeftUp,
    RightDown,
    RightUp,
    DropBegin,     // a drop of one or more files starts
    DropFile,      // one dropped file, `path`
    DropComplete,  // the drop has ended
};

struct WindowEvent {
    WindowEvent() = default;
    WindowEvent(WindowEventKind eventKind, uint8_t clickCount = 1, std::string filePath = {})
        : kind(eventKind), clicks(clickCount), path(std::move(filePath))
    {
    }

    WindowEventKind kind = WindowEventKind::Quit;
    uint8_t clicks = 1;
    std::string path;
};

// The pointer in the coordinates of the 640x480 picture (also when the picture is scaled
// in full screen), and whether it lies over the picture.
struct PointerPosition {
    int32_t x = 0;
    int32_t y = 0;
    bool insideClient = false;
};

struct WindowSpecs {
    std::string className;
    std::string title;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
};

// The program's one top-level window and the display it is shown on.
class PlatformWindow {
public:
    virtual ~PlatformWindow() = default;

    // Creates the window with the client size, centred on the desktop, not yet shown.
    virtual bool createWindow(const WindowSpecs& specs) = 0;
    // Creates what `present` draws with; shows the window.
    virtual bool createDisplay() = 0;
    // The next waiting event, without waiting for one.
    virtual std::optional<WindowEvent> pollEvent() = 0;
    virtual PointerPosition pointer() = 0;
    // Keeps mouse events coming to the window while a button is down outside it.
    virtual void captureMouse(bool capture) = 0;
    virtual void setSystemCursorVisible(bool visible) = 0;
    // Both Alt and Enter are down now.
    virtual bool altEnterHeld() = 0;
    // Full screen at the picture's size where the display offers that mode, else the
    // whole desktop with the picture scaled and letter-boxed. False when the switch failed.
    virtual bool setFullScreen(bool fullScreen) = 0;
    // Brings the window to the front.
    virtual void raise() = 0;
    // Shows a width x height RGB555 picture whose rows are `pitch` pixels apart.
    virtual void present(const uint16_t* pixels, int32_t width, int32_t height, int32_t pitch) = 0;
};

}  // namespace quorva
