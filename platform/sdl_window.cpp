#include "platform/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace quorva {

namespace {

Key keyOf(SDL_Keycode code)
{
    switch (code) {
    case SDLK_SPACE: return Key::Space;
    case SDLK_ESCAPE: return Key::Escape;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return Key::Enter;
    case SDLK_PAGEUP: return Key::PageUp;
    case SDLK_PAGEDOWN: return Key::PageDown;
    case SDLK_UP: return Key::Up;
    case SDLK_DOWN: return Key::Down;
    case SDLK_LEFT: return Key::Left;
    case SDLK_RIGHT: return Key::Right;
    case SDLK_HOME: return Key::Home;
    case SDLK_F1: return Key::F1;
    case SDLK_F11: return Key::F11;
    default: return code >= 0x20 && code < 0x7F ? Key::Character : Key::Other;
    }
}

WindowEvent keyEvent(const SDL_KeyboardEvent& pressed)
{
    WindowEvent event{WindowEventKind::KeyDown};
    event.key = keyOf(pressed.keysym.sym);
    const bool shift = (pressed.keysym.mod & KMOD_SHIFT) != 0;
    if (event.key == Key::Character) {
        const auto code = static_cast<char>(pressed.keysym.sym);
        // The key codes are those of the unshifted keys; the one shifted key asked for is '?'.
        event.character = shift && code == '/' ? '?' : code;
    }
    event.ctrl = (pressed.keysym.mod & KMOD_CTRL) != 0;
    event.alt = (pressed.keysym.mod & KMOD_ALT) != 0;
    event.shift = (pressed.keysym.mod & KMOD_SHIFT) != 0;
    return event;
}

std::optional<WindowEvent> translate(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        return WindowEvent{WindowEventKind::Quit};
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            return WindowEvent{WindowEventKind::Activated};
        case SDL_WINDOWEVENT_FOCUS_LOST:
            return WindowEvent{WindowEventKind::Deactivated};
        case SDL_WINDOWEVENT_MINIMIZED:
            return WindowEvent{WindowEventKind::Minimised};
        default:
            return std::nullopt;
        }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        if (event.button.button == SDL_BUTTON_LEFT) {
            return WindowEvent{down ? WindowEventKind::LeftDown : WindowEventKind::LeftUp, event.button.clicks};
        }
        if (event.button.button == SDL_BUTTON_RIGHT) {
            return WindowEvent{down ? WindowEventKind::RightDown : WindowEventKind::RightUp};
        }
        return std::nullopt;
    }
    case SDL_KEYDOWN:
        return keyEvent(event.key);
    case SDL_MOUSEWHEEL: {
        const int32_t notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        if (notches == 0) {
            return std::nullopt;
        }
        WindowEvent wheel{WindowEventKind::Wheel};
        wheel.wheel = static_cast<int8_t>(std::clamp<int32_t>(notches, -100, 100));
        return wheel;
    }
    case SDL_DROPBEGIN:
        return WindowEvent{WindowEventKind::DropBegin};
    case SDL_DROPCOMPLETE:
        return WindowEvent{WindowEventKind::DropComplete};
    default:
        return std::nullopt;
    }
}

// SDL falls back to a driver that draws nowhere when no display answers; a player that plays
// unseen helps nobody, so such a driver serves only when SDL_VIDEODRIVER names it.
bool driverShowsNothing(const char* driver)
{
    for (const char* invisible : {"offscreen", "dummy", "evdev"}) {
        if (SDL_strcasecmp(driver, invisible) == 0) {
            return true;
        }
    }
    return false;
}

bool driverAskedFor(const char* driver)
{
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (asked == nullptr) {
        return false;
    }
    // The hint may be a comma-separated list.
    const size_t length = SDL_strlen(driver);
    for (const char* entry = asked; *entry != '\0';) {
        const char* end = SDL_strchr(entry, ',');
        const size_t entryLength = end != nullptr ? static_cast<size_t>(end - entry) : SDL_strlen(entry);
        if (entryLength == length && SDL_strncasecmp(entry, driver, length) == 0) {
            return true;
        }
        entry += entryLength + (end != nullptr ? 1 : 0);
    }
    return false;
}

}  // namespace

SdlWindow::~SdlWindow()
{
    if (picture_ != nullptr) {
        SDL_FreeSurface(picture_);
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
    }
    if (videoStarted_) {
        SDL_ShowCursor(SDL_ENABLE);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool SdlWindow::createWindow(const WindowSpecs& specs)
{
    // The X11 window class carries the program's class name, as the platform's one
    // equivalent of a registered window class.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", specs.className.c_str(), 1);
    SDL_SetHint(SDL_HINT_APP_NAME, specs.className.c_str());
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The window surface goes to the display as it is, not through a hidden renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // SDL turns SIGINT and SIGTERM into its quit event from here on, so a program asked to
    // end by a signal shuts down in order, as if its window had been closed.
    if (!videoStarted_) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return false;
        }
        videoStarted_ = true;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || (driverShowsNothing(driver) && !driverAskedFor(driver))) {
        return false;
    }
    width_ = specs.clientWidth;
    height_ = specs.clientHeight;
    window_ = SDL_CreateWindow(specs.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width_, height_,
                               SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) {
        return false;
    }
    // Below half its size the picture could no longer be read.
    SDL_SetWindowMinimumSize(window_, width_ / 2, height_ / 2);
    setIcon(specs.icon);
    return true;
}

void SdlWindow::setIcon(const WindowIcon& icon)
{
    if (icon.rgba == nullptr || icon.size <= 0) {
        return;
    }
    // SDL copies the pixels into the window's icon property at once.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(icon.rgba), icon.size, icon.size,
                                                              32, icon.size * 4, SDL_PIXELFORMAT_RGBA32);
    if (surface != nullptr) {
        SDL_SetWindowIcon(window_, surface);
        SDL_FreeSurface(surface);
    }
}

std::optional<WindowSize> SdlWindow::usableArea()
{
    if (window_ == nullptr) {
        return std::nullopt;
    }
    const int display = SDL_GetWindowDisplayIndex(window_);
    SDL_Rect bounds{};
    if (display < 0 || SDL_GetDisplayUsableBounds(display, &bounds) != 0) {
        return std::nullopt;
    }
    // Before the window is first shown, most window systems cannot tell its frame yet.
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0) {
        top = left = bottom = right = 0;
    }
    return WindowSize{bounds.w - left - right, bounds.h - top - bottom};
}

void SdlWindow::setWindowSize(WindowSize size)
{
    if (window_ == nullptr || isFullScreen()) {
        return;
    }
    SDL_SetWindowSize(window_, size.width, size.height);
    placeCentred();
}

WindowSize SdlWindow::windowedSize()
{
    if (window_ == nullptr) {
        return {};
    }
    if (isFullScreen()) {
        return windowedSize_;
    }
    WindowSize size;
    SDL_GetWindowSize(window_, &size.width, &size.height);
    return size;
}

bool SdlWindow::isFullScreen() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0; }

bool SdlWindow::createDisplay()
{
    if (window_ == nullptr) {
        return false;
    }
    SDL_ShowWindow(window_);
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (target == nullptr || !preparePicture(*target)) {
        return false;
    }
    displayCreated_ = true;
    return true;
}

bool SdlWindow::preparePicture(SDL_Surface& target)
{
    // The picture takes the window's own 32-bit format, so that copying it needs no further
    // conversion; a window of another depth gets it converted by SDL.
    const uint32_t format = target.format->BytesPerPixel == 4 ? target.format->format : static_cast<uint32_t>(SDL_PIXELFORMAT_XRGB8888);
    if (picture_ != nullptr) {
        SDL_FreeSurface(picture_);
    }
    picture_ = SDL_CreateRGBSurfaceWithFormat(0, width_, height_, 32, format);
    if (picture_ == nullptr) {
        return false;
    }
    buildTable(*picture_);
    windowFormat_ = target.format->format;
    return true;
}

void SdlWindow::buildTable(SDL_Surface& target)
{
    tableFormat_ = target.format->format;
    table_.resize(1u << 15);
    for (uint32_t pixel = 0; pixel < table_.size(); ++pixel) {
        // Each 5-bit channel widened to 8 bits by repeating its top bits: 31 becomes 255.
        const uint32_t red = (pixel >> 10) & 31;
        const uint32_t green = (pixel >> 5) & 31;
        const uint32_t blue = pixel & 31;
        table_[pixel] = SDL_MapRGB(target.format, static_cast<Uint8>(red << 3 | red >> 2),
                                   static_cast<Uint8>(green << 3 | green >> 2), static_cast<Uint8>(blue << 3 | blue >> 2));
    }
}

std::optional<WindowEvent> SdlWindow::pollEvent()
{
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) {
            WindowEvent drop{WindowEventKind::DropFile};
            if (event.drop.file != nullptr) {
                drop.path = event.drop.file;
                SDL_free(event.drop.file);
            }
            if (event.type == SDL_DROPFILE) {
                return drop;
            }
            continue;
        }
        if (auto translated = translate(event)) {
            return translated;
        }
    }
    return std::nullopt;
}

PointerPosition SdlWindow::pointer()
{
    PointerPosition position;
    if (window_ == nullptr) {
        return position;
    }
    int globalX = 0;
    int globalY = 0;
    int windowX = 0;
    int windowY = 0;
    int windowWidth = 0;
    int windowHeight = 0;
    SDL_GetGlobalMouseState(&globalX, &globalY);
    SDL_GetWindowPosition(window_, &windowX, &windowY);
    SDL_GetWindowSize(window_, &windowWidth, &windowHeight);
    const PictureFit fit = fitPicture(windowWidth, windowHeight, width_, height_);
    position.x = fit.toPictureX(globalX - windowX);
    position.y = fit.toPictureY(globalY - windowY);
    position.insideClient = position.x >= 0 && position.x < width_ && position.y >= 0 && position.y < height_;
    return position;
}

void SdlWindow::captureMouse(bool capture) { SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE); }

void SdlWindow::setSystemCursorVisible(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

bool SdlWindow::altEnterHeld()
{
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    const bool alt = keys[SDL_SCANCODE_LALT] != 0 || keys[SDL_SCANCODE_RALT] != 0;
    const bool enter = keys[SDL_SCANCODE_RETURN] != 0 || keys[SDL_SCANCODE_KP_ENTER] != 0;
    return alt && enter;
}

bool SdlWindow::setFullScreen(bool fullScreen)
{
    if (window_ == nullptr) {
        return false;
    }
    if (!fullScreen) {
        const bool wasFullScreen = isFullScreen();
        const bool ok = SDL_SetWindowFullscreen(window_, 0) == 0;
        if (wasFullScreen) {
            SDL_SetWindowSize(window_, windowedSize_.width, windowedSize_.height);
        }
        placeCentred();
        SDL_ShowWindow(window_);
        return ok;
    }
    if (!isFullScreen()) {
        windowedSize_ = windowedSize();
    }
    // An exact mode of the picture's size where the display offers one, else the desktop.
    SDL_DisplayMode wanted{};
    wanted.w = width_;
    wanted.h = height_;
    SDL_DisplayMode closest{};
    const int display = SDL_GetWindowDisplayIndex(window_);
    const bool exact = display >= 0 && SDL_GetClosestDisplayMode(display, &wanted, &closest) != nullptr &&
                       closest.w == width_ && closest.h == height_;
    if (exact && SDL_SetWindowDisplayMode(window_, &closest) == 0 &&
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) == 0) {
        return true;
    }
    return SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

void SdlWindow::placeCentred()
{
    const int display = SDL_GetWindowDisplayIndex(window_);
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED_DISPLAY(display < 0 ? 0 : display),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(display < 0 ? 0 : display));
}

void SdlWindow::raise()
{
    if (window_ != nullptr) {
        SDL_RaiseWindow(window_);
    }
}

void SdlWindow::present(const uint16_t* pixels, int32_t width, int32_t height, int32_t pitch)
{
    if (!displayCreated_ || pixels == nullptr || width != width_ || height != height_) {
        return;
    }
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (target == nullptr) {
        return;
    }
    if (target->format->format != windowFormat_ && !preparePicture(*target)) {
        displayCreated_ = false;
        return;
    }
    const PictureFit fit = fitPicture(target->w, target->h, width_, height_);
    fillBorders(*target, fit);
    if (target->format->format == tableFormat_) {
        scaleInto(*target, fit, pixels, pitch);
    } else {
        convertInto(*picture_, pixels, pitch);
        SDL_Rect destination{fit.x, fit.y, fit.width, fit.height};
        SDL_BlitScaled(picture_, nullptr, target, &destination);
    }
    SDL_UpdateWindowSurface(window_);
}

void SdlWindow::fillBorders(SDL_Surface& target, const PictureFit& fit)
{
    const Uint32 black = SDL_MapRGB(target.format, 0, 0, 0);
    const int right = fit.x + fit.width;
    const int bottom = fit.y + fit.height;
    const SDL_Rect borders[] = {{0, 0, target.w, fit.y},
                                {0, bottom, target.w, target.h - bottom},
                                {0, fit.y, fit.x, fit.height},
                                {right, fit.y, target.w - right, fit.height}};
    for (const SDL_Rect& border : borders) {
        if (border.w > 0 && border.h > 0) {
            SDL_FillRect(&target, &border, black);
        }
    }
}

void SdlWindow::scaleInto(SDL_Surface& target, const PictureFit& fit, const uint16_t* pixels, int32_t pitch)
{
    if (fit.width <= 0 || fit.height <= 0) {
        return;
    }
    // At a whole multiple each picture pixel is converted once and repeated; a shrunk
    // picture takes its columns from a map.
    const int32_t scale = fit.width / width_;
    const bool wholeMultiple = scale >= 1 && fit.width == width_ * scale;
    if (!wholeMultiple && !(fit == columnsFit_)) {
        sourceColumns_.resize(static_cast<size_t>(fit.width));
        for (int32_t column = 0; column < fit.width; ++column) {
            sourceColumns_[static_cast<size_t>(column)] = fit.toPictureX(fit.x + column);
        }
        columnsFit_ = fit;
    }
    if (SDL_MUSTLOCK(&target) && SDL_LockSurface(&target) != 0) {
        return;
    }
    const uint32_t* table = table_.data();
    const int32_t* columns = sourceColumns_.data();
    auto* firstRow = static_cast<uint8_t*>(target.pixels) + static_cast<size_t>(fit.y) * target.pitch + static_cast<size_t>(fit.x) * 4;
    int32_t previousSourceRow = -1;
    for (int32_t row = 0; row < fit.height; ++row) {
        auto* destination = reinterpret_cast<uint32_t*>(firstRow + static_cast<size_t>(row) * target.pitch);
        const int32_t sourceRow = fit.toPictureY(fit.y + row);
        if (sourceRow == previousSourceRow) {
            // A picture row drawn more than once is copied from the window row above.
            std::memcpy(destination, firstRow + static_cast<size_t>(row - 1) * target.pitch, static_cast<size_t>(fit.width) * 4);
            continue;
        }
        const uint16_t* source = pixels + static_cast<size_t>(sourceRow) * pitch;
        if (wholeMultiple) {
            for (int32_t column = 0; column < width_; ++column) {
                const uint32_t pixel = table[source[column] & 0x7FFF];
                for (int32_t copy = 0; copy < scale; ++copy) {
                    *destination++ = pixel;
                }
            }
        } else {
            for (int32_t column = 0; column < fit.width; ++column) {
                destination[column] = table[source[columns[column]] & 0x7FFF];
            }
        }
        previousSourceRow = sourceRow;
    }
    if (SDL_MUSTLOCK(&target)) {
        SDL_UnlockSurface(&target);
    }
}

void SdlWindow::convertInto(SDL_Surface& target, const uint16_t* pixels, int32_t pitch) const
{
    if (SDL_MUSTLOCK(&target) && SDL_LockSurface(&target) != 0) {
        return;
    }
    const uint32_t* table = table_.data();
    for (int32_t y = 0; y < height_; ++y) {
        const uint16_t* source = pixels + static_cast<size_t>(y) * pitch;
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(target.pixels) + static_cast<size_t>(y) * target.pitch);
        for (int32_t x = 0; x < width_; ++x) {
            row[x] = table[source[x] & 0x7FFF];
        }
    }
    if (SDL_MUSTLOCK(&target)) {
        SDL_UnlockSurface(&target);
    }
}

}  // namespace quorva
