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
    KeyDown,       // a key went down (or repeats while held): `key`, `character`, `ctrl`, `alt`
    Wheel,         // the mouse wheel turned `wheel` notches, positive away from the user
};

// The keys the player answers to; every other key is `Character` (with its character) or
// `Other`.
enum class Key : uint8_t {
    Other,
    Character,  // a printable key: `character` holds it ('a'..'z' lower case, '0'..'9', '?', ...)
    Space,
    Escape,
    Enter,
    PageUp,
    PageDown,
    Up,
    Down,
    Left,
    Right,
    Home,
    F1,
    F11,
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
    Key key = Key::Other;
    char character = 0;
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
    int8_t wheel = 0;
};

// The pointer in the coordinates of the 640x480 picture (also when the picture is scaled
// in a larger or smaller window, or in full screen), and whether it lies over the picture.
// Off the picture (over its black borders, or outside the window) the coordinates go on
// past its edges, so that no widget is hit there and a drag goes on as it went.
struct PointerPosition {
    int32_t x = 0;
    int32_t y = 0;
    bool insideClient = false;
};

struct WindowSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const WindowSize&) const = default;
};

// A square icon of 8-bit RGBA pixels, rows top to bottom; no pixels: no icon.
struct WindowIcon {
    int32_t size = 0;
    const uint8_t* rgba = nullptr;
};

struct WindowSpecs {
    std::string className;
    std::string title;
    // The picture's size, which the window has at first.
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    WindowIcon icon;
};

// The program's one top-level window and the display it is shown on.
class PlatformWindow {
public:
    virtual ~PlatformWindow() = default;

    // Creates the window with the client size, centred on the desktop, not yet shown. The
    // user may resize it; the picture is then scaled to fit (see platform/picture_fit.h).
    virtual bool createWindow(const WindowSpecs& specs) = 0;
    // The room a window's client area has on the window's display: the display's usable
    // bounds (without panels and docks) less the window's frame where the window system
    // tells it. Nothing when unknown.
    virtual std::optional<WindowSize> usableArea() = 0;
    // Gives the (not full-screen) window this client size, centred on its display.
    virtual void setWindowSize(WindowSize size) = 0;
    // The client size of the window out of full screen: now, or before full screen.
    virtual WindowSize windowedSize() = 0;
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
    // whole desktop with the picture scaled and letter-boxed as in a window. Back out of
    // full screen, the window has its windowed size again. False when the switch failed.
    virtual bool setFullScreen(bool fullScreen) = 0;
    // Brings the window to the front.
    virtual void raise() = 0;
    // Shows a width x height RGB555 picture whose rows are `pitch` pixels apart.
    virtual void present(const uint16_t* pixels, int32_t width, int32_t height, int32_t pitch) = 0;
};

}  // namespace quorva
