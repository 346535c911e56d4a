#include "platform/win32/win32_window.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace quorva {
namespace {

// Caption, system menu, minimise box, and the frame and maximise box of a window the user may
// resize (the picture is then scaled to fit).
constexpr DWORD windowedStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_MAXIMIZEBOX;
constexpr DWORD windowedExStyle = WS_EX_ACCEPTFILES;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* owner = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (owner == nullptr && message == WM_NCCREATE) {
        owner = static_cast<Win32Window*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    if (owner == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return owner->handleMessage(window, message, wParam, lParam);
}

// The window's outer size for a client area of the given size.
SIZE outerSize(WindowSize client, DWORD style, DWORD exStyle)
{
    RECT rect{0, 0, client.width, client.height};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

RECT monitorArea(HWND window, bool workArea)
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info) == 0) {
        RECT desktop{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
        return desktop;
    }
    return workArea ? info.rcWork : info.rcMonitor;
}

// An icon from square RGBA pixels, its transparency taken from the alpha channel.
HICON iconFromPixels(const WindowIcon& icon)
{
    if (icon.rgba == nullptr || icon.size <= 0) {
        return nullptr;
    }
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof(header);
    header.bV5Width = icon.size;
    header.bV5Height = -icon.size;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (colour == nullptr) {
        return nullptr;
    }
    auto* pixels = static_cast<uint32_t*>(bits);
    const size_t count = static_cast<size_t>(icon.size) * icon.size;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* rgba = icon.rgba + i * 4;
        pixels[i] = static_cast<uint32_t>(rgba[3]) << 24 | static_cast<uint32_t>(rgba[0]) << 16 |
                    static_cast<uint32_t>(rgba[1]) << 8 | rgba[2];
    }
    HBITMAP mask = CreateBitmap(icon.size, icon.size, 1, 1, nullptr);
    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON made = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colour);
    return made;
}

Key keyOf(WPARAM virtualKey)
{
    switch (virtualKey) {
    case VK_SPACE: return Key::Space;
    case VK_ESCAPE: return Key::Escape;
    case VK_RETURN: return Key::Enter;
    case VK_PRIOR: return Key::PageUp;
    case VK_NEXT: return Key::PageDown;
    case VK_UP: return Key::Up;
    case VK_DOWN: return Key::Down;
    case VK_LEFT: return Key::Left;
    case VK_RIGHT: return Key::Right;
    case VK_HOME: return Key::Home;
    case VK_F1: return Key::F1;
    case VK_F11: return Key::F11;
    default: return Key::Other;
    }
}

bool held(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

}  // namespace

Win32Window::~Win32Window()
{
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    if (icon_ != nullptr) {
        DestroyIcon(icon_);
    }
    setSystemCursorVisible(true);
}

bool Win32Window::createWindow(const WindowSpecs& specs)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    icon_ = iconFromPixels(specs.icon);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon_ != nullptr ? icon_ : LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = specs.className.c_str();
    if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    pictureWidth_ = specs.clientWidth;
    pictureHeight_ = specs.clientHeight;
    style_ = windowedStyle;
    const SIZE outer = outerSize({pictureWidth_, pictureHeight_}, style_, windowedExStyle);
    const HWND window = CreateWindowExA(windowedExStyle, specs.className.c_str(), specs.title.c_str(), style_, CW_USEDEFAULT,
                                        CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr, instance, this);
    if (window == nullptr) {
        window_ = nullptr;
        return false;
    }
    window_ = window;
    DragAcceptFiles(window_, TRUE);
    placeCentred({pictureWidth_, pictureHeight_}, false);
    return true;
}

std::optional<WindowSize> Win32Window::usableArea()
{
    if (window_ == nullptr) {
        return std::nullopt;
    }
    const RECT work = monitorArea(window_, true);
    const SIZE frame = outerSize({0, 0}, style_, windowedExStyle);
    return WindowSize{work.right - work.left - frame.cx, work.bottom - work.top - frame.cy};
}

void Win32Window::setWindowSize(WindowSize size)
{
    if (window_ != nullptr && !fullScreen_) {
        placeCentred(size, false);
    }
}

void Win32Window::placeCentred(WindowSize client, bool topmost)
{
    const SIZE outer = outerSize(client, style_, windowedExStyle);
    const RECT work = monitorArea(window_, true);
    const int x = work.left + std::max<int>(0, (work.right - work.left - outer.cx) / 2);
    const int y = work.top + std::max<int>(0, (work.bottom - work.top - outer.cy) / 2);
    SetWindowPos(window_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, x, y, outer.cx, outer.cy, SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

WindowSize Win32Window::windowedSize()
{
    if (window_ == nullptr) {
        return {};
    }
    if (fullScreen_) {
        return windowedSize_;
    }
    RECT client{};
    GetClientRect(window_, &client);
    return {client.right - client.left, client.bottom - client.top};
}

bool Win32Window::createDisplay()
{
    if (window_ == nullptr || !picture_.create(pictureWidth_, pictureHeight_)) {
        return false;
    }
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    return true;
}

std::optional<WindowEvent> Win32Window::pollEvent()
{
    MSG message{};
    while (events_.empty() && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            events_.emplace_back(WindowEventKind::Quit);
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (events_.empty()) {
        return std::nullopt;
    }
    WindowEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}

intptr_t Win32Window::handleMessage(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message == WM_NCCREATE) {
        window_ = window;
    }
    intptr_t hookResult = 0;
    if (hook_ && hook_(message, wParam, lParam, hookResult)) {
        return hookResult;
    }
    switch (message) {
    case WM_ACTIVATE: {
        const bool active = LOWORD(wParam) != WA_INACTIVE;
        const bool minimised = HIWORD(wParam) != 0 && !active;
        events_.emplace_back(active ? WindowEventKind::Activated
                                    : (minimised ? WindowEventKind::Minimised : WindowEventKind::Deactivated));
        return 0;
    }
    case WM_LBUTTONDOWN: events_.emplace_back(WindowEventKind::LeftDown, 1); return 0;
    case WM_LBUTTONDBLCLK: events_.emplace_back(WindowEventKind::LeftDown, 2); return 0;
    case WM_LBUTTONUP: events_.emplace_back(WindowEventKind::LeftUp); return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: events_.emplace_back(WindowEventKind::RightDown); return 0;
    case WM_RBUTTONUP: events_.emplace_back(WindowEventKind::RightUp); return 0;
    case WM_MOUSEWHEEL: takeWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_DROPFILES: takeDrop(wParam); return 0;
    case WM_KEYDOWN: takeKey(wParam, lParam); return 0;
    case WM_SYSKEYDOWN:
        takeKey(wParam, lParam);
        // Alt+F4 still closes the window; Alt+Enter and the rest are the program's.
        return wParam == VK_F4 ? DefWindowProcA(window, message, wParam, lParam) : 0;
    case WM_SYSCHAR: return 0;  // no menu to pick from, so no beep either
    case WM_SYSCOMMAND:
        // Alt alone or F10 would enter the (absent) menu and hold up the frames.
        return (wParam & 0xFFF0) == SC_KEYMENU ? 0 : DefWindowProcA(window, message, wParam, lParam);
    case WM_GETMINMAXINFO: {
        // Below half its size the picture could no longer be read.
        const SIZE smallest = outerSize({pictureWidth_ / 2, pictureHeight_ / 2}, style_, windowedExStyle);
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        if (!fullScreen_) {
            limits->ptMinTrackSize = {smallest.cx, smallest.cy};
        }
        return 0;
    }
    case WM_ERASEBKGND: return 1;  // the picture and its borders cover the whole client area
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC context = BeginPaint(window, &paint);
        if (pictureShown_) {
            RECT client{};
            GetClientRect(window, &client);
            picture_.drawTo(context, client.right, client.bottom);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_NCDESTROY: window_ = nullptr; return DefWindowProcA(window, message, wParam, lParam);
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

void Win32Window::takeKey(uintptr_t virtualKey, intptr_t lParam)
{
    WindowEvent event{WindowEventKind::KeyDown};
    event.key = keyOf(virtualKey);
    event.shift = held(VK_SHIFT);
    event.ctrl = held(VK_CONTROL);
    event.alt = (HIWORD(lParam) & KF_ALTDOWN) != 0;
    if (event.key == Key::Other) {
        // The unshifted character of the key on the user's layout; letters come upper case.
        const UINT character = MapVirtualKeyA(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR) & 0x7FFF;
        if (character >= 0x20 && character < 0x7F) {
            event.key = Key::Character;
            const char plain = static_cast<char>(character >= 'A' && character <= 'Z' ? character - 'A' + 'a' : character);
            // The one shifted key asked for is '?'.
            event.character = event.shift && plain == '/' ? '?' : plain;
        }
    }
    events_.push_back(event);
}

void Win32Window::takeWheel(int32_t delta)
{
    wheelRemainder_ += delta;
    const int32_t notches = wheelRemainder_ / WHEEL_DELTA;
    if (notches != 0) {
        wheelRemainder_ -= notches * WHEEL_DELTA;
        WindowEvent wheel{WindowEventKind::Wheel};
        wheel.wheel = static_cast<int8_t>(std::clamp<int32_t>(notches, -100, 100));
        events_.push_back(wheel);
    }
}

void Win32Window::takeDrop(uintptr_t dropHandle)
{
    auto* drop = reinterpret_cast<HDROP>(dropHandle);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    events_.emplace_back(WindowEventKind::DropBegin);
    for (UINT index = 0; index < count; ++index) {
        const UINT length = DragQueryFileA(drop, index, nullptr, 0);
        std::vector<char> path(length + 1);
        DragQueryFileA(drop, index, path.data(), length + 1);
        events_.emplace_back(WindowEventKind::DropFile, 1, std::string(path.data(), length));
    }
    events_.emplace_back(WindowEventKind::DropComplete);
    DragFinish(drop);
}

PointerPosition Win32Window::pointer()
{
    PointerPosition position;
    POINT point{};
    RECT client{};
    if (window_ == nullptr || !GetCursorPos(&point) || !ScreenToClient(window_, &point) || !GetClientRect(window_, &client)) {
        return position;
    }
    const PictureFit fit = fitPicture(client.right, client.bottom, pictureWidth_, pictureHeight_);
    position.x = fit.toPictureX(point.x);
    position.y = fit.toPictureY(point.y);
    position.insideClient = position.x >= 0 && position.x < pictureWidth_ && position.y >= 0 && position.y < pictureHeight_;
    return position;
}

void Win32Window::captureMouse(bool capture)
{
    if (capture && window_ != nullptr) {
        SetCapture(window_);
    } else if (!capture) {
        ReleaseCapture();
    }
}

void Win32Window::setSystemCursorVisible(bool visible)
{
    // The display count: visible from 0 up.
    if (visible) {
        while (ShowCursor(TRUE) < 0) {
        }
    } else {
        while (ShowCursor(FALSE) >= 0) {
        }
    }
}

bool Win32Window::altEnterHeld() { return (GetAsyncKeyState(VK_MENU) & 0x8000) != 0 && (GetAsyncKeyState(VK_RETURN) & 0x8000) != 0; }

bool Win32Window::setFullScreen(bool fullScreen)
{
    if (window_ == nullptr) {
        return false;
    }
    if (fullScreen == fullScreen_) {
        return true;
    }
    if (fullScreen) {
        windowedSize_ = windowedSize();
        fullScreen_ = true;
        SetWindowLongPtrA(window_, GWL_STYLE, static_cast<LONG_PTR>(WS_POPUP | WS_VISIBLE));
        const RECT monitor = monitorArea(window_, false);
        return SetWindowPos(window_, HWND_TOP, monitor.left, monitor.top, monitor.right - monitor.left,
                            monitor.bottom - monitor.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW) != 0;
    }
    fullScreen_ = false;
    SetWindowLongPtrA(window_, GWL_STYLE, static_cast<LONG_PTR>(style_ | WS_VISIBLE));
    placeCentred(windowedSize_, false);
    ShowWindow(window_, SW_SHOW);
    return true;
}

void Win32Window::raise()
{
    if (window_ == nullptr) {
        return;
    }
    if (IsIconic(window_)) {
        ShowWindow(window_, SW_RESTORE);
    }
    SetForegroundWindow(window_);
}

void Win32Window::present(const uint16_t* pixels, int32_t width, int32_t height, int32_t pitch)
{
    if (window_ == nullptr || pixels == nullptr || width != pictureWidth_ || height != pictureHeight_ || !picture_.created()) {
        return;
    }
    picture_.copyFrom(pixels, pitch);
    pictureShown_ = true;
    RECT client{};
    GetClientRect(window_, &client);
    HDC context = GetDC(window_);
    picture_.drawTo(context, client.right, client.bottom);
    ReleaseDC(window_, context);
}

}  // namespace quorva
