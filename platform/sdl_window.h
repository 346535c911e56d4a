#pragma once
#include "platform/window.h"

#include <cstdint>
#include <vector>

struct SDL_Window;
struct SDL_Surface;

namespace quorva {

// The window on SDL2: events, pointer, cursor, full screen, and presentation of the RGB555
// picture without vsync (the program paces its own frames). The picture goes through a
// table straight into the window's own surface, which SDL hands to the display as shared
// memory: far cheaper than a renderer, whose GL often runs on the processor. A window of
// another size (desktop full screen) gets the picture scaled and letter-boxed.
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
    // The letter-boxed place of the picture in a window of the given size.
    struct Placement {
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
        int32_t height = 0;
    };
    Placement placement(int32_t windowWidth, int32_t windowHeight) const;
    bool preparePicture(SDL_Surface& target);
    void buildTable(SDL_Surface& target);
    void convertInto(SDL_Surface& target, const uint16_t* pixels, int32_t pitch) const;

    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;
    bool displayCreated_ = false;
    // The picture at its own size in the window's format, for scaling into a larger window.
    SDL_Surface* picture_ = nullptr;
    // RGB555 to the 32-bit pixel of `tableFormat_`.
    std::vector<uint32_t> table_;
    uint32_t tableFormat_ = 0;
    uint32_t windowFormat_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace quorva
