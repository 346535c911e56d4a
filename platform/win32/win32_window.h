#pragma once
// The program's window on the Windows user interface: a registered class with double clicks,
// the picture drawn from a DIB section, files dropped from the shell, Alt+Enter full screen as
// a borderless window over the whole monitor.
#include "platform/win32/win32_picture.h"
#include "platform/window.h"

#include <cstdint>
#include <deque>
#include <functional>

struct HWND__;
struct HICON__;

namespace quorva {

class Win32Window final : public PlatformWindow {
public:
    // A message the window hands to another part of the program first (the second copy's
    // hand-off arrives as one); true when that part took it, with the result to return.
    using MessageHook = std::function<bool(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t& result)>;

    Win32Window() = default;
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    bool createWindow(const WindowSpecs& specs) override;
    std::optional<WindowSize> usableArea() override;
    void setWindowSize(WindowSize size) override;
    WindowSize windowedSize() override;
    bool createDisplay() override;
    std::optional<WindowEvent> pollEvent() override;
    PointerPosition pointer() override;
    void captureMouse(bool capture) override;
    void setSystemCursorVisible(bool visible) override;
    bool altEnterHeld() override;
    bool setFullScreen(bool fullScreen) override;
    void raise() override;
    void present(const uint16_t* pixels, int32_t width, int32_t height, int32_t pitch) override;

    // The window's handle (null before creation and after destruction).
    HWND__* handle() const { return window_; }
    void setMessageHook(MessageHook hook) { hook_ = std::move(hook); }

    // The window procedure's work for this window, from its first message (WM_NCCREATE) on.
    intptr_t handleMessage(HWND__* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

private:
    void placeCentred(WindowSize client, bool topmost);
    void takeDrop(uintptr_t drop);
    void takeKey(uintptr_t virtualKey, intptr_t lParam);
    void takeWheel(int32_t delta);

    HWND__* window_ = nullptr;
    HICON__* icon_ = nullptr;
    uint32_t style_ = 0;
    int32_t pictureWidth_ = 0;
    int32_t pictureHeight_ = 0;
    DibPicture picture_;
    bool pictureShown_ = false;
    bool fullScreen_ = false;
    WindowSize windowedSize_;
    int32_t wheelRemainder_ = 0;
    std::deque<WindowEvent> events_;
    MessageHook hook_;
};

}  // namespace quorva
