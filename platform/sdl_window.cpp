#include "platform/sdl_window.h"

#include <SDL.h>

namespace quorva {

namespace {

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
    case SDL_DROPBEGIN:
        return WindowEvent{WindowEventKind::DropBegin};
    case SDL_DROPCOMPLETE:
        return WindowEvent{WindowEventKind::DropComplete};
    default:
        return std::nullopt;
    }
}

}  // namespace

SdlWindow::~SdlWindow()
{
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
    }
    if (renderer_ != nullptr) {
        SDL_DestroyRenderer(renderer_);
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
    if (!videoStarted_) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return false;
        }
        videoStarted_ = true;
    }
    width_ = specs.clientWidth;
    height_ = specs.clientHeight;
    window_ = SDL_CreateWindow(specs.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width_, height_,
                               SDL_WINDOW_HIDDEN);
    return window_ != nullptr;
}

bool SdlWindow::createDisplay()
{
    if (window_ == nullptr) {
        return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) {
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer_ == nullptr) {
        return false;
    }
    // The picture keeps its size and proportions; a larger full screen letter-boxes it.
    SDL_RenderSetLogicalSize(renderer_, width_, height_);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB555, SDL_TEXTUREACCESS_STREAMING, width_, height_);
    if (texture_ == nullptr) {
        return false;
    }
    SDL_ShowWindow(window_);
    return true;
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
    SDL_GetGlobalMouseState(&globalX, &globalY);
    SDL_GetWindowPosition(window_, &windowX, &windowY);
    float x = static_cast<float>(globalX - windowX);
    float y = static_cast<float>(globalY - windowY);
    if (renderer_ != nullptr) {
        SDL_RenderWindowToLogical(renderer_, globalX - windowX, globalY - windowY, &x, &y);
    }
    position.x = static_cast<int32_t>(SDL_floorf(x));
    position.y = static_cast<int32_t>(SDL_floorf(y));
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
        const bool ok = SDL_SetWindowFullscreen(window_, 0) == 0;
        SDL_SetWindowSize(window_, width_, height_);
        placeCentred();
        SDL_ShowWindow(window_);
        return ok;
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
    if (texture_ == nullptr || pixels == nullptr || width != width_ || height != height_) {
        return;
    }
    SDL_UpdateTexture(texture_, nullptr, pixels, pitch * static_cast<int>(sizeof(uint16_t)));
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

}  // namespace quorva
