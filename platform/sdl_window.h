#pragma once
#include "platform/picture_fit.h"
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
// another size (resized, or desktop full screen) gets the picture scaled by nearest
// neighbour and letter-boxed, as PictureFit places it.
class SdlWindow final : public PlatformWindow {
public:
    SdlWindow() = default;
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

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

private:
    void placeCentred();
    bool isFullScreen() const;
    void setIcon(const WindowIcon& icon);
    bool preparePicture(SDL_Surface& target);
    void buildTable(SDL_Surface& target);
    void convertInto(SDL_Surface& target, const uint16_t* pixels, int32_t pitch) const;
    // Draws the picture into the fit's rectangle of a target of the table's format.
    void scaleInto(SDL_Surface& target, const PictureFit& fit, const uint16_t* pixels, int32_t pitch);
    static void fillBorders(SDL_Surface& target, const PictureFit& fit);

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
    // The picture column of each column of the scaled picture, for the fit they were made for.
    std::vector<int32_t> sourceColumns_;
    PictureFit columnsFit_;
    // The window's size before it went full screen.
    WindowSize windowedSize_;
};

}  // namespace quorva
