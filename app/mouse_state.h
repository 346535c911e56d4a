#pragma once
#include "app/main_window.h"
#include "gfx/surface.h"
#include "platform/window.h"

#include <cstdint>

namespace quorva {

// Button states as the widgets read them.
namespace button {
constexpr int8_t Up = 0;
constexpr int8_t Held = 1;
constexpr int8_t Pressed = 2;    // went down this frame
constexpr int8_t Released = -1;  // went up this frame
}  // namespace button

// The pointer and its buttons as seen by this frame, plus the software cursor.
class MouseState {
public:
    static constexpr int32_t cursorX = 0;
    static constexpr int32_t cursorY = 104;
    static constexpr int32_t cursorWidth = 16;
    static constexpr int32_t cursorHeight = 24;
    static constexpr int32_t cursorWeight = 21;

    explicit MouseState(PlatformWindow& window) : window_(window) {}

    // Cuts the software cursor from the skin image.
    void setCursorSprite(const Surface& skin);
    // Reads the pointer, hides or shows the system cursor over the window, and moves each
    // button on by the frame's input.
    void update(const FrameInput& input);
    // The system cursor stays visible everywhere when shown, else it is hidden over the window.
    void setSystemCursor(bool shown);
    // Draws the software cursor at the pointer, whatever the system cursor does.
    void drawCursor(Surface& target) const;

    int32_t x() const { return x_; }
    int32_t y() const { return y_; }
    int8_t right() const { return right_; }
    int8_t left() const { return left_; }
    bool doubleClick() const { return doubleClick_; }
    bool hiddenHere() const { return hiddenHere_; }
    bool systemCursorShown() const { return systemCursorShown_; }

    // One button's move from the last frame's state to this frame's.
    static int8_t nextButtonState(int8_t state, bool wentDown, bool wentUp);

private:
    PlatformWindow& window_;
    int32_t x_ = 0;
    int32_t y_ = 0;
    int8_t right_ = button::Up;
    int8_t left_ = button::Up;
    bool doubleClick_ = false;
    Sprite cursorSprite_;
    bool hiddenHere_ = false;
    bool systemCursorShown_ = false;
};

}  // namespace quorva
