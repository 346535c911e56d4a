#pragma once
#include "platform/window.h"

#include <cstdint>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace quorva {

// The window on SDL2: events, pointer, cursor, full screen, and presentation of the RGB555
// picture through a streaming texture without vsync (the program paces its own frames).
class SdlWindow final : public PlatformWindow {
public:
    SdlWindow() = default;
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    bool createWindow(const WindowSpecs& specs) override;
    bool createDisplay() override;
    std::optional<WindowEvent> pollEvent() override;
    PointerPosition pointer() override;
    void captureMouse(bool capture) override;
    void setSystemCursorVisible(bool visible) override;
    bool altEnterHeld() override;
    bool setFullScreen(bool fullScreen) override;
    void raise() override;
    void present(const uint16_t* pixels, int32_t width, int32_t height, int32_t pitch) override;

private:
    void placeCentred();

    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace quorva
