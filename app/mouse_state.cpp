#include "app/mouse_state.h"

namespace quorva {

void MouseState::setCursorSprite(const Surface& skin)
{
    cursorSprite_ = Sprite::cut(skin, cursorX, cursorY, cursorWidth, cursorHeight);
}

int8_t MouseState::nextButtonState(int8_t state, bool wentDown, bool wentUp)
{
    if (state == button::Pressed) {
        state = button::Held;
    } else if (state == button::Released) {
        state = button::Up;
    }
    if (wentDown) {
        state = button::Pressed;
    }
    // A press and release within one frame is seen as a release.
    if (wentUp) {
        state = button::Released;
    }
    return state;
}

void MouseState::update(const FrameInput& input)
{
    const PointerPosition pointer = window_.pointer();
    x_ = pointer.x;
    y_ = pointer.y;
    if (!systemCursorShown_) {
        if (pointer.insideClient && !hiddenHere_) {
            window_.setSystemCursorVisible(false);
            hiddenHere_ = true;
        } else if (!pointer.insideClient && hiddenHere_) {
            window_.setSystemCursorVisible(true);
            hiddenHere_ = false;
        }
    }
    doubleClick_ = input.leftDoubleClick;
    right_ = nextButtonState(right_, input.rightDown, input.rightUp);
    left_ = nextButtonState(left_, input.leftDown, input.leftUp);
}

void MouseState::setSystemCursor(bool shown)
{
    window_.setSystemCursorVisible(shown);
    systemCursorShown_ = shown;
    // Hidden now, so the next update must not think it still has to hide it.
    hiddenHere_ = false;
}

void MouseState::drawCursor(Surface& target) const
{
    if (cursorSprite_.pixels != nullptr) {
        blitBlend(target, cursorSprite_, x_, y_, cursorWeight);
    }
}

}  // namespace quorva
